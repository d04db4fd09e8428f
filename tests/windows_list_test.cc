#include "winlist/windows_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_process.h"
#include "runtime/failure_kinds.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

class WindowsListTest : public ::testing::Test {
 protected:
  void SetUp() override { StartRuntime(process_); }
  FakeProcess process_;
};

std::vector<std::string> Titles(const TWindowsList& list) {
  std::vector<std::string> titles;
  for (std::int32_t i = 0; i < list.Count(); ++i) titles.emplace_back(list.Title(i));
  return titles;
}

TEST_F(WindowsListTest, KeepsTitledWindowsInWalkOrder) {
  FakeDesktop desktop;
  desktop.windows = {
      {1, "First", "C1", 10, 20, 0}, {2, "", "NoTitle", 11, 21, 0},
      {3, "Hidden", "C3", 12, 22, 0}, {4, "First", "C4", 13, 23, 1},
      {5, std::string(300, 'x'), "C5", 14, 24, 0},
  };
  const TWindowsList list(desktop);
  EXPECT_EQ(Titles(list), (std::vector<std::string>{"First", "Hidden", "First", std::string(254, 'x')}));
  EXPECT_EQ(list.HandleOf(2), 4u);
  EXPECT_EQ(list.ThreadIdOf(2), 13u);
  EXPECT_EQ(list.ProcessIdOf(2), 23u);
  EXPECT_EQ(list.ParentOf(2), 1u);
  EXPECT_EQ(list.ClassNameOf(1), "C3");
}

TEST_F(WindowsListTest, TitleLengthsAroundTheLimit) {
  for (std::size_t length : {1u, 253u, 254u, 255u, 256u, 300u}) {
    FakeDesktop desktop;
    desktop.windows = {{7, std::string(length, 't'), "C", 1, 1, 0}};
    const TWindowsList list(desktop);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Title(0).size(), std::min<std::size_t>(length, 254)) << length;
  }
}

// Entries are packed side by side in blocks: every text must come back
// whole, whatever its length and wherever a block ends, and a refresh must
// not leave any of the old ones behind.
TEST_F(WindowsListTest, ManyEntriesOfEveryLengthComeBackWhole) {
  FakeDesktop desktop;
  desktop.record_calls = false;
  std::vector<std::string> titles, classes;
  for (std::uint32_t n = 1; n <= 3000; ++n) {
    std::string title = std::to_string(n) + std::string(n % 254, static_cast<char>('a' + n % 26));
    title.resize(std::min<std::size_t>(title.size(), 254));
    std::string klass(n * 7 % 255, static_cast<char>('A' + n % 26));
    desktop.windows.push_back({n, title, klass, n, n + 1, n - 1});
    titles.push_back(title);
    classes.push_back(klass.substr(0, 254));
  }
  TWindowsList list(desktop);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(list.Count(), 3000);
    for (std::int32_t i = 0; i < list.Count(); ++i) {
      const auto n = static_cast<std::uint32_t>(i + 1);
      ASSERT_EQ(list.Title(i), titles[i]) << i;
      ASSERT_EQ(list.ClassNameOf(i), classes[i]) << i;
      ASSERT_EQ(list.HandleOf(i), n);
      ASSERT_EQ(list.ThreadIdOf(i), n);
      ASSERT_EQ(list.ProcessIdOf(i), n + 1);
      ASSERT_EQ(list.ParentOf(i), n - 1);
    }
    desktop.windows.resize(3000);
    list.Refresh();
  }
  desktop.windows.resize(1);
  list.Refresh();
  EXPECT_EQ(Titles(list), (std::vector<std::string>{titles[0]}));
}

