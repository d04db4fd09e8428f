// The top-level windows of an X desktop. The root's children are the
// top-level windows in stacking order; under a window manager most are
// frames, and each frame stands for the client window inside it. The
// clients come from the window manager's stacking list where it keeps one;
// every other child of the root is searched for a window carrying WM_STATE.
//
// Which frame holds which listed client is known without a question per
// client when the window manager's own children of the root (those its
// connection made, less its check window) are as many as its clients: the
// frames then stand in the list's order, and only the clients beside each
// other window of the root are asked where they are, to place those
// windows exactly (and every so many more, to see the list is in step).
// Otherwise one QueryTree per client finds its frame.

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/x11/desktop_reader.h"

namespace brisquel {
namespace {

// How far above a listed client its frame may lie: window managers put the
// client one or two levels inside it.
constexpr int kFrameDepth = 8;

// Where the frames are taken in the client list's order, every so many of
// them are asked where they are, beside the ones next to unmanaged windows.
constexpr std::size_t kListSample = 64;

// The longest window list asked for, in 32-bit units.
constexpr std::uint32_t kMaxListedClients = 1u << 20;

}  // namespace

std::vector<xcb_window_t> DesktopReader::RootChildren() {
  xcb_connection_t* c = connection_.get();
  // X-Resource's presence comes back with the atoms, in the same trip.
  xcb_prefetch_extension_data(c, &xcb_res_id);
  static constexpr std::string_view kNames[] = {"WM_STATE", "_NET_WM_NAME", "UTF8_STRING",
                                                "_NET_WM_PID", "_NET_CLIENT_LIST_STACKING",
                                                "COMPOUND_TEXT", "_NET_SUPPORTING_WM_CHECK",
                                                "_MUTTER_FRAME_FOR"};
  xcb_atom_t* targets[] = {&atoms_.wm_state, &atoms_.net_wm_name, &atoms_.utf8_string,
                           &atoms_.net_wm_pid, &atoms_.client_list_stacking,
                           &atoms_.compound_text, &atoms_.supporting_wm_check,
                           &atoms_.mutter_frame_for};
  xcb_intern_atom_cookie_t cookies[std::size(kNames)];
  // only_if_exists: reading the desktop must not create atoms on it.
  for (std::size_t i = 0; i < std::size(kNames); ++i) {
    cookies[i] = xcb_intern_atom(c, 1, static_cast<std::uint16_t>(kNames[i].size()),
                                 kNames[i].data());
  }
  const auto tree_cookie = xcb_query_tree(c, connection_.Root());
  const auto attributes_cookie = xcb_get_window_attributes(c, connection_.Root());
  connection_.Flush();
  for (std::size_t i = 0; i < std::size(kNames); ++i) {
    const auto reply = connection_.Await<xcb_intern_atom_reply_t>(cookies[i]);
    if (!reply) connection_.Fail();
    *targets[i] = reply->atom;
  }
  const auto tree = connection_.Await<xcb_query_tree_reply_t>(tree_cookie);
  const auto attributes = connection_.Await<xcb_get_window_attributes_reply_t>(attributes_cookie);
  if (!tree || !attributes) connection_.Fail();
  // Only a window manager redirects the root's substructure; without one
  // there are no frames and nothing to search.
  managed_ = (attributes->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT) != 0;
  {
    // Its answer came before the ones just read, so this does not wait.
    Watchdog watchdog;
    errno = 0;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_res_id);
    // No answer at all, even "not present", on a sound connection: xcb
    // could not keep it.
    if (extension == nullptr) connection_.Fail(ENOMEM);
    has_resource_ = extension->present;
  }
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int count = xcb_query_tree_children_length(tree.get());
  // The server lists the root's children bottom first; the walk goes top first.
  return std::vector<xcb_window_t>(std::make_reverse_iterator(children + count),
                                   std::make_reverse_iterator(children));
}

std::vector<xcb_window_t> DesktopReader::ListedClients(xcb_window_t& check) {
  check = XCB_WINDOW_NONE;
  if (atoms_.client_list_stacking == XCB_ATOM_NONE) return {};
  xcb_connection_t* c = connection_.get();
  const auto cookie = xcb_get_property(c, 0, connection_.Root(), atoms_.client_list_stacking,
                                       XCB_ATOM_WINDOW, 0, kMaxListedClients);
  const bool has_check = atoms_.supporting_wm_check != XCB_ATOM_NONE;
  xcb_get_property_cookie_t check_cookie{};
  if (has_check) {
    check_cookie = xcb_get_property(c, 0, connection_.Root(), atoms_.supporting_wm_check,
                                    XCB_ATOM_WINDOW, 0, 1);
  }
  connection_.Flush();
  const auto list = connection_.Await<xcb_get_property_reply_t>(cookie);
  if (!list) connection_.Fail();  // the root cannot go
  if (has_check) {
    const auto reply = connection_.Await<xcb_get_property_reply_t>(check_cookie);
    if (!reply) connection_.Fail();
    if (reply->format == 32 && reply->value_len == 1) {
      check = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    }
  }
  if (list->format != 32 || list->type != XCB_ATOM_WINDOW) return {};
  const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
  const auto count = static_cast<std::size_t>(xcb_get_property_value_length(list.get())) / 4;
  // The list goes bottom first, as the root's children do.
  return std::vector<xcb_window_t>(std::make_reverse_iterator(windows + count),
                                   std::make_reverse_iterator(windows));
}

