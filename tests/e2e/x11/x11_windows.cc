// Test helper: makes the top-level windows a test asks for on $DISPLAY,
// prints their ids (upper-case hexadecimal, one a line, in the order asked)
// and a line "ready", then keeps them until it is killed (or half an hour
// pass, so that a broken test leaves nothing behind).
//
//   x11_windows [--wait-managed] [--churn TITLE] [--grab-server] WINDOW...
//   WINDOW: window [--net-wm-name T] [--wm-name T] [--wm-name-utf8 T]
//                [--class T] [--pid N] [--transient-for K] [--frame-for K]
//                [--unmapped] [--override-redirect]
//                [--property NAME TYPE T]   (any 8-bit property, types by name)
//       | many N PREFIX   (N mapped windows titled PREFIX1 .. PREFIXN,
//                          in _NET_WM_NAME and WM_NAME)
//       | many-unmapped N PREFIX  (the same, never mapped: quick to make
//                          in large numbers, as the server lays out none)
//       | many-wm-name N PREFIX   (as many, titled in WM_NAME only, as
//                          older toolkits title their windows)
// T is bytes, with \xHH, \0 and \\ as escapes. K is the place of an
// earlier window, counted from 0. --wait-managed waits until a window
// manager has put WM_STATE on every mapped, managed window. --churn keeps
// making and destroying windows titled TITLE after "ready". --grab-server
// grabs the server before "ready" and holds it, as a screen locker does, so
// that the server answers no other client.

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "intern_atom.h"

namespace {

struct Layout {
  std::string net_wm_name, wm_name, wm_name_utf8, wm_class;
  bool has_net_wm_name = false, has_wm_name = false, has_wm_name_utf8 = false,
       has_class = false;
  long pid = -1;
  long transient_for = -1;
  long frame_for = -1;  // names a client as GNOME's frames helper does
  std::vector<std::pair<std::string, std::pair<std::string, std::string>>> properties;
  bool mapped = true;
  bool override_redirect = false;
};

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "x11_windows: %s\n", why.c_str());
  std::exit(3);
}

std::string Unescape(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes.push_back(text[i]);
    } else if (text[i + 1] == '0') {
      bytes.push_back('\0');
      ++i;
    } else if (text[i + 1] == 'x' && i + 3 < text.size()) {
      bytes.push_back(static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16)));
      i += 3;
    } else {
      bytes.push_back(text[i + 1]);
      ++i;
    }
  }
  return bytes;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const xcb_atom_t atom = InternAtom(c, name);
  if (atom == XCB_ATOM_NONE) Fail(std::string("cannot intern ") + name);
  return atom;
}

struct Desktop {
  xcb_connection_t* c;
  xcb_screen_t* screen;
  xcb_atom_t utf8, net_wm_name, net_wm_pid, wm_state;

  xcb_window_t Make(const Layout& layout, const std::vector<xcb_window_t>& made) {
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, layout.override_redirect ? 1u : 0u,
                                    XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 10, 10, 120, 40, 1,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    auto set = [&](xcb_atom_t property, xcb_atom_t type, const std::string& bytes) {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, type, 8, bytes.size(),
                          bytes.data());
    };
    if (layout.has_net_wm_name) set(net_wm_name, utf8, layout.net_wm_name);
    if (layout.has_wm_name) set(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, layout.wm_name);
    if (layout.has_wm_name_utf8) set(XCB_ATOM_WM_NAME, utf8, layout.wm_name_utf8);
    if (layout.has_class) set(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, layout.wm_class);
    if (layout.pid >= 0) {
      const std::uint32_t pid = static_cast<std::uint32_t>(layout.pid);
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, net_wm_pid, XCB_ATOM_CARDINAL, 32, 1,
                          &pid);
    }
    // A window property that names an earlier window of the layout.
    auto name_earlier = [&](int place, xcb_atom_t property, const char* option) {
      if (place < 0) return;
      if (static_cast<std::size_t>(place) >= made.size()) Fail(std::string(option) + " names no earlier window");
      const xcb_window_t named = made[place];
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_WINDOW, 32, 1, &named);
    };
    name_earlier(layout.transient_for, XCB_ATOM_WM_TRANSIENT_FOR, "--transient-for");
    if (layout.frame_for >= 0) name_earlier(layout.frame_for, Atom(c, "_MUTTER_FRAME_FOR"), "--frame-for");
    for (const auto& [name, typed] : layout.properties) {
      set(Atom(c, name.c_str()), Atom(c, typed.first.c_str()), typed.second);
    }
    if (layout.mapped) xcb_map_window(c, window);
    return window;
  }

  // Waits until a window manager has put WM_STATE on every window in
  // windows (made with PropertyChange selected, so no change is missed).
  void WaitManaged(const std::vector<xcb_window_t>& windows) {
    std::unordered_set<xcb_window_t> waiting(windows.begin(), windows.end());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(600);
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (!waiting.empty()) {
      xcb_generic_event_t* event = xcb_poll_for_event(c);
      if (event == nullptr) {
        if (xcb_connection_has_error(c)) Fail("lost the display");
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) Fail("no window manager took the windows");
        poll(&fd, 1, static_cast<int>(left.count()));
        continue;
      }
      if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        if (notify->atom == wm_state && notify->state == XCB_PROPERTY_NEW_VALUE) {
          waiting.erase(notify->window);
        }
      }
      std::free(event);
    }
  }
};

