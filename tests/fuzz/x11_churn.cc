// Test helper: keeps top-level windows coming and going on $DISPLAY, so
// that a window walk meets windows destroyed under it. About 60 mapped
// windows stand at any time, with hostile titles (format specifiers, bytes
// of 128 and up, control bytes, titles longer than any buffer), some with
// child windows; each step makes one and destroys the oldest. Prints
// "ready" once the population stands and runs until killed, or for at most the seconds given (default 600) so
// that a broken test leaves nothing behind.
//
//   x11_churn [SECONDS]

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kPopulation = 60;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  if (!reply) {
    std::fprintf(stderr, "x11_churn: cannot intern %s\n", name);
    std::exit(3);
  }
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

std::vector<std::string> Titles() {
  std::string high;
  for (int b = 128; b < 256; ++b) high.push_back(static_cast<char>(b));
  std::string control;
  for (int b = 1; b < 32; ++b) control.push_back(static_cast<char>(b));
  return {"%s%n%x%p%99999s",          "churn " + high,   "churn" + control + "\x7f",
          std::string(254, 'T'),      std::string(300, 'U') + "%n", std::string("nul\0inside", 10),
          " churn with blanks \t\r\n", ""};
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "x11_churn: cannot open display\n");
    return 3;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number; ++i) xcb_screen_next(&screens);
  const xcb_window_t root = screens.data->root;
  const xcb_atom_t net_wm_name = Atom(c, "_NET_WM_NAME");
  const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
  const std::vector<std::string> titles = Titles();

  // A standing population of kPopulation windows: each step makes one
  // window and destroys the oldest, so that every walk finds windows and
  // some of them vanish between its listing and its questions.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::deque<xcb_window_t> alive;
  for (std::uint32_t step = 0; std::chrono::steady_clock::now() < end; ++step) {
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, static_cast<std::int16_t>(step % 100), 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::string& title = titles[step % titles.size()];
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(title.size()), title.data());
    if (step % 2 == 0) {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, net_wm_name, utf8, 8, static_cast<std::uint32_t>(title.size()),
                          title.data());
    }
    const char klass[] = "churn\0Churn";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof klass, klass);
    if (step % 3 == 0) {
      const xcb_window_t child = xcb_generate_id(c);
      xcb_create_window(c, XCB_COPY_FROM_PARENT, child, w, 0, 0, 5, 5, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                        XCB_COPY_FROM_PARENT, 0, nullptr);
      xcb_map_window(c, child);
    }
    xcb_map_window(c, w);
    alive.push_back(w);
    if (alive.size() > kPopulation) {
      xcb_destroy_window(c, alive.front());
      alive.pop_front();
    }
    // A round trip now and then keeps the server's queue short and gives
    // other clients their turn.
    if (step % 8 == 0) {
      std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
      if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "x11_churn: connection lost\n");
        return 3;
      }
    }
    if (step == kPopulation) {
      std::printf("ready\n");
      std::fflush(stdout);
    }
  }
  xcb_disconnect(c);
  return 0;
}
