// The top-level windows are the toplevels the compositor announces through
// its foreign-toplevel manager, in the order it announces them. The whole
// desktop arrives in one or two round trips after the manager is bound; the
// walk is then served from that batch. Every wait on the compositor is a
// poll with one deadline, so a compositor that has stopped cannot hold the
// run.

#include "platform/wayland/wayland_window_manager.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <new>

#include "foreign-toplevel-client.h"
#include "platform/display_failure.h"
#include "platform/wayland/ext_toplevel_list.h"
#include "platform/wayland/toplevel_table.h"
#include "platform/window_table.h"

namespace brisquel {
namespace {

// How long the compositor may take over the whole snapshot, from the
// connection on.
constexpr std::int64_t kAnswerMilliseconds = std::int64_t{kNoAnswerSeconds} * 1000;
constexpr std::uint32_t kHighestVersion = 3;

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

// The connected socket to the compositor, or -1 when there is none to
// connect to. A full listening queue (a compositor that does not accept)
// is waited out until the deadline.
int ConnectSocket(std::int64_t deadline) {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t room = sizeof address.sun_path;
  int written;
  if (display[0] == '/') {
    written = std::snprintf(address.sun_path, room, "%s", display);
  } else {
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (runtime_dir == nullptr || runtime_dir[0] == '\0') return -1;
    written = std::snprintf(address.sun_path, room, "%s/%s", runtime_dir, display);
  }
  if (written < 0 || static_cast<std::size_t>(written) >= room) return -1;

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

class WaylandWindowManager : public TableWindowManager {
 public:
  ~WaylandWindowManager() override {
    if (display_ != nullptr) wl_display_disconnect(display_);
  }

  // The window lists a compositor may offer.
  enum class List { kWlr, kExt };

  // Connects and binds the compositor's list of that kind; says how far it
  // got.
  DesktopOpening Open(List list);
  bool Bound() const { return manager_ != nullptr || ext_list_ != nullptr; }

 protected:
  void ReadDesktop(WindowTable& table) override {
    Collect();
    table.Assign(toplevels_.Records());
  }

 private:
  // Events arrive through C callbacks, which no exception may cross: a
  // failed allocation in one is noted and raised once the dispatch is over.
  template <typename Body>
  void Guarded(Body body) noexcept {
    try {
      body();
    } catch (const std::bad_alloc&) {
      out_of_memory_ = true;
    }
  }

  // A toplevel's handle: the client-side id of its protocol object.
  template <typename Handle>
  static WindowHandle IdOf(Handle* handle) {
    return handle == nullptr ? 0 : wl_proxy_get_id(reinterpret_cast<wl_proxy*>(handle));
  }

  // Binds the global that registry announced as name, at most at version.
  template <typename Proxy>
  Proxy* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t version) {
    auto* proxy = static_cast<Proxy*>(wl_registry_bind(registry, name, &interface, version));
    if (proxy == nullptr) {
      if (wl_display_get_error(display_) != 0) Lost();
      throw std::bad_alloc();
    }
    return proxy;
  }

  // Ends the run for a connection that has failed: out of memory as such,
  // anything else as the display lost.
  [[noreturn]] void Lost() {
    if (wl_display_get_error(display_) == ENOMEM) throw std::bad_alloc();
    EndForDisplay(DisplayFailure::kLost, DisplayKind::kWayland);
  }

  void CheckDispatch(int result) {
    if (out_of_memory_) throw std::bad_alloc();
    if (result < 0) Lost();
  }

  void DispatchOnce();
  void Roundtrip();
  void Collect();

  static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name,
                       const char* interface, std::uint32_t version);
  static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
  static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                         zwlr_foreign_toplevel_handle_v1* handle);
  static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    static_cast<WaylandWindowManager*>(data)->finished_ = true;
  }
  static void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* title) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.SetTitle(IdOf(handle), title); });
  }
  static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* app_id) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.SetAppId(IdOf(handle), app_id); });
  }
  static void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void OnState(void*, zwlr_foreign_toplevel_handle_v1*, wl_array*) {}
  static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.Done(IdOf(handle)); });
  }
  static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.Close(IdOf(handle)); });
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
  }
  static void OnParent(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                       zwlr_foreign_toplevel_handle_v1* parent) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.SetParent(IdOf(handle), IdOf(parent)); });
  }
  // The ext list's events: the same toplevels, with no parent.
  static void OnExtToplevel(void* data, ext_foreign_toplevel_list_v1*, ext_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    AddListener(handle, &kExtHandleListener, self);
    self->Guarded([&] { self->toplevels_.Announce(IdOf(handle)); });
  }
  static void OnExtFinished(void* data, ext_foreign_toplevel_list_v1*) {
    static_cast<WaylandWindowManager*>(data)->finished_ = true;
  }
  static void OnExtClosed(void* data, ext_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.Close(IdOf(handle)); });
    Destroy(handle);
  }
  static void OnExtDone(void* data, ext_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.Done(IdOf(handle)); });
  }
  static void OnExtTitle(void* data, ext_foreign_toplevel_handle_v1* handle, const char* title) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.SetTitle(IdOf(handle), title); });
  }
  static void OnExtAppId(void* data, ext_foreign_toplevel_handle_v1* handle, const char* app_id) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->Guarded([&] { self->toplevels_.SetAppId(IdOf(handle), app_id); });
  }
  static void OnExtIdentifier(void*, ext_foreign_toplevel_handle_v1*, const char*) {}

  static void OnSyncDone(void* data, wl_callback*, std::uint32_t) {
    *static_cast<bool*>(data) = true;
  }

  static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};
  static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {OnToplevel,
                                                                                OnFinished};
  static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
      OnTitle, OnAppId, OnOutput, OnOutput, OnState, OnDone, OnClosed, OnParent};
  static constexpr wl_callback_listener kSyncListener = {OnSyncDone};
  static constexpr ext_foreign_toplevel_list_v1_listener kExtListListener = {OnExtToplevel, OnExtFinished};
  static constexpr ext_foreign_toplevel_handle_v1_listener kExtHandleListener = {
      OnExtClosed, OnExtDone, OnExtTitle, OnExtAppId, OnExtIdentifier};

  wl_display* display_ = nullptr;
  std::int64_t deadline_ = 0;
  std::uint32_t manager_name_ = 0;
  std::uint32_t manager_version_ = 0;
  zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
  std::uint32_t ext_list_name_ = 0;
  ext_foreign_toplevel_list_v1* ext_list_ = nullptr;
  bool finished_ = false;
  bool out_of_memory_ = false;
  ToplevelTable toplevels_;
};

