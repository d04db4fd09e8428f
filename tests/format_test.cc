#include "runtime/format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "platform/fake/fake_process.h"
#include "runtime/failure_kinds.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

using Args = std::vector<FormatArg>;

// Calls f with args as the braced list the formatter takes.
template <typename F>
auto WithArgs(const Args& a, F f) {
  switch (a.size()) {
    case 0: return f({});
    case 1: return f({a[0]});
    case 2: return f({a[0], a[1]});
    case 3: return f({a[0], a[1], a[2]});
    case 4: return f({a[0], a[1], a[2], a[3]});
    default: return f({a[0], a[1], a[2], a[3], a[4]});
  }
}

std::string Format(std::string_view format, const Args& args) {
  return WithArgs(args, [&](std::initializer_list<FormatArg> list) { return FormatLine(format, list); });
}

// The failure's message, or a marker when the format succeeds.
std::string FailureOf(std::string_view format, const Args& args) {
  try {
    return "(no failure) " + Format(format, args);
  } catch (const EConvertError& failure) {
    return std::string(failure.Message());
  }
}

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { StartRuntime(process_); }
  FakeProcess process_;
};

const std::string kSpaces35(35, ' ');
const std::string kText35(35, 't');
const std::string kText40(40, 'u');
const std::string kText41 = kText40 + "x";
const std::string kTitle28 = "Twenty-eight characters long";

TEST_F(FormatTest, Renders) {
  struct Case {
    std::string format;
    Args args;
    std::string out;
  };
  const std::vector<Case> cases = {
      // The report lines.
      {"  Found [%-35s] TID:$%x, HWND:$%x, PID:$%x", {"Calculator", 0x5A4, 0xA01B2, 0x1F0},
       "  Found [Calculator" + std::string(25, ' ') + "] TID:$5A4, HWND:$A01B2, PID:$1F0"},
      {"  Found [%-35s] TID:$%x, HWND:$%x, PID:$%x", {kText40, 1, 4294967295u, -1},
       "  Found [" + kText40 + "] TID:$1, HWND:$FFFFFFFF, PID:$FFFFFFFF"},
      {"  ErrorLevel(%s)", {"0"}, "  ErrorLevel(0)"},
      {"  ErrorLevel(%s)", {"1"}, "  ErrorLevel(1)"},
      {"  [%-28s] TID:$%x HWND:$%x PID:$%x PAR:$%x", {kTitle28, 0x5A4, 0xA01B2, 0x1F0, 0},
       "  [" + kTitle28 + "] TID:$5A4 HWND:$A01B2 PID:$1F0 PAR:$0"},
      {"  [%-28s] TID:$%x HWND:$%x PID:$%x PAR:$%x", {"Calc", 1, 2, 3, 0x10010},
       "  [Calc" + std::string(24, ' ') + "] TID:$1 HWND:$2 PID:$3 PAR:$10010"},
      {"  [%-40s] [%-30s]", {"Program Manager", "Progman"},
       "  [Program Manager" + std::string(25, ' ') + "] [Progman" + std::string(23, ' ') + "]"},
      {"  [%-40s] [%-30s]", {kText41, kText35}, "  [" + kText41 + "] [" + kText35 + "]"},
      // Width never cuts.
      {"%-35s", {""}, kSpaces35}, {"%-35s", {kText35}, kText35}, {"%-35s", {kText40}, kText40},
      // Numbers.
      {"%x", {0}, "0"}, {"%x", {255}, "FF"}, {"%x", {-1}, "FFFFFFFF"}, {"%x", {INT32_MIN}, "80000000"},
      {"%X", {0xABCDEF}, "ABCDEF"}, {"%d", {-1}, "-1"}, {"%D", {INT32_MIN}, "-2147483648"},
      {"%d", {INT32_MAX}, "2147483647"}, {"%u", {-1}, "4294967295"}, {"%U", {INT32_MIN}, "2147483648"},
      {"%8x", {255}, "      FF"}, {"%-8x", {255}, "FF      "}, {"%.4x", {255}, "00FF"},
      {"%.15x", {255}, "0000000000000FF"}, {"%.16x", {255}, "FF"}, {"%.20x", {255}, "FF"},
      {"%05x", {255}, "   FF"}, {"%.4d", {-5}, "-0005"}, {"%7.4d", {-5}, "  -0005"},
      {"%-7.4d|", {-5}, "-0005  |"}, {"%.0d", {0}, "0"}, {"%.3u", {7}, "007"},
      // Texts.
      {"%S", {"ab"}, "ab"}, {"%.3s", {"abcdef"}, "abc"}, {"%5.3s", {"abcdef"}, "  abc"},
      {"%.10s", {"abc"}, "abc"}, {"%.0s|", {"abc"}, "|"}, {"%.s|", {"abc"}, "|"},
      {"%s", {"\xA0\x01\xFF"}, "\xA0\x01\xFF"}, {"[%s]", {""}, "[]"},
      // Percent signs, and unfinished specifiers dropped at the end.
      {"%%", {}, "%"}, {"a%%b%%", {}, "a%b%"}, {"%%%d", {5}, "%5"},
      {"abc%", {}, "abc"}, {"abc%-", {}, "abc"}, {"abc%12", {}, "abc"}, {"abc%1:", {}, "abc"},
      {"abc%.", {}, "abc"}, {"abc%-3.5", {}, "abc"}, {"abc%*", {}, "abc"},
      {"%s%-*.*", {"x"}, "x"}, {"%s%", {"x"}, "x"},
      // Argument indexes; a minus sign before the index does not count.
      {"%1:s %0:s", {"a", "b"}, "b a"}, {"%0:s%s", {"a", "b"}, "ab"}, {"%1:s%0:s%s", {"a", "b"}, "bab"},
      {"%-1:3s|", {"a", "b"}, "  b|"}, {"%1:-3s|", {"a", "b"}, "b  |"},
      // Asterisks: an integer's value, 0 for a text, negative precision ignored.
      {"%*d", {5, 42}, "   42"}, {"%-*s|", {3, "x"}, "x  |"}, {"%*s|", {"abc", "x"}, "x|"},
      {"%.*d", {4, 7}, "0007"}, {"%.*s", {2, "abc"}, "ab"}, {"%.*s", {"9", "abc"}, ""},
      {"%.*d", {-3, 7}, "7"}, {"%.*s", {-1, "abc"}, "abc"}, {"%*.*x", {6, 4, 255}, "  00FF"},
      // The size limit.
      {"%4096s", {""}, std::string(4096, ' ')},
      {"%4094s%s", {"", "ab"}, std::string(4094, ' ') + "ab"},
      {std::string(4096, 'z'), {}, std::string(4096, 'z')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format.substr(0, 60));
    EXPECT_EQ(FailureOf(c.format, c.args), "(no failure) " + c.out);
  }
}

