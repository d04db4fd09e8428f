#include "reports/text_matcher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/text.h"

namespace brisquel {
namespace {

// What the search's loop over texts gives for one title.
std::vector<std::uint32_t> Naive(const std::vector<std::string>& texts, const std::string& title) {
  std::vector<std::uint32_t> found;
  const std::string searched = UpperAscii(TrimBlanks(title));
  for (std::size_t t = 0; t < texts.size(); ++t) {
    if (FindText(texts[t], searched) != 0) found.push_back(static_cast<std::uint32_t>(t));
  }
  return found;
}

TEST(TextMatcher, AgreesWithTheLoopOverTexts) {
  const std::vector<std::string> texts = {"CALC", "", "A B", "CALC", "ALCU", "LATOR", "\xC9T\xC9", "\xE9", "AB",
                                          "B",    "ABAB", "BA", "X", std::string(255, 'Q'), "Q", "1/2", "%S%N"};
  const std::vector<std::string> titles = {
      "Calculator", "  calculator  ", "a b", "A  B", "ab", "abab", "xAbAbAx", "\xE9t\xE9", "\xC9T\xC9 x",
      std::string(254, 'q'), "", " ", "1/2 done", "%s%n%x", "\t a b \r", "BABA"};
  TextMatcher matcher(texts);
  std::vector<std::uint32_t> found;
  for (const std::string& title : titles) {
    matcher.Find(title, found);
    EXPECT_EQ(found, Naive(texts, title)) << title;
  }
}

TEST(TextMatcher, RandomTextsAndTitles) {
  std::mt19937 random(1234);
  const std::string alphabet = "abAB \t\x80\xFF";
  auto make = [&](std::size_t max) {
    std::string s(random() % max, ' ');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> texts;
    for (int i = 0; i < 8; ++i) texts.push_back(UpperAscii(TrimBlanks(make(5))));
    TextMatcher matcher(texts);
    std::vector<std::uint32_t> found;
    for (int i = 0; i < 20; ++i) {
      const std::string title = make(30);
      matcher.Find(title, found);
      ASSERT_EQ(found, Naive(texts, title)) << "round " << round << " title [" << title << "]";
    }
  }
}

TEST(TextMatcher, TooManyTextsForAnAutomatonStillMatch) {
  // 200 texts of 254 bytes over 200 different bytes: too large a table, so
  // the texts are searched one by one.
  std::vector<std::string> texts;
  for (int t = 0; t < 200; ++t) {
    std::string text(254, ' ');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(40 + (t + i) % 200);
    texts.push_back(UpperAscii(text));
  }
  texts.push_back("ABC");
  TextMatcher matcher(texts);
  std::vector<std::uint32_t> found;
  for (const std::string& title : {std::string("xxabcxx"), texts[7], std::string("nothing")}) {
    matcher.Find(title, found);
    EXPECT_EQ(found, Naive(texts, title));
  }
}

}  // namespace
}  // namespace brisquel
