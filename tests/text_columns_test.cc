#include "base/text_columns.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "base/text.h"
#include "platform/fake/fake_process.h"
#include "platform/posix/utf8_columns.h"
#include "runtime/format.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

using namespace std::string_literals;

const std::string kE = "\xC3\xA9";         // é, one column
const std::string kZhong = "\xE4\xB8\xAD";  // 中, East Asian wide
const std::string kGrin = "\xF0\x9F\x98\x80";  // an emoji, wide
const std::string kAcute = "\xCC\x81";      // a combining mark

struct CutCase {
  const char* name;
  std::string text;
  std::size_t max_columns;
  std::size_t max_bytes;
  std::size_t bytes;
  std::size_t columns;
};

// Each case's text cut by rule: the bytes kept and the columns they take.
void ExpectCuts(const TextColumns& rule, std::span<const CutCase> cases) {
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TextCut cut = rule.Cut(c.text, c.max_columns, c.max_bytes);
    EXPECT_EQ(cut.bytes, c.bytes);
    EXPECT_EQ(cut.columns, c.columns);
  }
}

TEST(TextColumns, Utf8CountsColumnsAndCutsOnCharacters) {
  const CutCase cases[] = {
      {"ASCII", "Calculator", kNoLimit, kNoLimit, 10, 10},
      {"empty", "", kNoLimit, kNoLimit, 0, 0},
      {"accented letter", "Caf" + kE, kNoLimit, kNoLimit, 5, 4},
      {"wide characters", kZhong + kZhong + "x", kNoLimit, kNoLimit, 7, 5},
      {"emoji", kGrin + "!", kNoLimit, kNoLimit, 5, 3},
      {"combining mark takes no column", "e" + kAcute + "x", kNoLimit, kNoLimit, 4, 2},
      {"zero-width space", "a\xE2\x80\x8B" "b", kNoLimit, kNoLimit, 5, 2},
      {"Hangul medial vowel joins its syllable", "\xE1\x84\x80\xE1\x85\xA1", kNoLimit, kNoLimit, 6, 2},
      {"soft hyphen is shown", "a\xC2\xAD" "b", kNoLimit, kNoLimit, 4, 3},
      {"invalid bytes count one each", "a\xFF\xC3(\x80", kNoLimit, kNoLimit, 5, 5},
      {"truncated sequence at the end", "a\xE4\xB8", kNoLimit, kNoLimit, 3, 3},
      {"control bytes count one", "a\x1B\x7F", kNoLimit, kNoLimit, 3, 3},
      {"C1 control counts one", "a\xC2\x9B", kNoLimit, kNoLimit, 3, 2},
      {"bidirectional override counts one", "a\xE2\x80\xAE" "b", kNoLimit, kNoLimit, 5, 3},
      {"bidirectional isolates count one each", "\xE2\x81\xA6\xE2\x81\xA9", kNoLimit, kNoLimit, 6, 2},
      {"wide character left out of the last column", "a" + kZhong, 2, kNoLimit, 1, 1},
      {"wide character fills the last two columns", "a" + kZhong, 3, kNoLimit, 4, 3},
      {"combining mark stays with its letter", "e" + kAcute + "z", 1, kNoLimit, 3, 1},
      {"byte limit inside a character", "ab" + kZhong, kNoLimit, 4, 2, 2},
      {"byte limit after a character", "ab" + kZhong, kNoLimit, 5, 5, 4},
      {"byte limit inside an emoji", kGrin + kGrin, kNoLimit, 7, 4, 2},
      {"no room", kZhong, 1, kNoLimit, 0, 0},
  };
  ExpectCuts(Utf8Columns(), cases);
}

TEST(TextColumns, SingleByteCountsBytes) {
  const CutCase cases[] = {
      {"ASCII", "Calculator", kNoLimit, kNoLimit, 10, 10},
      {"UTF-8 bytes are characters", "Caf" + kE, kNoLimit, kNoLimit, 5, 5},
      {"column limit cuts bytes", kZhong + "x", 2, kNoLimit, 2, 2},
      {"byte limit", "abcdef", kNoLimit, 4, 4, 4},
      {"both limits", "abcdef", 3, 4, 3, 3},
  };
  ExpectCuts(SingleByteColumns(), cases);
}

// The rule is the program's: chosen by the code page at start-up, and
// asked by the text copies, the cuts and the formatter alike.
TEST(TextColumns, ChosenByTheCodePage) {
  struct Case {
    std::uint32_t code_page;
    std::size_t columns;
    std::string cut;
    std::string copied;
    std::string padded;
  };
  const std::string text = "a" + kZhong + kE;  // 6 bytes
  const Case cases[] = {
      {kCpUtf8, 4, "a" + kZhong, "a", "[" + text + "    ]"},
      {1252, 6, "a\xE4\xB8", "a\xE4\xB8", "[" + text + "  ]"},
  };
  InstallUtf8Columns(Utf8Columns());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code_page);
    FakeProcess process;
    process.code_page = c.code_page;
    StartRuntime(process);
    EXPECT_EQ(ColumnsOf(text), c.columns);
    EXPECT_EQ(CutToColumns(text, 3), c.cut);
    char buffer[8];
    EXPECT_EQ(CopyText(text, buffer, 4), static_cast<int>(c.copied.size()));
    EXPECT_EQ(std::string(buffer), c.copied);
    EXPECT_EQ(FormatLine("[%-8s]", {text}), c.padded);
  }
}

}  // namespace
}  // namespace brisquel
