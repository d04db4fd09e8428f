#include "runtime/arguments.h"

#include "runtime/process_end.h"
#include "runtime/text.h"

namespace brisquel {

std::string NextArgument(const char*& p) {
  for (;;) {
    while (*p != '\0' && IsBlank(*p)) ++p;
    if (p[0] == '"' && p[1] == '"') {
      p += 2;
      continue;
    }
    break;
  }
  std::string argument;
  while (static_cast<unsigned char>(*p) > 32) {
    if (*p == '"') {
      ++p;
      const char* run = p;
      while (*p != '\0' && *p != '"') ++p;
      argument.append(run, p);
      if (*p == '"') ++p;
    } else {
      argument.push_back(*p++);
    }
  }
  return argument;
}

std::int32_t ArgumentCount() {
  const char* p = Process().GetCommandLineA();
  NextArgument(p);
  std::int32_t count = 0;
  while (!NextArgument(p).empty()) ++count;
  return count;
}

std::string Argument(std::int32_t i) {
  if (i == 0) {
    char path[261];
    std::uint32_t length = Process().GetModuleFileNameA(path, sizeof path);
    if (length > sizeof path) length = sizeof path;
    return std::string(path, length);
  }
  const char* p = Process().GetCommandLineA();
  std::string argument = NextArgument(p);
  std::int64_t left = i;  // a negative index counts down until the arguments run out
  while (left != 0 && !argument.empty()) {
    --left;
    argument = NextArgument(p);
  }
  return argument;
}

std::vector<std::string> AllArguments() {
  const char* p = Process().GetCommandLineA();
  NextArgument(p);
  std::vector<std::string> arguments;
  for (std::string argument = NextArgument(p); !argument.empty(); argument = NextArgument(p)) {
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace brisquel
