// Argument splitting over arbitrary command lines. Checks: no argument is
// empty or holds a double quote; ArgumentCount, Argument and AllArguments
// agree; and every byte of the line that is neither a blank nor a double
// quote lands, in order, in exactly one argument.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "fuzz_check.h"
#include "platform/fake/fake_process.h"
#include "runtime/arguments.h"
#include "runtime/start_up.h"

namespace {

std::string WithoutBlanksAndQuotes(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (!brisquel::IsBlank(c) && c != '"') kept.push_back(c);
  }
  return kept;
}

// Argument(i) costs a pass over the line: check a few indices, not all.
constexpr std::int32_t kIndicesChecked = 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brisquel;
  // The command line ends at its first NUL, as every source of text does.
  const std::string line(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  FakeProcess process;
  process.command_line = line;
  StartRuntime(process);

  const std::int32_t count = ArgumentCount();
  const std::vector<std::string> all = AllArguments();
  FUZZ_CHECK(all.size() == static_cast<std::size_t>(count), "AllArguments and ArgumentCount disagree");

  const char* p = line.c_str();
  std::string bytes = WithoutBlanksAndQuotes(NextArgument(p));  // argument 0
  for (const std::string& argument : all) {
    FUZZ_CHECK(!argument.empty(), "an empty argument");
    FUZZ_CHECK(argument.find('"') == std::string::npos, argument);
    bytes += WithoutBlanksAndQuotes(argument);
  }
  FUZZ_CHECK(bytes == WithoutBlanksAndQuotes(line), "bytes lost or added by the split");

  for (std::int32_t i = 1; i <= count && i <= kIndicesChecked; ++i) {
    FUZZ_CHECK(Argument(i) == all[static_cast<std::size_t>(i - 1)], "Argument(i) differs");
  }
  if (count > kIndicesChecked) FUZZ_CHECK(Argument(count) == all.back(), "last argument differs");
  for (std::int32_t beyond : {count + 1, count + 2, -1, -2, INT32_MIN, INT32_MAX}) {
    FUZZ_CHECK(Argument(beyond).empty(), "an argument beyond the last");
  }
  FUZZ_CHECK(ArgumentCount() == count, "a second count differs");
  return 0;
}
