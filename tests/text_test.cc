#include "runtime/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brisquel {
namespace {

using namespace std::string_literals;

TEST(Text, TrimBlanksRemovesOnlyBytesUpTo32AtTheEnds) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"\t ab \r", "ab"},
      {"   ", ""},
      {"", ""},
      {"a b", "a b"},
      {" a \t b ", "a \t b"},
      {"\x01\x1F" "x" "\x1F\x01", "x"},
      {"\x7F" "x" "\x7F", "\x7F" "x" "\x7F"},   // 127 is no blank
      {"\xA0" "x" "\xA0", "\xA0" "x" "\xA0"},   // no-break space stays
      {" \x80 ", "\x80"},
      {" \xFF\t", "\xFF"},
      {"\xA0", "\xA0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(std::string(TrimBlanks(c.in)), c.out);
  }
}

TEST(Text, UpperAsciiFoldsOnlyAToZ) {
  struct Case {
    std::string in;
    std::string out;
  };
  // Every byte but a..z, NUL included, must come through unchanged.
  std::string all_other;
  for (int b = 0; b < 256; ++b) {
    if (b < 'a' || b > 'z') all_other.push_back(static_cast<char>(b));
  }
  const std::vector<Case> cases = {
      {"abc-xyz", "ABC-XYZ"},
      {"", ""},
      {"`az{", "`AZ{"},
      {"caf\xE9", "CAF\xE9"},           // accented small letter kept
      {"\xE1\xF1\xFF", "\xE1\xF1\xFF"},
      {all_other, all_other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(UpperAscii(c.in), c.out);
  }
}

TEST(Text, FindTextGivesFirstOneBasedPositionOrZero) {
  struct Case {
    std::string sought;
    std::string searched;
    std::int32_t at;
  };
  const std::vector<Case> cases = {
      {"", "abc", 0},
      {"", "", 0},
      {"a", "", 0},
      {"abcd", "abc", 0},
      {"b", "abcb", 2},
      {"BC", "abc", 0},
      {" 0x", "Afx 0x400000", 4},
      {"abc", "abc", 1},
      {"c", "abc", 3},
      {"aab", "aaab", 2},
      {" ", "a b", 2},
      {"\xE9", "caf\xE9", 4},
      {"\xC9", "caf\xE9", 0},
      {"\x80x", "\x7Fx\x80x", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sought + " in " + c.searched);
    EXPECT_EQ(FindText(c.sought, c.searched), c.at);
  }
}

TEST(Text, LeftPartNeverReachesPastEitherEnd) {
  struct Case {
    std::string in;
    std::int32_t n;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"abc", 28, "abc"}, {"abc", 3, "abc"}, {"abc", 2, "ab"},
      {"abc", 0, ""},     {"abc", -1, ""},   {"abc", INT32_MIN, ""},
      {"", 5, ""},        {"abc", INT32_MAX, "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in + " " + std::to_string(c.n));
    EXPECT_EQ(std::string(LeftPart(c.in, c.n)), c.out);
  }
}

TEST(Text, BufferTextStopsAtFirstNulWithinSize) {
  struct Case {
    std::string buffer;  // exactly size bytes
    std::string out;
  };
  const std::string full(257, '\xA0');
  const std::vector<Case> cases = {
      {"\0abc"s, ""},
      {"ab\0cd\0"s, "ab"},
      {full, full},
      {std::string(256, 'x') + "\0"s, std::string(256, 'x')},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buffer.size());
    EXPECT_EQ(std::string(BufferText(c.buffer.data(), c.buffer.size())), c.out);
  }
  // A NUL just past size must not be looked for.
  const char buffer[] = "abcdef";
  EXPECT_EQ(std::string(BufferText(buffer, 3)), "abc");
}

TEST(Text, TextEqualsComparesLengthAndExactBytes) {
  struct Case {
    std::string a;
    std::string b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {"/F", "/F", true},   {"/F", "/F ", false}, {"/f", "/F", false},
      {"", "", true},       {"", " ", false},     {"\xE9", "\xC9", false},
      {"/F\0"s, "/F", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + "|" + c.b);
    EXPECT_EQ(TextEquals(c.a, c.b), c.equal);
  }
}

}  // namespace
}  // namespace brisquel
