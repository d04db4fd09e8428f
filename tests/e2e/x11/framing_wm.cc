// Test helper: a small window manager for the stacking-order tests. It takes
// the root's redirection, names a check window of its own in
// _NET_SUPPORTING_WM_CHECK, and puts every window mapped on the desktop into
// a new frame, topmost, with WM_STATE on the client; it keeps
// _NET_CLIENT_LIST_STACKING (bottom first) for the clients it holds. It
// prints "ready" once it holds the redirection, then runs until the display
// goes or it is killed (or half an hour passes).
//
//   framing_wm [--depth D] [--spare N] [--reversed-list] [--unframed-first]
//
// --depth 2 puts each client in a window inside its frame rather than in the
// frame itself. --spare N makes N more windows of its own on the root, as a
// window manager's menus and popups are. --reversed-list writes the client
// list the wrong way round, as a window manager whose list is out of step
// with its frames would. --unframed-first leaves the first client it takes
// where it is, a child of the root, as window managers do with docks.

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "intern_atom.h"

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "framing_wm: %s\n", why.c_str());
  std::exit(3);
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const xcb_atom_t atom = InternAtom(c, name);
  if (atom == XCB_ATOM_NONE) Fail(std::string("cannot intern ") + name);
  return atom;
}

struct Managed {
  xcb_window_t client, frame;
};

class FramingManager {
 public:
  FramingManager(xcb_connection_t* c, xcb_screen_t* screen, int depth, bool reversed,
                 bool unframed_first)
      : c_(c), screen_(screen), depth_(depth), reversed_(reversed), unframed_first_(unframed_first),
        wm_state_(Atom(c, "WM_STATE")), stacking_(Atom(c, "_NET_CLIENT_LIST_STACKING")) {}

  xcb_window_t MakeWindow(xcb_window_t parent, bool input_only) {
    const xcb_window_t window = xcb_generate_id(c_);
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, parent, 0, 0, 140, 60, 0,
                      input_only ? XCB_WINDOW_CLASS_INPUT_ONLY : XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    return window;
  }

  void Manage(xcb_window_t client) {
    for (const Managed& held : managed_) {
      if (held.client == client) {
        xcb_map_window(c_, client);
        return;
      }
    }
    const std::uint32_t state[] = {1, XCB_WINDOW_NONE};  // NormalState, no icon
    if (unframed_first_ && managed_.empty()) {
      xcb_map_window(c_, client);
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, client, wm_state_, wm_state_, 32, 2, state);
      managed_.push_back({client, XCB_WINDOW_NONE});
      WriteList();
      return;
    }
    const xcb_window_t frame = MakeWindow(screen_->root, false);
    xcb_window_t holder = frame;
    for (int level = 1; level < depth_; ++level) {
      holder = MakeWindow(holder, false);
      xcb_map_window(c_, holder);
    }
    xcb_reparent_window(c_, client, holder, 0, 0);
    xcb_map_window(c_, client);
    xcb_map_window(c_, frame);
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, client, wm_state_, wm_state_, 32, 2, state);
    managed_.push_back({client, frame});
    WriteList();
  }

  void Forget(xcb_window_t client) {
    const auto held = std::find_if(managed_.begin(), managed_.end(),
                                   [&](const Managed& m) { return m.client == client; });
    if (held == managed_.end()) return;
    if (held->frame != XCB_WINDOW_NONE) xcb_destroy_window(c_, held->frame);
    managed_.erase(held);
    WriteList();
  }

 private:
  void WriteList() {
    std::vector<xcb_window_t> clients;
    for (const Managed& held : managed_) clients.push_back(held.client);  // bottom first
    if (reversed_) std::reverse(clients.begin(), clients.end());
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, screen_->root, stacking_, XCB_ATOM_WINDOW, 32,
                        static_cast<std::uint32_t>(clients.size()), clients.data());
  }

  xcb_connection_t* c_;
  xcb_screen_t* screen_;
  int depth_;
  bool reversed_;
  bool unframed_first_;
  xcb_atom_t wm_state_, stacking_;
  std::vector<Managed> managed_;  // in the order made, so bottom first
};

}  // namespace

int main(int argc, char** argv) {
  int depth = 1;
  long spare = 0;
  bool reversed = false;
  bool unframed_first = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--depth" && i + 1 < argc) {
      depth = std::atoi(argv[++i]);
    } else if (arg == "--spare" && i + 1 < argc) {
      spare = std::atol(argv[++i]);
    } else if (arg == "--reversed-list") {
      reversed = true;
    } else if (arg == "--unframed-first") {
      unframed_first = true;
    } else {
      Fail("unknown argument " + arg);
    }
  }
  if (depth < 1 || depth > 4) Fail("--depth takes 1 to 4");

  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(c)) Fail("cannot open the display");
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number; ++i) xcb_screen_next(&screens);
  xcb_screen_t* screen = screens.data;
  FramingManager manager(c, screen, depth, reversed, unframed_first);

  const std::uint32_t root_mask =
      XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_generic_error_t* error = xcb_request_check(
      c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_EVENT_MASK, &root_mask));
  if (error != nullptr) Fail("another window manager runs");
  const xcb_window_t check = manager.MakeWindow(screen->root, true);
  const xcb_atom_t check_atom = Atom(c, "_NET_SUPPORTING_WM_CHECK");
  for (xcb_window_t holder : {screen->root, check}) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, holder, check_atom, XCB_ATOM_WINDOW, 32, 1, &check);
  }
  for (long n = 0; n < spare; ++n) manager.MakeWindow(screen->root, true);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  std::printf("ready\n");
  std::fflush(stdout);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(30);
  pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
  for (;;) {
    xcb_flush(c);
    xcb_generic_event_t* event = xcb_poll_for_event(c);
    if (event == nullptr) {
      if (xcb_connection_has_error(c)) return 0;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return 0;
      poll(&fd, 1, static_cast<int>(left.count()));
      continue;
    }
    switch (event->response_type & 0x7F) {
      case XCB_MAP_REQUEST:
        manager.Manage(reinterpret_cast<xcb_map_request_event_t*>(event)->window);
        break;
      case XCB_DESTROY_NOTIFY:
        manager.Forget(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
        break;
      default:
        break;
    }
    std::free(event);
  }
}
