#include "base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace brisquel {
namespace {

using namespace std::string_literals;

struct TextCase {
  std::string in;
  std::string out;
};

TEST(Text, TrimBlanksRemovesOnlyBytesUpTo32AtTheEnds) {
  const std::vector<TextCase> cases = {
      {"\t ab \r", "ab"},
      {"   ", ""},
      {"", ""},
      {"a b", "a b"},
      {" a \t b ", "a \t b"},
      {"\x01\x1F" "x" "\x1F\x01", "x"},
      {"\x7F" "x" "\x7F", "\x7F" "x" "\x7F"},  // 127 is no blank
      {"\xA0" "x" "\xA0", "\xA0" "x" "\xA0"},  // nor is a no-break space
      {" \x80 ", "\x80"},
      {" \xFF\t", "\xFF"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(TrimBlanks(c.in), c.out) << c.in;
}

TEST(Text, UpperAsciiFoldsOnlyAToZ) {
  std::string all_other;  // every byte but a..z, NUL included
  for (int b = 0; b < 256; ++b) {
    if (b < 'a' || b > 'z') all_other.push_back(static_cast<char>(b));
  }
  const std::vector<TextCase> cases = {
      {"abc-xyz", "ABC-XYZ"}, {"", ""}, {"`az{", "`AZ{"},
      {"caf\xE9", "CAF\xE9"}, {all_other, all_other},
  };
  for (const TextCase& c : cases) EXPECT_EQ(UpperAscii(c.in), c.out) << c.in;
}

TEST(Text, FindTextGivesFirstOneBasedPositionOrZero) {
  struct Case {
    std::string sought;
    std::string searched;
    std::int32_t at;
  };
  const std::vector<Case> cases = {
      {"", "abc", 0},   {"", "", 0},      {"a", "", 0},
      {"abcd", "abc", 0}, {"b", "abcb", 2}, {"BC", "abc", 0},
      {" 0x", "Afx 0x400000", 4},         {"abc", "abc", 1},
      {"c", "abc", 3},  {"aab", "aaab", 2}, {" ", "a b", 2},
      {"\xE9", "caf\xE9", 4},             {"\xC9", "caf\xE9", 0},
      {"\x80x", "\x7Fx\x80x", 3},
  };
  for (const Case& c : cases) EXPECT_EQ(FindText(c.sought, c.searched), c.at) << c.sought << " in " << c.searched;
}

TEST(Text, LeftPartNeverReachesPastEitherEnd) {
  struct Case {
    std::string in;
    std::int32_t n;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"abc", 28, "abc"}, {"abc", 3, "abc"},         {"abc", 2, "ab"}, {"abc", 0, ""},
      {"abc", -1, ""},    {"abc", INT32_MIN, ""},    {"", 5, ""},      {"abc", INT32_MAX, "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(LeftPart(c.in, c.n), c.out) << c.in << " " << c.n;
}

TEST(Text, BufferTextStopsAtFirstNulWithinSize) {
  // Each buffer is exactly its size; the last case has a NUL only past it.
  const std::string full(257, '\xA0');
  const std::vector<TextCase> cases = {
      {"\0abc"s, ""},
      {"ab\0cd\0"s, "ab"},
      {full, full},
      {std::string(256, 'x') + "\0"s, std::string(256, 'x')},
      {"", ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(BufferText(c.in.data(), c.in.size()), c.out) << c.in.size();
  const char buffer[] = "abcdef";
  EXPECT_EQ(BufferText(buffer, 3), "abc");
}

TEST(Text, TextEqualsComparesLengthAndExactBytes) {
  struct Case {
    std::string a;
    std::string b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {"/F", "/F", true}, {"/F", "/F ", false},       {"/f", "/F", false}, {"", "", true},
      {"", " ", false},   {"\xE9", "\xC9", false},    {"/F\0"s, "/F", false},
  };
  for (const Case& c : cases) EXPECT_EQ(TextEquals(c.a, c.b), c.equal) << c.a << "|" << c.b;
}

TEST(Text, CopyTextHonoursTheBuffer) {
  struct Case {
    std::string text;
    int max_count;
    int copied;
    std::string buffer;  // bytes up to and with the NUL
  };
  const Case table[] = {
      {"Calculator", 255, 10, "Calculator\0"s},
      {std::string(300, 't'), 255, 254, std::string(254, 't') + '\0'},
      {"abc", 3, 2, "ab\0"s},
      {"abc", 1, 0, "\0"s},
      {"", 255, 0, "\0"s},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.text);
    ExpectBoundedCopy([&](char* buffer, int size) { return CopyText(c.text, buffer, size); }, c.max_count, c.copied,
                      c.buffer);
  }
  char untouched = '#';
  EXPECT_EQ(CopyText("abc", &untouched, 0), 0);
  EXPECT_EQ(untouched, '#');
}

}  // namespace
}  // namespace brisquel
