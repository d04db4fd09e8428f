#include "runtime/arguments.h"

#include "base/text.h"
#include "runtime/services.h"

namespace brisquel {
namespace {

constexpr std::uint32_t kArgumentZeroSize = 261;

// Splits the process's command line afresh from its start, argument 0
// discarded, and hands arguments 1, 2, ... to take until take returns
// false or the arguments run out.
template <typename Take>
void SplitArguments(Take take) {
  const char* p = Process().GetCommandLineA();
  NextArgument(p);
  for (std::string argument = NextArgument(p); !argument.empty(); argument = NextArgument(p)) {
    if (!take(std::move(argument))) return;
  }
}

}  // namespace

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
  while (!IsBlank(*p)) {
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
  std::int32_t count = 0;
  SplitArguments([&](std::string&&) {
    ++count;
    return true;
  });
  return count;
}

std::string Argument(std::int32_t i) {
  if (i == 0) {
    char path[kArgumentZeroSize];
    return std::string(ModulePath(path, sizeof path));
  }
  // A negative index is never reached: the arguments run out first.
  std::string found;
  std::int32_t at = 0;
  SplitArguments([&](std::string&& argument) {
    if (++at != i) return true;
    found = std::move(argument);
    return false;
  });
  return found;
}

std::vector<std::string> AllArguments() {
  std::vector<std::string> arguments;
  SplitArguments([&](std::string&& argument) {
    arguments.push_back(std::move(argument));
    return true;
  });
  return arguments;
}

}  // namespace brisquel
