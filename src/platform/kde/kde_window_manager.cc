// KWin announces every window of its list when the list is bound: its
// window id and, from version 13, its uuid. A window object asked for one
// (get_window) sends the window's title, app id, pid and parent, then
// initial_state. The stacking order comes, from version 17 (KWin 6), one
// window per event in answer to get_stacking_order; before that it comes on
// its own as one message, which KWin cannot send once it passes 4,096
// bytes: as a string of uuids (versions 12 to 16) from about 105 windows,
// as an array of ids (version 11) from about 1,021. So a KWin without
// version 17 is bound at version 10, which sends no order, and bound a
// second time at version 11 for the order only when the array fits; past
// that the windows stand newest first. Events are taken by name through a
// dispatcher, so that code built from an older or newer protocol file
// reads what any version sends.

#include "platform/kde/kde_window_manager.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plasma-window-management-client.h"
#include "platform/display_failure.h"
#include "platform/kde/kde_window_list.h"
#include "platform/wayland_client/wayland_connection.h"
#include "platform/window_table.h"

namespace brisquel {
namespace {

// The version that sends the stacking order one window per event.
constexpr std::uint32_t kOrderByEventVersion = 17;
// The highest version that sends no stacking order on its own.
constexpr std::uint32_t kQuietVersion = 10;
// The version that sends the stacking order as an array of ids.
constexpr std::uint32_t kOrderByIdsVersion = 11;
// The version from which a window object is asked for by uuid.
constexpr std::uint32_t kByUuidVersion = 12;
// The most ids a message of 4,096 bytes holds (8 bytes of header, 4 of the
// array's length), less a few for windows that open meanwhile.
constexpr std::size_t kMostStackedIds = (4096 - 12) / 4 - 5;
// Window objects asked for per round trip: KWin drops a client that asks
// for a thousand without reading the answers.
constexpr std::size_t kBatch = 128;

constexpr std::string_view kNotGrantedHow =
    " (install the brisquel package, or a .desktop file whose Exec names this program by its full path, with "
    "X-KDE-Wayland-Interfaces=org_kde_plasma_window_management)";

// Globals only KWin offers: where one is there and the window list is not,
// KWin has withheld the list.
bool IsKwinGlobal(std::string_view interface) {
  return interface.starts_with("org_kde_kwin_") || interface.starts_with("org_kde_plasma_");
}

// The opcode of the request called name, or -1 where the interface, as
// built, has none.
int RequestOpcode(const wl_interface& interface, std::string_view name) {
  for (int i = 0; i < interface.method_count; ++i) {
    if (name == interface.methods[i].name) return i;
  }
  return -1;
}

// Window objects: which window, and whether the object is asked for its
// parent alone.
void* Tag(std::size_t place, bool parent_only) {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(place * 2 + (parent_only ? 1 : 0) + 2));
}
std::size_t PlaceOf(void* tag) { return (reinterpret_cast<std::uintptr_t>(tag) - 2) / 2; }
bool ParentOnly(void* tag) { return (reinterpret_cast<std::uintptr_t>(tag) - 2) % 2 == 1; }

class KdeWindowManager : public TableWindowManager {
 public:
  ~KdeWindowManager() override;

  // Connects and binds KWin's window list; says how far it got.
  DesktopOpening Open();
  bool Bound() const { return manager_ != nullptr; }

 protected:
  void ReadDesktop(WindowTable& table) override;

 private:
  // Reads the window objects of the windows announced since the last call.
  void FetchNewWindows();
  // Asks for a window object for the window at place, tagged with it.
  wl_proxy* NewWindowObject(std::size_t place, bool parent_only);
  // Brings the stacking order up to date, where this KWin can send it.
  void ReadStackingOrder();

  // The registry's globals: KWin's window list, and whether this is KWin.
  static void OnGlobal(void* data, std::uint32_t name, std::string_view interface, std::uint32_t version);
  // The dispatchers of the list's, the window objects' and the stacking
  // order's events, taken by name; self is the manager.
  static int OnManagerEvent(const void* self, void* proxy, std::uint32_t opcode, const wl_message* message,
                            wl_argument* args);
  static int OnWindowEvent(const void* self, void* proxy, std::uint32_t opcode, const wl_message* message,
                           wl_argument* args);
  static int OnOrderEvent(const void* self, void* proxy, std::uint32_t opcode, const wl_message* message,
                          wl_argument* args);