std::vector<xcb_window_t> DesktopReader::FramesInListOrder(const std::vector<xcb_window_t>& listed,
                                                           const std::vector<xcb_window_t>& tops,
                                                           const std::vector<xcb_window_t>& sorted_tops,
                                                           xcb_window_t check) {
  if (check == XCB_WINDOW_NONE || listed.empty()) return {};
  const std::uint32_t client_bits = ~xcb_get_setup(connection_.get())->resource_id_mask;
  const std::uint32_t manager = check & client_bits;
  auto own = [&](xcb_window_t window) { return (window & client_bits) == manager && window != check; };
  std::vector<std::size_t> slots;  // places in tops of the manager's own windows
  for (std::size_t i = 0; i < tops.size(); ++i) {
    if (own(tops[i])) slots.push_back(i);
  }
  if (slots.size() != listed.size()) return {};
  // Each client listed once, none of them the manager's own nor a child of
  // the root itself (one the manager left unframed): else ask.
  std::vector<xcb_window_t> sorted_listed = listed;
  std::sort(sorted_listed.begin(), sorted_listed.end());
  if (std::adjacent_find(sorted_listed.begin(), sorted_listed.end()) != sorted_listed.end()) return {};
  for (xcb_window_t client : listed) {
    if ((client & client_bits) == manager) return {};
    if (std::binary_search(sorted_tops.begin(), sorted_tops.end(), client)) return {};
  }
  // The k-th frame holds the k-th client. Tried on the clients next to each
  // other window of the root, above and below it, on the topmost and the
  // lowest, and on every kListSample-th, so that the list and the frames
  // cannot be out of step for long unseen.
  std::vector<std::size_t> tried;  // indexes into slots and listed
  std::size_t k = 0;
  for (std::size_t i = 0; i < tops.size(); ++i) {
    if (k < slots.size() && slots[k] == i) {
      ++k;
      continue;
    }
    if (k > 0) tried.push_back(k - 1);
    if (k < slots.size()) tried.push_back(k);
  }
  for (std::size_t t = 0; t < slots.size(); t += kListSample) tried.push_back(t);
  tried.push_back(slots.size() - 1);
  std::sort(tried.begin(), tried.end());
  tried.erase(std::unique(tried.begin(), tried.end()), tried.end());
  std::vector<xcb_window_t> clients;
  clients.reserve(tried.size());
  for (std::size_t t : tried) clients.push_back(listed[t]);
  const std::vector<xcb_window_t> found = FramesOf(clients, sorted_tops);
  for (std::size_t n = 0; n < tried.size(); ++n) {
    if (found[n] != tops[slots[tried[n]]]) return {};
  }
  std::vector<xcb_window_t> frames(listed.size());
  for (std::size_t n = 0; n < listed.size(); ++n) frames[n] = tops[slots[n]];
  return frames;
}

std::vector<xcb_window_t> DesktopReader::FramesOf(const std::vector<xcb_window_t>& windows,
                                                  const std::vector<xcb_window_t>& sorted_tops) {
  // A window known to be a child of the root needs no question.
  auto is_top = [&](xcb_window_t window) {
    return std::binary_search(sorted_tops.begin(), sorted_tops.end(), window);
  };
  std::vector<xcb_window_t> frames(windows.size(), XCB_WINDOW_NONE);
  std::vector<xcb_window_t> at = windows;  // each window's ancestor reached so far
  std::vector<std::size_t> pending;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (is_top(windows[i])) frames[i] = windows[i];
    else pending.push_back(i);
  }
  std::vector<xcb_query_tree_cookie_t> cookies;
  for (int level = 0; level < kFrameDepth && !pending.empty(); ++level) {
    std::vector<std::size_t> higher;
    for (std::size_t start = 0; start < pending.size(); start += kWindowsPerBatch) {
      const std::size_t end = std::min(pending.size(), start + kWindowsPerBatch);
      cookies.clear();
      for (std::size_t k = start; k < end; ++k) {
        cookies.push_back(xcb_query_tree(connection_.get(), at[pending[k]]));
      }
      connection_.Flush();
      for (std::size_t k = start; k < end; ++k) {
        const auto tree = connection_.Await<xcb_query_tree_reply_t>(cookies[k - start]);
        if (!tree) continue;  // gone
        const std::size_t i = pending[k];
        if (tree->parent == connection_.Root() || tree->parent == XCB_WINDOW_NONE) {
          frames[i] = at[i];
        } else if (is_top(tree->parent)) {
          frames[i] = tree->parent;
        } else {
          at[i] = tree->parent;
          higher.push_back(i);
        }
      }
    }
    pending.swap(higher);
  }
  return frames;
}

