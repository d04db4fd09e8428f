#include "platform/kde/kde_window_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brisquel {
namespace {

struct Walked {
  WindowHandle handle;
  std::uint32_t parent;
  bool operator==(const Walked&) const = default;
};

// Windows 10, 11, 12, 13 (uuids "a".."d"), all described; 12 is 11's
// dialog; then the stacking order, if any, and what is unmapped.
struct Case {
  const char* name;
  std::vector<std::uint32_t> by_id;       // bottom first; empty: none
  std::vector<std::string> by_uuid;       // bottom first; empty: none
  std::vector<std::size_t> unmapped;      // places
  std::vector<Walked> want;               // topmost first
};

TEST(KdeWindowList, WalksTopmostFirstAndLosesNoWindow) {
  const Case cases[] = {
      {"no order: newest first", {}, {}, {}, {{13, 0}, {12, 11}, {11, 0}, {10, 0}}},
      {"by ids", {12, 10, 13, 11}, {}, {}, {{11, 0}, {13, 0}, {10, 0}, {12, 11}}},
      {"by uuids", {}, {"d", "a", "b", "c"}, {}, {{12, 11}, {11, 0}, {10, 0}, {13, 0}}},
      {"unknown names skipped, the unstacked follow newest first", {99, 11}, {}, {}, {{11, 0}, {13, 0}, {12, 11}, {10, 0}}},
      {"unmapped left out", {10, 11, 12, 13}, {}, {1}, {{13, 0}, {12, 11}, {10, 0}}},
  };
  for (const Case& c : cases) {
    KdeWindowList list;
    const char* uuids[] = {"a", "b", "c", "d"};
    for (std::uint32_t i = 0; i < 4; ++i) list.Announce(10 + i, uuids[i]);
    list.Announce(11, "again");  // repeated: ignored
    ASSERT_EQ(list.Count(), 4u);
    for (std::size_t place = 0; place < 4; ++place) list.Describe(place);
    list.SetParent(2, 1);
    list.SetParent(0, 4);  // none
    if (!c.by_id.empty()) list.StackById(c.by_id);
    if (!c.by_uuid.empty()) list.StackByUuid(c.by_uuid);
    for (const std::size_t place : c.unmapped) list.Unmap(place);
    std::vector<Walked> walked;
    for (const WindowRecord& record : list.Records()) walked.push_back({record.handle, record.parent});
    EXPECT_EQ(walked, c.want) << c.name;
  }
}

TEST(KdeWindowList, WalksOnlyDescribedWindowsWithTheirFields) {
  KdeWindowList list;
  list.Announce(7, "");
  list.Announce(8, "");
  list.SetTitle(0, "Konsole");
  list.SetAppId(0, "org.kde.konsole");
  list.SetPid(0, 4242);
  list.Describe(0);
  const std::vector<WindowRecord> records = list.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].handle, 7u);
  EXPECT_EQ(records[0].title, "Konsole");
  EXPECT_EQ(records[0].class_name, "org.kde.konsole");
  EXPECT_EQ(records[0].process_id, 4242u);
  EXPECT_FALSE(records[0].thread_id.has_value());
}

// Windows 10, 11, 12, 13; the stacking order by ids, if any; which windows
// said all they know and which unmapped; the order their objects are asked
// for in, and how many windows the order names that cannot be walked.
struct AskCase {
  const char* name;
  std::vector<std::uint32_t> by_id;  // bottom first; empty: none
  std::vector<std::size_t> silent;   // places never described
  std::vector<std::size_t> unmapped; // places
  std::vector<std::size_t> asked;
  std::size_t unread;
};

TEST(KdeWindowList, AsksBottomFirstAndCountsWhatTheOrderNamesUnread) {
  const AskCase cases[] = {
      {"no order: as announced", {}, {}, {}, {0, 1, 2, 3}, 0},
      {"the stacked bottom first, then the rest as announced", {12, 10}, {}, {}, {2, 0, 1, 3}, 0},
      {"an unknown name is unread", {99, 11}, {}, {}, {1, 0, 2, 3}, 1},
      {"a silent or unmapped stacked window is unread", {10, 11, 12}, {0}, {1}, {0, 1, 2, 3}, 2},
      {"an unstacked one is not", {10, 11, 12}, {3}, {3}, {0, 1, 2, 3}, 0},
  };
  for (const AskCase& c : cases) {
    KdeWindowList list;
    for (std::uint32_t i = 0; i < 4; ++i) list.Announce(10 + i, "");
    if (!c.by_id.empty()) list.StackById(c.by_id);
    EXPECT_EQ(list.TakeUnasked(), c.asked) << c.name;
    for (std::size_t place = 0; place < 4; ++place) {
      if (std::find(c.silent.begin(), c.silent.end(), place) == c.silent.end()) list.Describe(place);
    }
    for (const std::size_t place : c.unmapped) list.Unmap(place);
    EXPECT_EQ(list.Unread(), c.unread) << c.name;
    list.Announce(14, "");
    EXPECT_EQ(list.TakeUnasked(), std::vector<std::size_t>{4}) << c.name << ": only the new window is asked for";
  }
}

}  // namespace
}  // namespace brisquel
