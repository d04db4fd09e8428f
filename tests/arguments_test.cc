#include "runtime/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_process.h"
#include "runtime/services.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

using Arguments = std::vector<std::string>;

// Every byte from 1 to 31 between single letters.
std::string ControlSeparated() {
  std::string line = "brisquel";
  for (char c = 1; c < 32; ++c) line += std::string(1, c) + static_cast<char>('A' + c % 26);
  return line;
}

Arguments ControlSeparatedArguments() {
  Arguments arguments;
  for (char c = 1; c < 32; ++c) arguments.push_back(std::string(1, static_cast<char>('A' + c % 26)));
  return arguments;
}

TEST(Arguments, SplitsCommandLines) {
  struct Case {
    const char* name;
    std::string line;
    Arguments arguments;
  };
  const std::string long_word(300, 'w');
  const std::string long_quoted = std::string(200, 'a') + "  " + std::string(200, 'b');
  const std::vector<Case> cases = {
      {"plain words", "brisquel /F notepad", {"/F", "notepad"}},
      {"quoted words", "brisquel /F \"Untitled - Notepad\"", {"/F", "Untitled - Notepad"}},
      {"quotes inside a word", "brisquel /F Untitled\" - \"Notepad", {"/F", "Untitled - Notepad"}},
      {"tab separates, 127 does not", "brisquel\t/F\ta\x7F" "b", {"/F", "a\x7F" "b"}},
      {"every control byte separates", ControlSeparated(), ControlSeparatedArguments()},
      {"blank runs and outer blanks", "  \t brisquel   /L \r\n ", {"/L"}},
      {"empty pair before an option", "brisquel \"\" /L", {"/L"}},
      {"empty pair between arguments", "brisquel /F \"\" x", {"/F", "x"}},
      {"empty pairs in a row", "brisquel \"\"\"\" \"\" x", {"x"}},
      {"empty pair inside a word", "brisquel ab\"\"cd", {"abcd"}},
      {"empty pair at the end", "brisquel /L \"\"", {"/L"}},
      {"only empty pairs", "brisquel \"\" \"\"", {}},
      {"quoted blanks survive", "brisquel /F \"  \"", {"/F", "  "}},
      {"unclosed quote runs to the end", "brisquel /F \"a b", {"/F", "a b"}},
      {"double quote inside a run", "brisquel \"a\"\"b\"", {"ab"}},
      {"quote after an empty pair in a word", "brisquel a\"\"\"b c", {"ab c"}},
      {"backslash does not escape", "brisquel \"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
      {"quoted program path with spaces", "\"C:\\Program Files\\brisquel.exe\" /C", {"/C"}},
      {"quoted run glued to the program name", "brisquel\"x y\" /M", {"/M"}},
      {"program name alone", "brisquel", {}},
      {"empty command line", "", {}},
      {"bytes above 127 are characters", "brisquel \xA0x\xA0 \xFF\x80", {"\xA0x\xA0", "\xFF\x80"}},
      {"quoted tab", "brisquel \"a\tb\"", {"a\tb"}},
      {"argument longer than 256 bytes", "brisquel " + long_word + " y", {long_word, "y"}},
      {"quoted argument longer than 256 bytes", "brisquel \"" + long_quoted + "\" y", {long_quoted, "y"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process;
    process.command_line = c.line;
    StartRuntime(process);
    const auto count = static_cast<std::int32_t>(c.arguments.size());
    EXPECT_EQ(ArgumentCount(), count);
    for (std::int32_t i = 1; i <= count; ++i) EXPECT_EQ(Argument(i), c.arguments[i - 1]) << i;
    for (std::int32_t i : {count + 1, count + 2, -1, INT32_MIN, INT32_MAX}) EXPECT_EQ(Argument(i), "") << i;
    EXPECT_EQ(AllArguments(), c.arguments);
  }
}

TEST(Arguments, NextArgumentStopsOnTheEndingBlankOrNul) {
  struct Case {
    std::string line;
    std::vector<std::pair<std::string, std::size_t>> splits;  // argument, offset after
  };
  const std::vector<Case> cases = {
      {" ab  cd", {{"ab", 3}, {"cd", 7}, {"", 7}}},
      {"\"a b\"c d", {{"a bc", 6}, {"d", 8}, {"", 8}}},
      {"x \"\"", {{"x", 1}, {"", 4}}},
      {"\"open", {{"open", 5}, {"", 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const char* p = c.line.c_str();
    for (const auto& [argument, offset] : c.splits) {
      EXPECT_EQ(NextArgument(p), argument);
      EXPECT_EQ(static_cast<std::size_t>(p - c.line.c_str()), offset);
    }
  }
}

TEST(Arguments, ArgumentZeroIsTheModulePath) {
  struct Case {
    std::string module_path;
    std::string argument0;
  };
  const std::string fits(260, 'p');    // 260 bytes and the NUL fill the 261
  const std::string longer(300, 'q');  // cut to what the call reports
  const std::vector<Case> cases = {
      {"C:\\Tools\\brisquel.exe", "C:\\Tools\\brisquel.exe"},
      {fits, fits},
      {longer, longer.substr(0, 261)},
  };
  for (const Case& c : cases) {
    FakeProcess process;
    process.command_line = "\"D:\\other name\\typed.exe\" /L";
    process.module_path = c.module_path;
    StartRuntime(process);
    EXPECT_EQ(Argument(0), c.argument0);
  }
}

TEST(Arguments, CommandLineIsReadAfreshOnEveryCall) {
  FakeProcess process;
  process.command_line = "brisquel /F a";
  StartRuntime(process);
  EXPECT_EQ(ArgumentCount(), 2);
  EXPECT_EQ(Argument(2), "a");
  process.command_line = "brisquel /L";
  EXPECT_EQ(ArgumentCount(), 1);
  EXPECT_EQ(Argument(2), "");
  EXPECT_EQ(AllArguments(), Arguments{"/L"});
}

}  // namespace
}  // namespace brisquel