namespace {

// order, with each frame of named (frame, client; sorted by frame) put as
// the client it names, or left out where that client has a place of its
// own in order.
std::vector<WindowHandle> PutClientsForFrames(const std::vector<WindowHandle>& order,
                                              const std::vector<std::pair<xcb_window_t, xcb_window_t>>& named) {
  std::vector<WindowHandle> placed = order;
  std::sort(placed.begin(), placed.end());
  std::vector<WindowHandle> kept;
  kept.reserve(order.size());
  for (WindowHandle window : order) {
    const auto frame = std::lower_bound(named.begin(), named.end(), window,
                                        [](const auto& pair, WindowHandle w) { return pair.first < w; });
    if (frame == named.end() || frame->first != window) {
      kept.push_back(window);
    } else if (!std::binary_search(placed.begin(), placed.end(), WindowHandle{frame->second})) {
      kept.push_back(frame->second);
    }
  }
  return kept;
}

}  // namespace

std::vector<WindowHandle> DesktopReader::TopLevelWindows() {
  const std::vector<xcb_window_t> tops = RootChildren();
  if (!managed_ || atoms_.wm_state == XCB_ATOM_NONE) return tops;
  // Each listed client under its frame, topmost first when several share one.
  xcb_window_t check = XCB_WINDOW_NONE;
  const std::vector<xcb_window_t> listed = ListedClients(check);
  std::vector<xcb_window_t> sorted_tops = tops;
  std::sort(sorted_tops.begin(), sorted_tops.end());
  std::vector<xcb_window_t> frames = FramesInListOrder(listed, tops, sorted_tops, check);
  if (frames.empty()) frames = FramesOf(listed, sorted_tops);
  std::vector<std::pair<xcb_window_t, std::size_t>> by_frame;  // frame, place in listed
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (frames[i] != XCB_WINDOW_NONE) by_frame.emplace_back(frames[i], i);
  }
  std::sort(by_frame.begin(), by_frame.end());
  auto clients_of = [&](xcb_window_t top) {
    const auto first = std::lower_bound(by_frame.begin(), by_frame.end(), std::make_pair(top, std::size_t{0}));
    auto last = first;
    while (last != by_frame.end() && last->first == top) ++last;
    return std::make_pair(first, last);
  };
  std::vector<xcb_window_t> unlisted;
  for (xcb_window_t top : tops) {
    const auto [first, last] = clients_of(top);
    if (first == last) unlisted.push_back(top);
  }
  std::vector<xcb_window_t> found = SearchClients(unlisted);
  // A frame of GNOME's frames helper that holds no client yet stands for
  // the client it names, or for nothing where that client has a place of
  // its own.
  std::vector<std::size_t> bare;  // places in unlisted of windows holding no client
  for (std::size_t j = 0; j < unlisted.size(); ++j) {
    if (found[j] == unlisted[j]) bare.push_back(j);
  }
  const auto named = FramedClients(unlisted, bare);
  std::vector<WindowHandle> order;
  order.reserve(tops.size());
  std::size_t next_found = 0;
  for (xcb_window_t top : tops) {
    const auto [first, last] = clients_of(top);
    if (first == last) {
      order.push_back(found[next_found++]);
    } else {
      for (auto it = first; it != last; ++it) order.push_back(listed[it->second]);
    }
  }
  return named.empty() ? order : PutClientsForFrames(order, named);
}

std::vector<std::pair<xcb_window_t, xcb_window_t>> DesktopReader::FramedClients(
    const std::vector<xcb_window_t>& windows, const std::vector<std::size_t>& places) {
  std::vector<std::pair<xcb_window_t, xcb_window_t>> named;
  if (atoms_.mutter_frame_for == XCB_ATOM_NONE || places.empty()) return named;
  xcb_connection_t* c = connection_.get();
  std::vector<xcb_get_property_cookie_t> cookies;
  for (std::size_t start = 0; start < places.size(); start += kWindowsPerBatch) {
    const std::size_t end = std::min(places.size(), start + kWindowsPerBatch);
    cookies.clear();
    for (std::size_t k = start; k < end; ++k) {
      cookies.push_back(xcb_get_property(c, 0, windows[places[k]], atoms_.mutter_frame_for,
                                         XCB_ATOM_WINDOW, 0, 1));
    }
    connection_.Flush();
    for (std::size_t k = start; k < end; ++k) {
      const auto reply = connection_.Await<xcb_get_property_reply_t>(cookies[k - start]);
      if (!reply || reply->format != 32 || reply->value_len != 1) continue;
      const xcb_window_t client = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
      if (client != XCB_WINDOW_NONE && client != windows[places[k]]) {
        named.emplace_back(windows[places[k]], client);
      }
    }
  }
  std::sort(named.begin(), named.end());
  return named;
}

}  // namespace brisquel
