// Every wait on the compositor is a poll against the one deadline set at
// the connection: connecting to a socket whose listening queue is full,
// writing requests, and reading events alike.
#include "platform/wayland_client/wayland_connection.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/display_failure.h"

namespace brisquel {
namespace {

constexpr std::int64_t kAnswerMilliseconds = std::int64_t{kNoAnswerSeconds} * 1000;

[[noreturn]] void EndForNoAnswer() { EndForDisplay(DisplayFailure::kNoAnswer, DisplayKind::kWayland); }

std::int64_t NowMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Waits until fd is ready for events or the deadline has passed; false then.
bool WaitFor(int fd, short events, std::int64_t deadline) {
  for (;;) {
    const std::int64_t left = deadline - NowMilliseconds();
    if (left <= 0) return false;
    pollfd one{fd, events, 0};
    const int ready = poll(&one, 1, static_cast<int>(std::min<std::int64_t>(left, 1'000)));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;  // the next call reports it
  }
}

// libwayland writes its own diagnostics on standard error; the program
// reports a lost display in its one line.
void SilentLog(const char*, va_list) {}

// The address $WAYLAND_DISPLAY names (a name under $XDG_RUNTIME_DIR, or an
// absolute path); false when it cannot be made.
bool SocketAddress(const char* display, sockaddr_un& address) {
  address.sun_family = AF_UNIX;
  const std::size_t room = sizeof address.sun_path;
  int written;
  if (display[0] == '/') {
    written = std::snprintf(address.sun_path, room, "%s", display);
  } else {
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (runtime_dir == nullptr || runtime_dir[0] == '\0') return false;
    written = std::snprintf(address.sun_path, room, "%s/%s", runtime_dir, display);
  }
  return written >= 0 && static_cast<std::size_t>(written) < room;
}

// The connected socket to the compositor, or -1 when there is none to
// connect to. A full listening queue (a compositor that does not accept)
// is waited out until the deadline.
int ConnectSocket(const char* display, std::int64_t deadline) {
  sockaddr_un address{};
  if (!SocketAddress(display, address)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    if (errno == ENOMEM || errno == ENOBUFS) throw std::bad_alloc();
    return -1;
  }
  for (;;) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) break;
    if (NowMilliseconds() >= deadline) {
      close(fd);
      EndForNoAnswer();
    }
    poll(nullptr, 0, 50);
  }
  close(fd);
  return -1;
}

void OnSyncDone(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }

constexpr wl_callback_listener kSyncListener = {OnSyncDone};

}  // namespace

WaylandConnection::~WaylandConnection() {
  if (display_ != nullptr) wl_display_disconnect(display_);
}

DesktopOpening WaylandConnection::Connect() {
  DesktopOpening opening;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || name[0] == '\0') {
    opening.named = false;
    return opening;
  }
  wl_log_set_handler_client(SilentLog);
  deadline_ = NowMilliseconds() + kAnswerMilliseconds;
  const int fd = ConnectSocket(name, deadline_);
  if (fd < 0) return opening;  // kCannotOpen
  display_ = wl_display_connect_to_fd(fd);  // closes fd when it fails
  if (display_ == nullptr && errno == ENOMEM) throw std::bad_alloc();
  return opening;
}

void WaylandConnection::Lost() {
  if (wl_display_get_error(display_) == ENOMEM) throw std::bad_alloc();
  EndForDisplay(DisplayFailure::kLost, DisplayKind::kWayland);
}

void WaylandConnection::CheckDispatch(int result) {
  if (out_of_memory_) throw std::bad_alloc();
  if (result < 0) Lost();
}

void* WaylandConnection::Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface,
                              std::uint32_t version) {
  void* proxy = wl_registry_bind(registry, name, &interface, version);
  if (proxy == nullptr) {
    if (wl_display_get_error(display_) != 0) Lost();
    throw std::bad_alloc();
  }
  return proxy;
}

// Reads and dispatches what the compositor has sent, waiting for it until
// the deadline.
void WaylandConnection::DispatchOnce() {
  while (wl_display_prepare_read(display_) != 0) CheckDispatch(wl_display_dispatch_pending(display_));
  const int fd = wl_display_get_fd(display_);
  while (wl_display_flush(display_) < 0) {
    if (errno != EAGAIN) {
      wl_display_cancel_read(display_);
      Lost();
    }
    if (!WaitFor(fd, POLLOUT, deadline_)) {
      wl_display_cancel_read(display_);
      EndForNoAnswer();
    }
  }
  if (!WaitFor(fd, POLLIN, deadline_)) {
    wl_display_cancel_read(display_);
    EndForNoAnswer();
  }
  if (wl_display_read_events(display_) < 0) Lost();
  CheckDispatch(wl_display_dispatch_pending(display_));
}

void WaylandConnection::Roundtrip() {
  bool done = false;
  wl_callback* sync = wl_display_sync(display_);
  if (sync == nullptr) {
    if (wl_display_get_error(display_) != 0) Lost();
    throw std::bad_alloc();
  }
  wl_callback_add_listener(sync, &kSyncListener, &done);
  while (!done) DispatchOnce();
  wl_callback_destroy(sync);
}

}  // namespace brisquel
