#include "platform/window_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "platform/wide_text.h"

namespace brisquel {
namespace {

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
    for (WindowHandle h : c.handles) records.push_back({h, "t" + std::to_string(h), "c", 0, 0});
    // Filled whole, and a batch at a time: the same walk, each window with
    // its own record.
    WindowTable whole, lazy;
    whole.Assign(records);
    AssignRecords(lazy, records);
    for (WindowTable* windows : {&whole, &lazy}) {
      EXPECT_EQ(Walk(*windows), c.walk);
      for (WindowHandle h : c.walk) {
        char buffer[16];
        windows->Title(h, buffer, sizeof buffer);
        EXPECT_EQ(buffer, "t" + std::to_string(h));
      }
    }
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

// GetWindowTextW's answer: the record's UTF-16 title where it has one,
// else the UTF-16 form of its UTF-8 title; and the UTF-8 form made back.
TEST(WindowTableTest, AnswersTheWideTitle) {
  const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD
  const auto Times = [](const std::string& text, int n) {
    std::string repeated;
    while (n-- > 0) repeated += text;
    return repeated;
  };
  struct Case {
    const char* name;
    WindowRecord record;
    int max_count;
    std::u16string wide;
    std::string back;  // Utf8FromUtf16(wide)
  };
  const Case cases[] = {
      {"UTF-8 title", {1, "Ж\xE6\x97\xA5 a\xF0\x9F\x98\x80", "", 0, 0}, 255, u"Ж\u65E5 a\U0001F600",
       "Ж\xE6\x97\xA5 a\xF0\x9F\x98\x80"},
      {"bytes that begin no sequence",
       {1, "a\xFF\xC3(\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80z\xE2\x82", "", 0, 0}, 255,
       u"a\uFFFD\uFFFD(\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz\uFFFD\uFFFD",
       "a" + Times(kReplacement, 2) + "(" + Times(kReplacement, 10) + "z" + Times(kReplacement, 2)},
      {"the record's own UTF-16 title", {1, "???", "", 0, 0, 0, u"\u65E5\u672C\u8A9E"}, 255,
       u"\u65E5\u672C\u8A9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {"a lone surrogate keeps a place of its own", {1, "?", "", 0, 0, 0, u"\xD800x"}, 255, u"\xD800x",
       "\xED\xA0\x80x"},
      {"cut to max_count - 1 code units", {1, "abcdef", "", 0, 0}, 4, u"abc", "abc"},
      {"unknown window", {2, "abc", "", 0, 0}, 255, u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WindowTable windows;
    windows.Assign({c.record});
    char16_t buffer[300];
    EXPECT_EQ(windows.WideTitle(1, buffer, c.max_count), static_cast<int>(c.wide.size()));
    EXPECT_EQ(std::u16string(buffer), c.wide);
    EXPECT_EQ(Utf8FromUtf16(c.wide), c.back);
  }
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
