#include "platform/wayland/toplevel_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brisquel {
namespace {

// One protocol event for a toplevel: a(nnounce), t(itle), i (app_id),
// p(arent), d(one), c(losed).
struct Event {
  char kind;
  WindowHandle toplevel;
  std::string text = {};
  WindowHandle parent = 0;
};

struct Walked {
  WindowHandle handle;
  std::string title;
  std::string class_name;
  WindowHandle parent;
  bool operator==(const Walked&) const = default;
};

void Apply(ToplevelTable& table, const std::vector<Event>& events) {
  for (const Event& e : events) {
    switch (e.kind) {
      case 'a': table.Announce(e.toplevel); break;
      case 't': table.SetTitle(e.toplevel, e.text); break;
      case 'i': table.SetAppId(e.toplevel, e.text); break;
      case 'p': table.SetParent(e.toplevel, e.parent); break;
      case 'd': table.Done(e.toplevel); break;
      case 'c': table.Close(e.toplevel); break;
    }
  }
}

// The window table the backend serves the walk from.
WindowTable Served(const ToplevelTable& toplevels) {
  WindowTable table;
  table.Assign(toplevels.Records());
  return table;
}

// The walk as the snapshot makes it: First, then Next until 0, reading each
// window's title, class name and parent with the snapshot's buffer sizes.
std::vector<Walked> Walk(const ToplevelTable& toplevels) {
  WindowTable table = Served(toplevels);
  std::vector<Walked> walked;
  for (WindowHandle h = table.First(); h != 0 && walked.size() < 100; h = table.Next(h)) {
    char title[257] = {}, class_name[256] = {};
    table.Title(h, title, 255);
    table.ClassName(h, class_name, 255);
    walked.push_back({h, title, class_name, table.Parent(h)});
  }
  return walked;
}

TEST(WaylandToplevelTableTest, WalkFollowsTheEvents) {
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<Walked> walk;
  };
  const Case table[] = {
      {"nothing announced", {}, {}},
      {"announcement order, not id order",
       {{'a', 9}, {'t', 9, "Nine"}, {'d', 9}, {'a', 4}, {'t', 4, "Four"}, {'i', 4, "four"}, {'d', 4}},
       {{9, "Nine", "", 0}, {4, "Four", "four", 0}}},
      {"no done yet: not walked",
       {{'a', 3}, {'t', 3, "Pending"}, {'a', 5}, {'t', 5, "Done"}, {'d', 5}},
       {{5, "Done", "", 0}}},
      {"changes after done wait for the next done",
       {{'a', 3}, {'t', 3, "Old"}, {'i', 3, "old"}, {'d', 3}, {'t', 3, "New"}},
       {{3, "Old", "old", 0}}},
      {"the next done applies them",
       {{'a', 3}, {'t', 3, "Old"}, {'d', 3}, {'t', 3, "New"}, {'i', 3, "app"}, {'d', 3}},
       {{3, "New", "app", 0}}},
      {"parent, and parent cleared",
       {{'a', 3}, {'d', 3}, {'a', 4}, {'p', 4, "", 3}, {'d', 4}, {'a', 5}, {'p', 5, "", 3},
        {'d', 5}, {'p', 5, "", 0}, {'d', 5}},
       {{3, "", "", 0}, {4, "", "", 3}, {5, "", "", 0}}},
      {"closed toplevels leave the walk",
       {{'a', 3}, {'t', 3, "A"}, {'d', 3}, {'a', 4}, {'t', 4, "B"}, {'d', 4}, {'c', 3}},
       {{4, "B", "", 0}}},
      {"an id reused after close is a new toplevel, placed last",
       {{'a', 3}, {'t', 3, "First"}, {'d', 3}, {'a', 4}, {'t', 4, "Other"}, {'d', 4}, {'c', 3},
        {'a', 3}, {'t', 3, "Second"}, {'d', 3}},
       {{4, "Other", "", 0}, {3, "Second", "", 0}}},
      {"an id announced twice without close: the newer one counts",
       {{'a', 3}, {'t', 3, "Older"}, {'d', 3}, {'a', 3}, {'t', 3, "Newer"}, {'d', 3}},
       {{3, "Newer", "", 0}}},
      {"events for unknown or closed ids change nothing",
       {{'a', 3}, {'t', 3, "Kept"}, {'d', 3}, {'t', 8, "Stray"}, {'d', 8}, {'c', 3}, {'t', 3, "X"},
        {'d', 3}, {'c', 3}},
       {}},
      {"empty and long titles are kept as they are: the snapshot cuts and skips",
       {{'a', 3}, {'t', 3, ""}, {'d', 3}, {'a', 4}, {'t', 4, std::string(300, 'L')}, {'d', 4}},
       {{3, "", "", 0}, {4, std::string(254, 'L'), "", 0}}},
  };
  for (const Case& c : table) {
    ToplevelTable toplevels;
    Apply(toplevels, c.events);
    EXPECT_EQ(Walk(toplevels), c.walk) << c.name;
  }
}

TEST(WaylandToplevelTableTest, UnknownHandlesFailEveryCall) {
  ToplevelTable toplevels;
  Apply(toplevels, {{'a', 3}, {'t', 3, "T"}, {'i', 3, "app"}, {'p', 3, "", 7}, {'d', 3}, {'a', 4}});
  WindowTable windows = Served(toplevels);
  for (WindowHandle unknown : {0u, 4u, 5u}) {  // 4: announced, never done
    char buffer[8] = "#######";
    EXPECT_EQ(windows.Title(unknown, buffer, 8), 0) << unknown;
    EXPECT_EQ(buffer[0], '\0') << unknown;
    EXPECT_EQ(windows.ClassName(unknown, buffer, 8), 0) << unknown;
    EXPECT_EQ(windows.Parent(unknown), 0u) << unknown;
    EXPECT_EQ(windows.Next(unknown), 0u) << unknown;
  }
  EXPECT_EQ(windows.Next(3), 0u);
}

TEST(WaylandToplevelTableTest, SettledCountsDoneAndClosed) {
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::size_t count;
    bool settled;
  };
  const Case table[] = {
      {"none", {}, 0, true},
      {"one done", {{'a', 3}, {'d', 3}}, 1, true},
      {"second not done", {{'a', 3}, {'d', 3}, {'a', 4}}, 2, false},
      {"only the first asked", {{'a', 3}, {'d', 3}, {'a', 4}}, 1, true},
      {"closed before done", {{'a', 3}, {'c', 3}}, 1, true},
      {"count past the end", {{'a', 3}, {'d', 3}}, 5, true},
  };
  for (const Case& c : table) {
    ToplevelTable toplevels;
    Apply(toplevels, c.events);
    EXPECT_EQ(toplevels.SettledUpTo(c.count), c.settled) << c.name;
  }
}

}  // namespace
}  // namespace brisquel
