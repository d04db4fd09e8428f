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
#include <string>
#include <string_view>
#include <vector>

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

// The core protocol's opcodes (wayland.xml).
constexpr std::uint32_t kDisplaySync = 0;
constexpr std::uint32_t kDisplayGetRegistry = 1;
constexpr std::uint32_t kRegistryBind = 0;
constexpr std::uint32_t kRegistryGlobal = 0;
constexpr std::uint32_t kRegistryGlobalRemove = 1;

int OnSyncDone(const void* done, void*, std::uint32_t, const wl_message*, wl_argument*) {
  *static_cast<bool*>(const_cast<void*>(done)) = true;
  return 0;
}

constexpr std::string_view kNoLibrary = " (libwayland-client.so.0 cannot be loaded: install libwayland-client0)";

}  // namespace

struct WaylandConnection::Globals {
  struct Global {
    std::uint32_t name;
    std::string interface;
    std::uint32_t version;
  };
  std::vector<Global> announced;
  WaylandConnection* owner = nullptr;  // the connection that dispatches; null while kept
};

namespace {

// The connection kept for the next one made: a display that has served no
// desktop, its registry and the globals read on it.
struct KeptConnection {
  const WaylandLibrary* wayland = nullptr;
  wl_display* display = nullptr;
  wl_proxy* registry = nullptr;
  void* globals = nullptr;  // a WaylandConnection::Globals
};
KeptConnection kept;

}  // namespace

WaylandConnection::~WaylandConnection() {
  if (display_ == nullptr) return;
  if (!bound_ && !out_of_memory_ && kept.display == nullptr) {
    if (globals_ != nullptr) globals_->owner = nullptr;
    kept = {wayland_, display_, registry_, globals_};
    return;
  }
  if (registry_ != nullptr) Forget(registry_);
  delete globals_;
  wayland_->display_disconnect(display_);
}

DesktopOpening WaylandConnection::Connect() {
  DesktopOpening opening;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || name[0] == '\0') {
    opening.named = false;
    return opening;
  }
  wayland_ = LoadWayland();
  if (wayland_ == nullptr) {
    opening.detail = kNoLibrary;
    return opening;  // kCannotOpen
  }
  deadline_ = NowMilliseconds() + kAnswerMilliseconds;
  if (kept.display != nullptr) {  // on the same WAYLAND_DISPLAY: the variable stays as it was
    wayland_ = kept.wayland;
    display_ = kept.display;
    registry_ = kept.registry;
    globals_ = static_cast<Globals*>(kept.globals);
    if (globals_ != nullptr) globals_->owner = this;
    kept = {};
    return opening;
  }
  wayland_->log_set_handler_client(SilentLog);
  const int fd = ConnectSocket(name, deadline_);
  if (fd < 0) return opening;  // kCannotOpen
  display_ = wayland_->display_connect_to_fd(fd);  // closes fd when it fails
  if (display_ == nullptr && errno == ENOMEM) throw std::bad_alloc();
  return opening;
}

void WaylandConnection::Lost() {
  if (wayland_->display_get_error(display_) == ENOMEM) throw std::bad_alloc();
  EndForDisplay(DisplayFailure::kLost, DisplayKind::kWayland);
}

void WaylandConnection::CheckDispatch(int result) {
  if (out_of_memory_) throw std::bad_alloc();
  if (result < 0) Lost();
}

wl_proxy* WaylandConnection::Made(wl_proxy* proxy) {
  if (proxy == nullptr) {
    if (wayland_->display_get_error(display_) != 0) Lost();
    throw std::bad_alloc();
  }
  return proxy;
}

int WaylandConnection::OnGlobalEvent(const void* data, void*, std::uint32_t opcode, const wl_message*,
                                     wl_argument* args) {
  auto* globals = static_cast<Globals*>(const_cast<void*>(data));
  if (globals->owner == nullptr) return 0;
  globals->owner->Guarded([&] {
    auto& announced = globals->announced;
    if (opcode == kRegistryGlobal && args[1].s != nullptr) {
      announced.push_back({args[0].u, args[1].s, args[2].u});
    } else if (opcode == kRegistryGlobalRemove) {
      std::erase_if(announced, [&](const Globals::Global& global) { return global.name == args[0].u; });
    }
  });
  return 0;
}

void WaylandConnection::ReadGlobals(GlobalSeen seen, void* data) {
  if (globals_ == nullptr) {
    globals_ = new Globals;
    globals_->owner = this;
    auto* display = reinterpret_cast<wl_proxy*>(display_);
    registry_ = Send(display, kDisplayGetRegistry, wayland_->registry_interface, static_cast<void*>(nullptr));
    Listen(registry_, OnGlobalEvent, globals_);
    Roundtrip();
  }
  for (const Globals::Global& global : globals_->announced) seen(data, global.name, global.interface, global.version);
}

wl_proxy* WaylandConnection::Bind(std::uint32_t name, const wl_interface& interface, std::uint32_t version) {
  bound_ = true;
  return Made(wayland_->proxy_marshal_flags(registry_, kRegistryBind, &interface, version, 0, name, interface.name,
                                            version, static_cast<void*>(nullptr)));
}

void WaylandConnection::SendDestroy(wl_proxy* proxy, std::uint32_t opcode) {
  wayland_->proxy_marshal_flags(proxy, opcode, nullptr, wayland_->proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

// Reads and dispatches what the compositor has sent, waiting for it until
// the deadline.
void WaylandConnection::DispatchOnce() {
  while (wayland_->display_prepare_read(display_) != 0) {
    CheckDispatch(wayland_->display_dispatch_pending(display_));
  }
  const int fd = wayland_->display_get_fd(display_);
  while (wayland_->display_flush(display_) < 0) {
    if (errno != EAGAIN) {
      wayland_->display_cancel_read(display_);
      Lost();
    }
    if (!WaitFor(fd, POLLOUT, deadline_)) {
      wayland_->display_cancel_read(display_);
      EndForNoAnswer();
    }
  }
  if (!WaitFor(fd, POLLIN, deadline_)) {
    wayland_->display_cancel_read(display_);
    EndForNoAnswer();
  }
  if (wayland_->display_read_events(display_) < 0) Lost();
  CheckDispatch(wayland_->display_dispatch_pending(display_));
}

void WaylandConnection::Roundtrip() {
  bool done = false;
  wl_proxy* sync = Send(reinterpret_cast<wl_proxy*>(display_), kDisplaySync, wayland_->callback_interface,
                        static_cast<void*>(nullptr));
  Listen(sync, OnSyncDone, &done);
  while (!done) DispatchOnce();
  Forget(sync);
}

}  // namespace brisquel