void WaylandWindowManager::OnGlobal(void* data, wl_registry*, std::uint32_t name,
                                    const char* interface, std::uint32_t version) {
  auto* self = static_cast<WaylandWindowManager*>(data);
  if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
      self->manager_version_ == 0) {
    self->manager_name_ = name;
    self->manager_version_ = version;
  }
  if (std::strcmp(interface, ext_foreign_toplevel_list_v1_interface.name) == 0 && self->ext_list_name_ == 0) {
    self->ext_list_name_ = name;
  }
}

void WaylandWindowManager::OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                      zwlr_foreign_toplevel_handle_v1* handle) {
  auto* self = static_cast<WaylandWindowManager*>(data);
  // The listener comes first: the handle's own events follow at once.
  zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, self);
  self->Guarded([&] { self->toplevels_.Announce(IdOf(handle)); });
}

// Reads and dispatches what the compositor has sent, waiting for it until
// the deadline.
void WaylandWindowManager::DispatchOnce() {
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

// Waits until the compositor has answered everything asked so far.
void WaylandWindowManager::Roundtrip() {
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

DesktopOpening WaylandWindowManager::Open(List list) {
  DesktopOpening opening;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || name[0] == '\0') {
    opening.named = false;
    return opening;
  }
  wl_log_set_handler_client(SilentLog);
  deadline_ = NowMilliseconds() + kAnswerMilliseconds;
  const int fd = ConnectSocket(deadline_);
  if (fd < 0) return opening;  // kCannotOpen
  display_ = wl_display_connect_to_fd(fd);  // closes fd when it fails
  if (display_ == nullptr) {
    if (errno == ENOMEM) throw std::bad_alloc();
    return opening;
  }

  wl_registry* registry = wl_display_get_registry(display_);
  if (registry == nullptr) throw std::bad_alloc();
  wl_registry_add_listener(registry, &kRegistryListener, this);
  Roundtrip();
  if (list == List::kWlr && manager_version_ != 0) {
    manager_ = Bind<zwlr_foreign_toplevel_manager_v1>(registry, manager_name_, zwlr_foreign_toplevel_manager_v1_interface,
                                                      std::min(manager_version_, kHighestVersion));
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &kManagerListener, this);
  } else if (list == List::kExt && ext_list_name_ != 0) {
    ext_list_ = Bind<ext_foreign_toplevel_list_v1>(registry, ext_list_name_, ext_foreign_toplevel_list_v1_interface, 1);
    AddListener(ext_list_, &kExtListListener, this);
  } else {
    opening.failure = DisplayFailure::kNoWindowList;
  }
  wl_registry_destroy(registry);
  return opening;
}

// The compositor announces every toplevel it has when the manager is bound
// and follows each with its properties and a done event. One round trip
// brings them; a few more wait for done events a compositor sends late.
// Toplevels announced during those trips may not be complete: they are
// waited for only as far as the trips go.
void WaylandWindowManager::Collect() {
  constexpr int kExtraTrips = 3;
  Roundtrip();
  for (int trip = 0; trip < kExtraTrips && !toplevels_.SettledUpTo(toplevels_.Announced()); ++trip) {
    const std::size_t announced = toplevels_.Announced();
    Roundtrip();
    if (toplevels_.SettledUpTo(announced)) break;
  }
}

DesktopOpening OpenList(WaylandWindowManager::List list) {
  auto manager = std::make_unique<WaylandWindowManager>();
  DesktopOpening opening = manager->Open(list);
  if (manager->Bound()) opening.manager = std::move(manager);
  return opening;
}

}  // namespace

DesktopOpening OpenWlrDesktop() { return OpenList(WaylandWindowManager::List::kWlr); }

DesktopOpening OpenExtDesktop() { return OpenList(WaylandWindowManager::List::kExt); }

}  // namespace brisquel
