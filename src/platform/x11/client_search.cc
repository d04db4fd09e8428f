// The client inside each top-level window the window manager does not
// list: the first window that carries WM_STATE in breadth-first order,
// topmost first within a level. Each round asks about a few more windows of
// every unfinished search, four times as many as the round before (a
// frame's client is usually its topmost child, found in the second round),
// with a bounded number of requests in flight.

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>

#include "platform/x11/desktop_reader.h"

namespace brisquel {
namespace {

// How far below a top-level window and among how many windows the search
// looks: deeper and wider than any window manager builds its frames.
constexpr int kClientSearchDepth = 8;
constexpr std::size_t kClientSearchLimit = 65536;
// Requests of one round: two per window asked about.
constexpr std::size_t kAsksPerRound = 2048;

struct Search {
  std::vector<xcb_window_t> queue;  // windows in the order they are examined
  std::vector<std::uint8_t> depths;
  std::size_t next = 0;             // the first window not yet asked about
  xcb_window_t client = XCB_WINDOW_NONE;
  bool done = false;
};

struct Ask {
  std::size_t search, place;
  xcb_get_property_cookie_t state;
  xcb_query_tree_cookie_t tree;
  bool descend;
};

void AskRound(xcb_connection_t* c, xcb_atom_t wm_state, std::vector<Search>& searches,
              std::size_t budget, std::vector<Ask>& asks) {
  for (std::size_t s = 0; s < searches.size() && asks.size() < kAsksPerRound; ++s) {
    Search& search = searches[s];
    if (search.done) continue;
    const std::size_t end = std::min(search.queue.size(), search.next + budget);
    for (std::size_t k = search.next; k < end && asks.size() < kAsksPerRound; ++k) {
      // The children are asked for at once, in case the window lacks WM_STATE.
      const bool descend = search.depths[k] < kClientSearchDepth;
      asks.push_back({s, k, xcb_get_property(c, 0, search.queue[k], wm_state, XCB_ATOM_ANY, 0, 0),
                      descend ? xcb_query_tree(c, search.queue[k]) : xcb_query_tree_cookie_t{},
                      descend});
    }
  }
}

// Reads every answer of the round, so that none stays queued.
void ReadRound(DisplayConnection& connection, std::vector<Search>& searches,
               const std::vector<Ask>& asks) {
  for (const Ask& ask : asks) {
    Search& search = searches[ask.search];
    const auto state = connection.Await<xcb_get_property_reply_t>(ask.state);
    Reply<xcb_query_tree_reply_t> tree;
    if (ask.descend) tree = connection.Await<xcb_query_tree_reply_t>(ask.tree);
    if (search.done) continue;
    search.next = ask.place + 1;
    if (!state) {
      // A window gone since it was listed: a gone top-level one is left out.
      if (ask.place == 0) {
        search.client = XCB_WINDOW_NONE;
        search.done = true;
      }
    } else if (state->type != XCB_ATOM_NONE) {
      search.client = search.queue[ask.place];
      search.done = true;
    } else if (tree) {
      const xcb_window_t* children = xcb_query_tree_children(tree.get());
      for (int n = xcb_query_tree_children_length(tree.get()); n > 0; --n) {
        if (search.queue.size() >= kClientSearchLimit) break;
        search.queue.push_back(children[n - 1]);
        search.depths.push_back(static_cast<std::uint8_t>(search.depths[ask.place] + 1));
      }
    }
    if (search.next == search.queue.size()) search.done = true;
  }
}

}  // namespace

void DesktopReader::SearchBatch(std::span<const xcb_window_t> tops,
                                std::span<xcb_window_t> clients) {
  std::vector<Search> searches(tops.size());
  for (std::size_t i = 0; i < tops.size(); ++i) {
    searches[i].queue = {tops[i]};
    searches[i].depths = {0};
    searches[i].client = tops[i];
  }
  std::vector<Ask> asks;
  for (std::size_t budget = 1;; budget = std::min(budget * 4, kClientSearchLimit)) {
    asks.clear();
    AskRound(connection_.get(), atoms_.wm_state, searches, budget, asks);
    if (asks.empty()) break;
    connection_.Flush();
    ReadRound(connection_, searches, asks);
  }
  for (std::size_t i = 0; i < tops.size(); ++i) clients[i] = searches[i].client;
}

std::vector<xcb_window_t> DesktopReader::SearchClients(const std::vector<xcb_window_t>& tops) {
  std::vector<xcb_window_t> clients(tops.size(), XCB_WINDOW_NONE);
  for (std::size_t start = 0; start < tops.size(); start += kWindowsPerBatch) {
    const std::size_t count = std::min(kWindowsPerBatch, tops.size() - start);
    SearchBatch(std::span<const xcb_window_t>(tops).subspan(start, count),
                std::span<xcb_window_t>(clients).subspan(start, count));
  }
  return clients;
}

}  // namespace brisquel
