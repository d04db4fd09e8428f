// A connection to the X display whose every wait is bounded: a display
// that gives no answer for kNoAnswerSeconds ends the run (exit code 2, one
// line on standard error), so a stopped server or another client's server
// grab never hangs a script. Included by the X11 backend's files only.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "platform/display_failure.h"

namespace brisquel {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

class DisplayConnection {
 public:
  // Connects to $DISPLAY. A display that cannot be opened, or does not
  // answer, ends the run through EndForDisplay; memory running out on the
  // way throws std::bad_alloc.
  DisplayConnection();
  ~DisplayConnection();
  DisplayConnection(const DisplayConnection&) = delete;
  DisplayConnection& operator=(const DisplayConnection&) = delete;

  xcb_connection_t* get() const { return c_; }
  xcb_window_t Root() const { return root_; }

  // Sends what is queued; a server that takes nothing for too long ends
  // the run.
  void Flush();

  // The reply to the request with this sequence number. Null when the
  // request failed with BadWindow or BadDrawable: the window it named has
  // gone. Anything else that is not a reply (another X error, a broken
  // connection, no reply at all) fails the run: std::bad_alloc when xcb
  // ran out of memory, else the end through EndForDisplay.
  // With any_error_allowed, every X error gives null: for requests whose
  // failure only means the server cannot tell.
  void* Wait(unsigned int sequence, bool any_error_allowed = false);

  template <typename T, typename Cookie>
  Reply<T> Await(Cookie cookie, bool any_error_allowed = false) {
    return Reply<T>(static_cast<T*>(Wait(cookie.sequence, any_error_allowed)));
  }

  // Ends the run for a reply that did not come: out of memory when xcb
  // says so, when the connection is still sound (xcb lost the reply), when
  // cause (an errno) is ENOMEM or an allocation inside xcb has failed;
  // otherwise the display is lost.
  [[noreturn]] void Fail(int cause = 0) const;

 private:
  // Blocks until the connection has something to read, or ends the run
  // when the display has been silent for kNoAnswerSeconds.
  void AwaitInput();

  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_WINDOW_NONE;
  std::chrono::steady_clock::time_point last_heard_;
  bool short_of_memory_ = false;  // an allocation inside xcb has failed
};

// Ends the run because the display gave no answer in time.
[[noreturn]] void EndForSilentDisplay();

// Holds SIGALRM armed for kNoAnswerSeconds while xcb may block on its own
// (connecting, writing to a server that reads nothing, reading the rest of
// a reply larger than its buffer); when it fires the run ends as for a
// silent display. Watches nest: an inner one only pushes the deadline back
// (at most every 100 ms, so a watch per reply costs next to nothing), and
// the outermost one disarms the timer when it ends, before the caller
// writes anything that may block. Allocates nothing.
class Watchdog {
 public:
  Watchdog();
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
};

}  // namespace brisquel
