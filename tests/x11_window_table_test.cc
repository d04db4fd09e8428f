#include "platform/x11/window_table.h"

#include <gtest/gtest.h>

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
    windows.Assign(records);
    EXPECT_EQ(Walk(windows), c.walk);
  }
}

TEST(WindowTableTest, AnswersEachCallFromItsRecord) {
  WindowTable windows;
  windows.Assign({{0x400001, "Calculator", "Calculator", 0x1234, 0},
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
  windows.Assign({{0x400003, "New", "", 0, 0}});
  EXPECT_EQ(Walk(windows), std::vector<WindowHandle>{0x400003});
  EXPECT_EQ(windows.Title(0x400001, buffer, 255), 0);
}

}  // namespace
}  // namespace brisquel
