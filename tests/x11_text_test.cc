#include "platform/x11/x11_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace brisquel {
namespace {

using namespace std::string_literals;

TEST(X11TextTest, Latin1BecomesUtf8) {
  const std::pair<std::string, std::string> table[] = {
      {"", ""},
      {"plain ASCII", "plain ASCII"},
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x80\xA0\xFF", "\xC2\x80\xC2\xA0\xC3\xBF"},
      {"\x7F\x01", "\x7F\x01"},
  };
  for (const auto& [latin1, utf8] : table) EXPECT_EQ(Latin1ToUtf8(latin1), utf8) << latin1;
}

TEST(X11TextTest, ClassPartOfWmClass) {
  const std::pair<std::string, std::string> table[] = {
      {"xterm\0XTerm\0"s, "XTerm"},
      {"xterm\0XTerm"s, "XTerm"},        // no closing NUL
      {"xterm\0\0"s, "xterm"},           // empty class: the instance
      {"xterm"s, "xterm"},               // instance alone
      {"\0XTerm\0"s, "XTerm"},
      {""s, ""},
      {"\0\0"s, ""},
      {"a\0Afx 0x1A\0extra\0"s, "Afx 0x1A"},  // cut later, by the snapshot
  };
  for (const auto& [wm_class, klass] : table) EXPECT_EQ(ClassPart(wm_class), klass) << wm_class;
}

TEST(X11TextTest, EachEncodingBecomesUtf8) {
  struct Case {
    TextEncoding encoding;
    std::string bytes, utf8;
  };
  const Case table[] = {
      {TextEncoding::kLatin1, "caf\xE9", "caf\xC3\xA9"},
      {TextEncoding::kUtf8, "caf\xC3\xA9", "caf\xC3\xA9"},
      {TextEncoding::kUtf8, "bad \xFF kept", "bad \xFF kept"},  // passed through as sent
      {TextEncoding::kCompoundText, "caf\xE9", "caf\xC3\xA9"},    // Latin-1 in force at the start
  };
  for (const Case& c : table) EXPECT_EQ(TextToUtf8(c.encoding, c.bytes), c.utf8) << c.bytes;
}

TEST(X11TextTest, CompoundTextSegments) {
  const std::pair<std::string, std::string> table[] = {
      {"", ""},
      {"plain", "plain"},
      {"\x1B-A\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},                      // Latin-1 right half designated
      {"a\x1B-B\xE9\xB1z", "a?" "?z"},                                   // Latin-2: one '?' a character
      {"\x1B$)A\xC4\xE3\xBA\xC3!", "?" "?!"},                            // GB 2312, two bytes a character
      {"\x1B$(B\x30\x21\x1B(B ok", "? ok"},                           // JIS X 0208 on the left, then ASCII
      {"\x1B(Jyen", "???"},                                          // JIS Roman is not ASCII
      {"x\x1B%G\xE2\x9C\x93\x1B%@y", "x\xE2\x9C\x93y"},               // UTF-8 switched in and out
      {"\x1B%/1\x80\x8AUTF-8\x02\xC3\xA9\xC3\xA9z", "\xC3\xA9\xC3\xA9z"},  // extended segment, UTF-8
      {"\x1B%/2\x80\x89" "big5-0\x02\xA4\xA4!", "?!"},                 // extended segment, 2 bytes a character
      {"\x9B" "2]rtl\x9B]", "rtl"},                                   // direction marks dropped
      {"tab\tnew\nline", "tab\tnew\nline"},
      {"\x85x", "?x"},                                                // a C1 control
      {"cut\x1B$", "cut"},                                            // cut inside a designation
      {"cut\x1B%/1\x80", "cut"},                                      // cut inside an extended segment
      {"cut\x1B%/1\x80\x90UTF-8\x02\xC3\xA9", "cut\xC3\xA9"},         // segment longer than the text
  };
  for (const auto& [compound, utf8] : table) EXPECT_EQ(CompoundTextToUtf8(compound), utf8) << compound;
}

}  // namespace
}  // namespace brisquel