long Number(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 0);
  if (end == text || *end != '\0') Fail(std::string("not a number: ") + text);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  alarm(1800);
  bool wait_managed = false;
  std::string churn_title;
  bool churn = false;
  bool grab = false;
  std::vector<Layout> layouts;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Fail(std::string(arg) + " needs a value");
      return argv[++i];
    };
    auto last = [&]() -> Layout& {
      if (layouts.empty()) Fail(std::string(arg) + " before any window");
      return layouts.back();
    };
    if (arg == "--wait-managed") {
      wait_managed = true;
    } else if (arg == "--grab-server") {
      grab = true;
    } else if (arg == "--churn") {
      churn = true;
      churn_title = Unescape(value());
    } else if (arg == "window") {
      layouts.emplace_back();
    } else if (arg == "many" || arg == "many-unmapped" || arg == "many-wm-name") {
      const bool mapped = arg != "many-unmapped";
      const bool net_wm_name = arg != "many-wm-name";
      const long count = Number(value());
      const std::string prefix = Unescape(value());
      for (long n = 1; n <= count; ++n) {
        Layout layout;
        layout.has_net_wm_name = net_wm_name;
        layout.net_wm_name = prefix + std::to_string(n);
        layout.has_wm_name = true;  // as programs do, for tools that read only WM_NAME
        layout.wm_name = layout.net_wm_name;
        layout.has_class = true;
        layout.wm_class = std::string("many\0Many\0", 10);
        layout.mapped = mapped;
        layouts.push_back(layout);
      }
    } else if (arg == "--net-wm-name") {
      last().has_net_wm_name = true;
      last().net_wm_name = Unescape(value());
    } else if (arg == "--wm-name") {
      last().has_wm_name = true;
      last().wm_name = Unescape(value());
    } else if (arg == "--wm-name-utf8") {
      last().has_wm_name_utf8 = true;
      last().wm_name_utf8 = Unescape(value());
    } else if (arg == "--class") {
      last().has_class = true;
      last().wm_class = Unescape(value());
    } else if (arg == "--pid") {
      last().pid = Number(value());
    } else if (arg == "--transient-for") {
      last().transient_for = Number(value());
    } else if (arg == "--frame-for") {
      last().frame_for = Number(value());
    } else if (arg == "--property") {
      const std::string name = value();
      const std::string type = value();
      last().properties.push_back({name, {type, Unescape(value())}});
    } else if (arg == "--unmapped") {
      last().mapped = false;
    } else if (arg == "--override-redirect") {
      last().override_redirect = true;
    } else {
      Fail("unknown argument: " + std::string(arg));
    }
  }

  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(c)) Fail("cannot open the display");
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number; ++i) xcb_screen_next(&screens);
  Desktop desktop{c, screens.data, Atom(c, "UTF8_STRING"), Atom(c, "_NET_WM_NAME"),
                  Atom(c, "_NET_WM_PID"), Atom(c, "WM_STATE")};

  std::vector<xcb_window_t> made;
  std::vector<xcb_window_t> managed;
  for (const Layout& layout : layouts) {
    made.push_back(desktop.Make(layout, made));
    if (layout.mapped && !layout.override_redirect) managed.push_back(made.back());
  }
  xcb_flush(c);
  if (wait_managed) desktop.WaitManaged(managed);
  // A round trip, so that every window exists on the server before "ready".
  if (grab) xcb_grab_server(c);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  for (xcb_window_t window : made) std::printf("%X\n", window);
  std::printf("ready\n");
  std::fflush(stdout);

  Layout churner;
  churner.has_net_wm_name = true;
  churner.net_wm_name = churn_title;
  for (;;) {
    if (!churn) {
      pause();
      continue;
    }
    // A round trip after each step, so that the windows live across the
    // server's turns to other clients, and a walk can find them gone.
    std::vector<xcb_window_t> batch;
    for (int i = 0; i < 50; ++i) batch.push_back(desktop.Make(churner, made));
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    for (xcb_window_t window : batch) xcb_destroy_window(c, window);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (xcb_connection_has_error(c)) return 0;
  }
}