TEST_F(WindowsListTest, CutsClassNamesBeforeTheFirstSpaceZeroX) {
  const std::pair<std::string, std::string> table[] = {
      {"Afx 0x1A2B", "Afx"},
      {"Afx 0X1A2B", "Afx 0X1A2B"},
      {" 0x1A2B", " 0x1A2B"},
      {"Word 0x", "Word"},
      {"A 0x1 B 0x2", "A"},
      {"Ab 0x", "Ab"},
      {"Plain", "Plain"},
      {"x 0x", "x"},
      {std::string(300, 'c'), std::string(254, 'c')},
  };
  for (const auto& [raw, stored] : table) {
    FakeDesktop desktop;
    desktop.windows = {{9, "T", raw, 1, 1, 0}};
    const TWindowsList list(desktop);
    EXPECT_EQ(list.ClassNameOf(0), stored) << raw;
  }
}

TEST_F(WindowsListTest, FailuresDuringTheWalk) {
  struct Case {
    const char* name;
    int fail_get_window_at;
    WindowHandle destroy;
    std::vector<std::string> titles;
  };
  const Case cases[] = {
      {"no failure", 0, 0, {"A", "B", "C", "D"}},
      {"GetWindow fails at step 2", 2, 0, {"A", "B"}},
      {"GetWindow fails at once", 1, 0, {"A"}},
      {"window 3 vanishes when reached", 0, 3, {"A", "B"}},
      {"first window vanishes", 0, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    desktop.windows = {{1, "A", "", 1, 1, 0}, {2, "B", "", 1, 1, 0},
                       {3, "C", "", 1, 1, 0}, {4, "D", "", 1, 1, 0}};
    desktop.fail_get_window_at = c.fail_get_window_at;
    desktop.destroy_at_visit = c.destroy;
    const TWindowsList list(desktop);
    EXPECT_EQ(Titles(list), c.titles);
  }
}

TEST_F(WindowsListTest, FailedCallsGiveEmptyClassAndZeroIds) {
  FakeDesktop desktop;
  desktop.windows = {{0x80000001u, "Top bit", "Klass", 0xFFFFFFFFu, 0x80000000u, 0x90000000u},
                     {2, "No class", "Klass", 5, 6, 0}};
  desktop.fail_class_of = 2;
  desktop.fail_ids_of = 0x80000001u;
  const TWindowsList list(desktop);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ThreadIdOf(0), 0u);
  EXPECT_EQ(list.ProcessIdOf(0), 0u);
  EXPECT_EQ(list.HandleOf(0), 0x80000001u);
  EXPECT_EQ(list.ParentOf(0), 0x90000000u);
  EXPECT_EQ(list.ClassNameOf(0), "Klass");
  EXPECT_EQ(list.ClassNameOf(1), "");
}

TEST_F(WindowsListTest, EmptyDesktopAndCallOrder) {
  FakeDesktop empty;
  EXPECT_EQ(TWindowsList(empty).Count(), 0);
  EXPECT_EQ(empty.calls, (std::vector<std::string>{"Find", "Ids 0", "Parent 0", "Class 0", "Text 0"}));

  FakeDesktop desktop;
  desktop.windows = {{5, "", "Untitled", 1, 1, 0}};
  const TWindowsList list(desktop);
  EXPECT_EQ(list.Count(), 0);
  // The class is read before the title, also for a window left out.
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"Find", "Ids 5", "Parent 5", "Class 5", "Text 5", "Next 5",
                                                     "Ids 0", "Parent 0", "Class 0", "Text 0"}));
}

TEST_F(WindowsListTest, IndexOutOfBoundsRaisesListError) {
  FakeDesktop desktop;
  desktop.windows = {{1, "Only", "", 1, 1, 0}};
  const TWindowsList list(desktop);
  for (std::int32_t bad : {-1, 1, 1000}) {
    try {
      (void)list.Title(bad);
      FAIL() << bad;
    } catch (const EListError& failure) {
      EXPECT_EQ(failure.Message(), "List index out of bounds");
      EXPECT_STREQ(failure.KindName(), "EListError");
    }
  }
}

}  // namespace
}  // namespace brisquel
