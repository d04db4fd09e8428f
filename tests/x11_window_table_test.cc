#include "platform/x11/window_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

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

// Fills table with records, read back one batch for all: a record's
// window is answered from the first record naming it.
void AssignRecords(WindowTable& table, const std::vector<WindowRecord>& records) {
  std::vector<WindowHandle> windows;
  for (const WindowRecord& record : records) windows.push_back(record.handle);
  table.AssignLazily(windows, records.size(), [records](std::span<const WindowHandle> asked) {
    std::vector<WindowRecord> answer;
    for (WindowHandle h : asked) {
      answer.push_back(*std::find_if(records.begin(), records.end(),
                                     [h](const WindowRecord& r) { return r.handle == h; }));
    }
    return answer;
  });
}

std::vector<WindowHandle> Walk(WindowTable& table) {
  std::vector<WindowHandle> order;
  for (WindowHandle h = table.First(); h != 0; h = table.Next(h)) order.push_back(h);
  return order;
}

TEST(WindowTableTest, WalksInOrderAndEndsOnRepeatedHandles) {
  struct Case {
    std::vector<WindowHandle> handles;
    std::vector<WindowHandle> walk;
  };
  const Case table[] = {
      {{}, {}},
      {{0x400001}, {0x400001}},
      {{0x400003, 0x400001, 0x400002}, {0x400003, 0x400001, 0x400002}},
      {{5, 6, 5, 7}, {5, 6, 7}},  // a repeat keeps its first place
      {{0, 8}, {8}},              // 0 would end the walk early
      {{0xFFFFFFFF, 1}, {0xFFFFFFFF, 1}},
  };
  for (const Case& c : table) {
    std::vector<WindowRecord> records;
    for (WindowHandle h : c.handles) records.push_back({h, "t", "c", 0, 0});
    WindowTable windows;
    AssignRecords(windows, records);
    EXPECT_EQ(Walk(windows), c.walk);
  }
}

TEST(WindowTableTest, AnswersEachCallFromItsRecord) {
  WindowTable windows;
  AssignRecords(windows, {{0x400001, "Calculator", "Calculator", 0x1234, 0},
                          {0x400002, "About", "Dialog", 0, 0x400001}});
  char buffer[256];
  std::uint32_t pid = 99;

  EXPECT_EQ(windows.Title(0x400001, buffer, 255), 10);
  EXPECT_STREQ(buffer, "Calculator");
  EXPECT_EQ(windows.ThreadProcessId(0x400001, &pid), 0x1234u);
  EXPECT_EQ(pid, 0x1234u);
  EXPECT_EQ(windows.Parent(0x400001), 0u);

  // A process that is not known: 0 returned, nothing stored.
  pid = 99;
  EXPECT_EQ(windows.ThreadProcessId(0x400002, &pid), 0u);
  EXPECT_EQ(pid, 99u);
  EXPECT_EQ(windows.Parent(0x400002), 0x400001u);
  EXPECT_EQ(windows.ClassName(0x400002, buffer, 255), 6);
  EXPECT_STREQ(buffer, "Dialog");

  // A handle not in the batch fails every call, as a vanished window does.
  EXPECT_EQ(windows.Title(0x500000, buffer, 255), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(windows.ClassName(0x500000, buffer, 255), 0);
  EXPECT_EQ(windows.ThreadProcessId(0x500000, &pid), 0u);
  EXPECT_EQ(windows.Parent(0x500000), 0u);
  EXPECT_EQ(windows.Next(0x500000), 0u);
  EXPECT_EQ(windows.Next(0x400002), 0u);

  // A new batch replaces the old one whole.
  AssignRecords(windows, {{0x400003, "New", "", 0, 0}});
  EXPECT_EQ(Walk(windows), std::vector<WindowHandle>{0x400003});
  EXPECT_EQ(windows.Title(0x400001, buffer, 255), 0);
}

TEST(WindowTableTest, ReadsBatchesAsTheWalkReachesThem) {
  struct Case {
    std::vector<WindowHandle> windows;
    std::vector<WindowHandle> gone;
    std::size_t batch;
    std::vector<WindowHandle> walk;
    std::vector<std::vector<WindowHandle>> loads;  // the windows of each load, in order
  };
  const Case table[] = {
      {{}, {}, 2, {}, {}},
      {{1, 2, 3, 4, 5}, {}, 2, {1, 2, 3, 4, 5}, {{1, 2}, {3, 4}, {5}}},
      {{1, 2, 3, 4, 5}, {2, 3, 4}, 2, {1, 5}, {{1, 2}, {3, 4}, {5}}},   // gone ones skipped
      {{1, 2, 3}, {1, 2, 3}, 5, {}, {{1, 2, 3}}},
      {{7, 8, 7, 0, 9}, {}, 10, {7, 8, 9}, {{7, 8, 9}}},               // repeats and 0 dropped
  };
  for (const Case& c : table) {
    std::vector<std::vector<WindowHandle>> loads;
    WindowTable windows;
    windows.AssignLazily(c.windows, c.batch, [&](std::span<const WindowHandle> asked) {
      loads.emplace_back(asked.begin(), asked.end());
      std::vector<WindowRecord> records;
      for (WindowHandle h : asked) {
        const bool gone = std::find(c.gone.begin(), c.gone.end(), h) != c.gone.end();
        records.push_back({gone ? 0 : h, "t" + std::to_string(h), "c", h * 10, 0});
      }
      return records;
    });
    std::vector<WindowHandle> walk;
    char buffer[16];
    for (WindowHandle h = windows.First(); h != 0; h = windows.Next(h)) {
      walk.push_back(h);
      ASSERT_EQ(windows.Title(h, buffer, sizeof buffer), static_cast<int>(1 + std::to_string(h).size()));
      EXPECT_EQ(buffer, "t" + std::to_string(h));
    }
    EXPECT_EQ(walk, c.walk);
    EXPECT_EQ(loads, c.loads);
  }
}

TEST(WindowTableTest, AnEarlierWindowIsReadAgainWithItsBatch) {
  std::vector<WindowHandle> loaded;
  WindowTable windows;
  windows.AssignLazily({1, 2, 3}, 1, [&](std::span<const WindowHandle> asked) {
    loaded.push_back(asked[0]);
    return std::vector<WindowRecord>{{asked[0], "t", "", 0, asked[0] == 2 ? 1u : 0u}};
  });
  EXPECT_EQ(windows.Parent(2), 1u);
  EXPECT_EQ(windows.Parent(1), 0u);
  EXPECT_EQ(windows.Parent(2), 1u);
  EXPECT_EQ(windows.Parent(4), 0u);  // not a window of the walk: nothing read
  EXPECT_EQ(loaded, (std::vector<WindowHandle>{2, 1, 2}));
}

}  // namespace
}  // namespace brisquel