  WaylandConnection connection_;
  std::uint32_t list_name_ = 0;
  std::uint32_t offered_ = 0;
  bool kwin_ = false;
  std::uint32_t version_ = 0;
  wl_proxy* manager_ = nullptr;
  wl_proxy* order_manager_ = nullptr;  // bound at kOrderByIdsVersion, for the order alone
  std::vector<wl_proxy*> windows_made_;
  std::size_t fetched_ = 0;  // windows whose objects have been asked for
  KdeWindowList windows_;
  std::vector<std::string> stacked_uuids_;
  bool order_done_ = false;
};

KdeWindowManager::~KdeWindowManager() {
  if (!connection_.Connected()) return;
  for (wl_proxy* window : windows_made_) connection_.Forget(window);
  if (order_manager_ != nullptr) connection_.Forget(order_manager_);
  if (manager_ != nullptr) connection_.Forget(manager_);
}

void KdeWindowManager::OnGlobal(void* data, std::uint32_t name, std::string_view which, std::uint32_t version) {
  auto* self = static_cast<KdeWindowManager*>(data);
  if (which == org_kde_plasma_window_management_interface.name && self->offered_ == 0) {
    self->list_name_ = name;
    self->offered_ = version;
  }
  if (IsKwinGlobal(which)) self->kwin_ = true;
}

int KdeWindowManager::OnManagerEvent(const void* data, void*, std::uint32_t, const wl_message* message,
                                     wl_argument* args) {
  auto* self = const_cast<KdeWindowManager*>(static_cast<const KdeWindowManager*>(data));
  const std::string_view event(message->name);
  self->connection_.Guarded([&] {
    if (event == "window") {
      self->windows_.Announce(args[0].u, {});
    } else if (event == "window_with_uuid") {
      self->windows_.Announce(args[0].u, args[1].s == nullptr ? "" : args[1].s);
    } else if (event == "stacking_order_changed" && args[0].a != nullptr) {
      const auto* ids = static_cast<const std::uint32_t*>(args[0].a->data);
      self->windows_.StackById({ids, ids + args[0].a->size / sizeof(std::uint32_t)});
    }
  });
  return 0;
}

int KdeWindowManager::OnWindowEvent(const void* data, void* proxy, std::uint32_t, const wl_message* message,
                                    wl_argument* args) {
  auto* self = const_cast<KdeWindowManager*>(static_cast<const KdeWindowManager*>(data));
  void* tag = self->connection_.TagOf(static_cast<wl_proxy*>(proxy));
  const std::size_t place = PlaceOf(tag);
  const std::string_view event(message->name);
  if (event == "parent_window") {
    auto* parent = reinterpret_cast<wl_proxy*>(args[0].o);
    const std::size_t none = self->windows_.Count();
    self->windows_.SetParent(place, parent == nullptr ? none : PlaceOf(self->connection_.TagOf(parent)));
    return 0;
  }
  if (ParentOnly(tag)) return 0;
  self->connection_.Guarded([&] {
    if (event == "title_changed") {
      self->windows_.SetTitle(place, args[0].s == nullptr ? "" : args[0].s);
    } else if (event == "app_id_changed") {
      self->windows_.SetAppId(place, args[0].s == nullptr ? "" : args[0].s);
    } else if (event == "pid_changed") {
      self->windows_.SetPid(place, args[0].u);
    } else if (event == "unmapped") {
      self->windows_.Unmap(place);
    } else if (event == "initial_state") {
      self->windows_.Describe(place);
    }
  });
  return 0;
}

int KdeWindowManager::OnOrderEvent(const void* data, void* proxy, std::uint32_t, const wl_message* message,
                                   wl_argument* args) {
  auto* self = const_cast<KdeWindowManager*>(static_cast<const KdeWindowManager*>(data));
  const std::string_view event(message->name);
  if (event == "window") {
    self->connection_.Guarded([&] { self->stacked_uuids_.emplace_back(args[0].s == nullptr ? "" : args[0].s); });
  } else if (event == "done") {
    self->order_done_ = true;
    self->connection_.Forget(static_cast<wl_proxy*>(proxy));  // the compositor has destroyed its end
  }
  return 0;
}

DesktopOpening KdeWindowManager::Open() {
  DesktopOpening opening = connection_.Connect();
  if (!connection_.Connected()) return opening;
  connection_.ReadGlobals(OnGlobal, this);
  if (offered_ == 0) {
    opening.failure = kwin_ ? DisplayFailure::kNotGranted : DisplayFailure::kNoWindowList;
    if (kwin_) opening.detail = kNotGrantedHow;
    return opening;
  }
  version_ = std::min<std::uint32_t>(offered_, org_kde_plasma_window_management_interface.version);
  if (version_ < kOrderByEventVersion) version_ = std::min(version_, kQuietVersion);
  manager_ = connection_.Bind(list_name_, org_kde_plasma_window_management_interface, version_);
  connection_.Listen(manager_, OnManagerEvent, this);
  connection_.Roundtrip();
  return opening;
}

wl_proxy* KdeWindowManager::NewWindowObject(std::size_t place, bool parent_only) {
  const std::string& uuid = windows_.UuidAt(place);
  void* const made = nullptr;  // the place of the new object among the arguments
  wl_proxy* proxy =
      version_ >= kByUuidVersion && !uuid.empty()
          ? connection_.Send(manager_, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_GET_WINDOW_BY_UUID,
                             &org_kde_plasma_window_interface, made, uuid.c_str())
          : connection_.Send(manager_, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_GET_WINDOW, &org_kde_plasma_window_interface,
                             made, windows_.IdAt(place));
  connection_.Listen(proxy, OnWindowEvent, this, Tag(place, parent_only));
  return proxy;
}

// Asks for an object for each window announced since the last time, a
// batch per round trip. KWin names a window's parent by the client's
// object for it, null while there is none; so once every window has its
// object, each new window is asked for a second, short-lived object, whose
// parent event names the parent.
void KdeWindowManager::FetchNewWindows() {
  const std::size_t first = fetched_;
  const std::size_t count = windows_.Count();
  windows_made_.reserve(count);
  for (std::size_t from = first; from < count; from += kBatch) {
    for (std::size_t place = from; place < std::min(count, from + kBatch); ++place) {
      windows_made_.push_back(NewWindowObject(place, false));
    }
    connection_.Roundtrip();
  }
  fetched_ = count;
  std::vector<wl_proxy*> again;
  for (std::size_t from = first; from < count; from += kBatch) {
    again.clear();
    for (std::size_t place = from; place < std::min(count, from + kBatch); ++place) {
      again.push_back(NewWindowObject(place, true));
    }
    connection_.Roundtrip();
    for (wl_proxy* window : again) connection_.SendDestroy(window, ORG_KDE_PLASMA_WINDOW_DESTROY);
  }
}

void KdeWindowManager::ReadStackingOrder() {
  if (version_ >= kOrderByEventVersion) {
    const int opcode = RequestOpcode(org_kde_plasma_window_management_interface, "get_stacking_order");
    if (opcode < 0) return;
    const wl_interface* order = org_kde_plasma_window_management_interface.methods[opcode].types[0];
    stacked_uuids_.clear();
    order_done_ = false;
    wl_proxy* proxy = connection_.Send(manager_, static_cast<std::uint32_t>(opcode), order, static_cast<void*>(nullptr));
    connection_.Listen(proxy, OnOrderEvent, this);
    while (!order_done_) connection_.Roundtrip();
    windows_.StackByUuid(stacked_uuids_);
    return;
  }
  if (order_manager_ != nullptr || offered_ < kOrderByIdsVersion || windows_.Count() > kMostStackedIds) return;
  order_manager_ = connection_.Bind(list_name_, org_kde_plasma_window_management_interface, kOrderByIdsVersion);
  connection_.Listen(order_manager_, OnManagerEvent, this);
  connection_.Roundtrip();
}

void KdeWindowManager::ReadDesktop(WindowTable& table) {
  connection_.Roundtrip();  // the windows and changes announced so far
  FetchNewWindows();
  ReadStackingOrder();
  table.Assign(windows_.Records());
}

}  // namespace

DesktopOpening OpenKdeDesktop() {
  auto manager = std::make_unique<KdeWindowManager>();
  DesktopOpening opening = manager->Open();
  if (manager->Bound()) opening.manager = std::move(manager);
  return opening;
}

}  // namespace brisquel