TEST_F(FormatTest, FailsWithExactMessages) {
  struct Case {
    std::string format;
    Args args;
    std::string message;
  };
  const std::string too_long = "Format result longer than 4096 characters";
  const auto none = [](const std::string& s) { return "No argument for format '" + s + "'"; };
  const auto invalid = [](const std::string& s) {
    return "Format '" + s + "' invalid or incompatible with argument";
  };
  std::string specifier31 = "%", specifier33 = "%";
  specifier31.append(29, '0').append("d");
  specifier33.append(31, '0').append("d");
  const std::vector<Case> cases = {
      {"%s", {5}, invalid("%s")}, {"%x", {"a"}, invalid("%x")}, {"%D", {"a"}, invalid("%D")},
      {"ab%-12.3q", {1}, invalid("%-12.3q")}, {"%p", {1}, invalid("%p")}, {"%-%", {1}, invalid("%-%")},
      {"%s %s", {"a"}, none("%s")}, {"%s %1:-5x", {"a"}, none("%1:-5x")}, {"%d", {}, none("%d")},
      {"%1:s", {"a"}, none("%1:s")}, {"%*s", {}, none("%*s")}, {"%s%*d", {"a"}, none("%*d")},
      // The argument check comes before the letter is looked at.
      {"%q", {}, none("%q")}, {"%-%", {}, none("%-%")},
      // The specifier is shown cut to 31 characters.
      {specifier31, {}, none(specifier31)},
      {specifier33, {}, none(specifier33.substr(0, 31))},
      {specifier33, {"a"}, invalid(specifier33.substr(0, 31))},
      // The size limit; a negative width from an asterisk fills to it.
      {"%4097s", {""}, too_long}, {"%4095s%s", {"", "ab"}, too_long}, {"%-4096sx", {""}, too_long},
      {std::string(4097, 'z'), {}, too_long}, {"%99999999999999999999d", {1}, too_long},
      {"%*d", {-1, 5}, too_long}, {"%-*d", {-1, 5}, too_long},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format.substr(0, 60));
    EXPECT_EQ(FailureOf(c.format, c.args), c.message);
  }
}

TEST_F(FormatTest, DecimalText) {
  struct Case {
    std::int32_t value;
    const char* text;
  };
  for (const Case& c : {Case{0, "0"}, Case{1, "1"}, Case{-5, "-5"}, Case{INT32_MAX, "2147483647"},
                        Case{INT32_MIN, "-2147483648"}}) {
    EXPECT_EQ(DecimalText(c.value), c.text);
  }
}

// The worker fills only the caller's area and reports failures as values.
TEST(FormatInto, StaysInsideTheAreaAndReportsFailures) {
  struct Case {
    std::string format;
    Args args;
    std::size_t size;
    FormatStatus status;
    std::string out;        // the area's first bytes (kOk)
    std::string specifier;  // for kNoArgument / kInvalid
  };
  const std::vector<Case> cases = {
      {"abcdefg", {}, 8, FormatStatus::kOk, "abcdefg", ""},
      {"abcdefgh", {}, 8, FormatStatus::kTooLong, "", ""},
      {"%7s", {"x"}, 8, FormatStatus::kOk, "      x", ""},
      {"%-8s", {"x"}, 8, FormatStatus::kTooLong, "", ""},
      {"%.7x", {1}, 8, FormatStatus::kOk, "0000001", ""},
      {"%.8x", {1}, 8, FormatStatus::kTooLong, "", ""},
      {"ab%5:d", {1}, 8, FormatStatus::kNoArgument, "", "%5:d"},
      {"%-4s", {1}, 8, FormatStatus::kInvalid, "", "%-4s"},
      {"%p", {FormatArg::Address(0x401000)}, 9, FormatStatus::kOk, "00401000", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    char area[16];
    std::fill(std::begin(area), std::end(area), '#');
    const FormatResult result = WithArgs(
        c.args, [&](std::initializer_list<FormatArg> list) { return FormatInto(area, c.size, c.format, list); });
    EXPECT_EQ(result.status, c.status);
    if (c.status == FormatStatus::kOk) {
      EXPECT_EQ(std::string(area, result.length), c.out);
    }
    EXPECT_EQ(result.specifier, c.specifier);
    EXPECT_EQ(std::string(area + c.size, sizeof area - c.size), std::string(sizeof area - c.size, '#'));
  }
}

}  // namespace
}  // namespace brisquel
