#include "platform/x11/display_connection.h"

#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "runtime/display_end.h"

namespace brisquel {
namespace {

constexpr std::uint8_t kBadWindow = 3;
constexpr std::uint8_t kBadDrawable = 9;

constexpr std::string_view kSilence = " did not answer for 10 seconds (a client may hold a grab)";
static_assert(kNoAnswerSeconds == 10, "the silence message names the bound");

// The display's name as the user gave it, and the same followed by the
// silence message: fixed buffers made before the first wait, since they
// are written on paths that allocate nothing, one of them a signal handler.
struct SilentDisplayName {
  char text[sizeof DisplayName::text + kSilence.size()];
  std::size_t length;        // the name alone
  std::size_t silent_length;  // the name and kSilence
};
SilentDisplayName display_name;

void NameTheDisplay() {
  const DisplayName name = NameOfDisplay(std::getenv("DISPLAY"), "(DISPLAY is not set)");
  std::memcpy(display_name.text, name.text, name.length);
  std::memcpy(display_name.text + name.length, kSilence.data(), kSilence.size());
  display_name.length = name.length;
  display_name.silent_length = name.length + kSilence.size();
}

[[noreturn]] void EndNamingDisplay(std::string_view what) {
  EndForDisplay(what, std::string_view(display_name.text, display_name.length));
}

void OnAlarm(int) { EndForSilentDisplay(); }

void SetAlarm(int seconds) {
  itimerval timer{};
  timer.it_value.tv_sec = seconds;
  setitimer(ITIMER_REAL, &timer, nullptr);
}

}  // namespace

void EndForSilentDisplay() {
  SetAlarm(0);
  EndForDisplay("display ", std::string_view(display_name.text, display_name.silent_length));
}

Watchdog::Watchdog() {
  // The handler is installed once; each watch only arms the timer.
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = OnAlarm;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGALRM, &action, nullptr) == 0;
  }();
  (void)installed;
  SetAlarm(kNoAnswerSeconds);
}

Watchdog::~Watchdog() { SetAlarm(0); }

DisplayConnection::DisplayConnection() {
  NameTheDisplay();
  int screen_number = 0;
  {
    // xcb reads the server's greeting with no time limit of its own.
    Watchdog watchdog;
    errno = 0;
    c_ = xcb_connect(nullptr, &screen_number);
  }
  // xcb reports some failed allocations while connecting as an unusable
  // display; the allocation's errno tells them apart.
  const int cause = errno;
  last_heard_ = std::chrono::steady_clock::now();
  const int error = xcb_connection_has_error(c_);
  if (error == XCB_CONN_CLOSED_MEM_INSUFFICIENT || (error != 0 && cause == ENOMEM)) {
    throw std::bad_alloc();
  }
  if (error != 0) EndNamingDisplay("cannot open display ");
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
  for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) EndNamingDisplay("cannot open display ");
  root_ = screens.data->root;
}

DisplayConnection::~DisplayConnection() {
  if (c_ != nullptr) xcb_disconnect(c_);
}

void DisplayConnection::Fail(int cause) const {
  // On a connection xcb still thinks sound, a reply goes missing only when
  // xcb could not keep it.
  const int error = xcb_connection_has_error(c_);
  if (error == 0 || error == XCB_CONN_CLOSED_MEM_INSUFFICIENT || cause == ENOMEM ||
      short_of_memory_) {
    throw std::bad_alloc();
  }
  EndNamingDisplay("lost the connection to display ");
}

void DisplayConnection::Flush() {
  Watchdog watchdog;
  if (xcb_flush(c_) <= 0) Fail();
  last_heard_ = std::chrono::steady_clock::now();
}

void DisplayConnection::AwaitInput() {
  Flush();
  pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        last_heard_ + std::chrono::seconds(kNoAnswerSeconds) - std::chrono::steady_clock::now());
    if (left.count() <= 0) EndForSilentDisplay();
    const int ready = poll(&fd, 1, static_cast<int>(left.count()));
    if (ready > 0) {
      last_heard_ = std::chrono::steady_clock::now();
      return;
    }
    if (ready < 0 && errno == ENOMEM) throw std::bad_alloc();
    if (ready < 0 && errno != EINTR) EndNamingDisplay("lost the connection to display ");
  }
}

void* DisplayConnection::Wait(unsigned int sequence, bool any_error_allowed) {
  for (;;) {
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    errno = 0;
    const int done = xcb_poll_for_reply(c_, sequence, &reply, &error);
    // xcb may fail to keep a reply it has read and say nothing but errno.
    if (errno == ENOMEM) short_of_memory_ = true;
    if (done != 0) {
      if (reply != nullptr) return reply;
      // A reply lost on a live connection: xcb could not keep it.
      if (error == nullptr) Fail();
      const std::uint8_t code = error->error_code;
      std::free(error);
      if (any_error_allowed || code == kBadWindow || code == kBadDrawable) return nullptr;
      EndNamingDisplay("unexpected error from display ");
    }
    AwaitInput();
  }
}

}  // namespace brisquel
