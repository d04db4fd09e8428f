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

#include "platform/display_failure.h"

namespace brisquel {
namespace {

constexpr std::uint8_t kBadWindow = 3;
constexpr std::uint8_t kBadDrawable = 9;

void OnAlarm(int) { EndForSilentDisplay(); }

void SetAlarm(int seconds) {
  itimerval timer{};
  timer.it_value.tv_sec = seconds;
  setitimer(ITIMER_REAL, &timer, nullptr);
}

// The watches open now, and when the timer was last armed.
int watch_depth = 0;
std::chrono::steady_clock::time_point armed_at;

void Arm() {
  SetAlarm(kNoAnswerSeconds);
  armed_at = std::chrono::steady_clock::now();
}

}  // namespace

void EndForSilentDisplay() {
  SetAlarm(0);
  EndForDisplay(DisplayFailure::kNoAnswer, DisplayKind::kX11);
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
  if (watch_depth++ == 0 ||
      std::chrono::steady_clock::now() - armed_at > std::chrono::milliseconds(100)) {
    Arm();
  }
}

Watchdog::~Watchdog() {
  if (--watch_depth == 0) SetAlarm(0);
}

DisplayConnection::DisplayConnection() {
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
  if (error != 0) EndForDisplay(DisplayFailure::kCannotOpen, DisplayKind::kX11);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
  for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) EndForDisplay(DisplayFailure::kCannotOpen, DisplayKind::kX11);
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
  EndForDisplay(DisplayFailure::kLost, DisplayKind::kX11);
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
    if (ready < 0 && errno != EINTR) EndForDisplay(DisplayFailure::kLost, DisplayKind::kX11);
  }
}

void* DisplayConnection::Wait(unsigned int sequence, bool any_error_allowed) {
  for (;;) {
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    int done = 0;
    {
      // xcb reads here, and once a reply has begun it reads the rest with
      // no time limit of its own.
      Watchdog watchdog;
      errno = 0;
      done = xcb_poll_for_reply(c_, sequence, &reply, &error);
    }
    // xcb may fail to keep a reply it has read and say nothing but errno.
    if (errno == ENOMEM) short_of_memory_ = true;
    if (done != 0) {
      if (reply != nullptr) return reply;
      // A reply lost on a live connection: xcb could not keep it.
      if (error == nullptr) Fail();
      const std::uint8_t code = error->error_code;
      std::free(error);
      if (any_error_allowed || code == kBadWindow || code == kBadDrawable) return nullptr;
      EndForDisplay(DisplayFailure::kRefused, DisplayKind::kX11);
    }
    AwaitInput();
  }
}

}  // namespace brisquel
