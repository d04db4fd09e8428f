// The top-level windows are the toplevels the compositor announces through
// its foreign-toplevel manager, in the order it announces them. The whole
// desktop arrives in one or two round trips after the manager is bound; the
// walk is then served from that batch. Every wait on the compositor is
// bounded by the connection's one deadline (platform/wayland_client/).

#include "platform/wayland/wayland_window_manager.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "foreign-toplevel-client.h"
#include "platform/display_failure.h"
#include "platform/wayland/ext_toplevel_list.h"
#include "platform/wayland/toplevel_table.h"
#include "platform/wayland_client/wayland_connection.h"
#include "platform/window_table.h"

namespace brisquel {
namespace {

constexpr std::uint32_t kHighestVersion = 3;

class WaylandWindowManager : public TableWindowManager {
 public:
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
  template <typename Handle>
  static WindowHandle IdOf(Handle* handle) {
    return WaylandConnection::IdOf(handle);
  }

  // Binds the global that registry announced as name, at most at version.
  template <typename Proxy>
  Proxy* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t version) {
    return static_cast<Proxy*>(connection_.Bind(registry, name, interface, version));
  }

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
    self->connection_.Guarded([&] { self->toplevels_.SetTitle(IdOf(handle), title); });
  }
  static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* app_id) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.SetAppId(IdOf(handle), app_id); });
  }
  static void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void OnState(void*, zwlr_foreign_toplevel_handle_v1*, wl_array*) {}
  static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.Done(IdOf(handle)); });
  }
  static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.Close(IdOf(handle)); });
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
  }
  static void OnParent(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                       zwlr_foreign_toplevel_handle_v1* parent) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.SetParent(IdOf(handle), IdOf(parent)); });
  }
  // The ext list's events: the same toplevels, with no parent.
  static void OnExtToplevel(void* data, ext_foreign_toplevel_list_v1*, ext_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    AddListener(handle, &kExtHandleListener, self);
    self->connection_.Guarded([&] { self->toplevels_.Announce(IdOf(handle)); });
  }
  static void OnExtFinished(void* data, ext_foreign_toplevel_list_v1*) {
    static_cast<WaylandWindowManager*>(data)->finished_ = true;
  }
  static void OnExtClosed(void* data, ext_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.Close(IdOf(handle)); });
    Destroy(handle);
  }
  static void OnExtDone(void* data, ext_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.Done(IdOf(handle)); });
  }
  static void OnExtTitle(void* data, ext_foreign_toplevel_handle_v1* handle, const char* title) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.SetTitle(IdOf(handle), title); });
  }
  static void OnExtAppId(void* data, ext_foreign_toplevel_handle_v1* handle, const char* app_id) {
    auto* self = static_cast<WaylandWindowManager*>(data);
    self->connection_.Guarded([&] { self->toplevels_.SetAppId(IdOf(handle), app_id); });
  }
  static void OnExtIdentifier(void*, ext_foreign_toplevel_handle_v1*, const char*) {}

  static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};
  static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {OnToplevel,
                                                                                OnFinished};
  static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
      OnTitle, OnAppId, OnOutput, OnOutput, OnState, OnDone, OnClosed, OnParent};
  static constexpr ext_foreign_toplevel_list_v1_listener kExtListListener = {OnExtToplevel, OnExtFinished};
  static constexpr ext_foreign_toplevel_handle_v1_listener kExtHandleListener = {
      OnExtClosed, OnExtDone, OnExtTitle, OnExtAppId, OnExtIdentifier};

  WaylandConnection connection_;
  std::uint32_t manager_name_ = 0;
  std::uint32_t manager_version_ = 0;
  zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
  std::uint32_t ext_list_name_ = 0;
  ext_foreign_toplevel_list_v1* ext_list_ = nullptr;
  bool finished_ = false;
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
  self->connection_.Guarded([&] { self->toplevels_.Announce(IdOf(handle)); });
}

DesktopOpening WaylandWindowManager::Open(List list) {
  DesktopOpening opening = connection_.Connect();
  if (!connection_.Connected()) return opening;

  wl_registry* registry = wl_display_get_registry(connection_.Display());
  if (registry == nullptr) throw std::bad_alloc();
  wl_registry_add_listener(registry, &kRegistryListener, this);
  connection_.Roundtrip();
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
  connection_.Roundtrip();
  for (int trip = 0; trip < kExtraTrips && !toplevels_.SettledUpTo(toplevels_.Announced()); ++trip) {
    const std::size_t announced = toplevels_.Announced();
    connection_.Roundtrip();
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
