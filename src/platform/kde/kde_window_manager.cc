// KWin announces every window of its list when the list is bound: its
// window id and, from version 13, its uuid. A window object asked for one
// sends the window's title, app id, pid and parent, then initial_state. KWin
// names the parent by this client's object for it, null while there is
// none; so the objects are asked for bottom of the stacking order first (KWin
// stacks a dialog above its parent), one per window.
//
// KWin 6 (offering version 17 or later) is asked by uuid, at the highest
// version both sides know: its get_window, deprecated, answers from KWin 6.4
// on with the window's state and then, on the same object, a stand-in's
// that ends unmapped. From version 17 the stacking order comes one window
// per event, on request. A program built from an older protocol file takes
// the order KWin sends when the list is bound (versions 11 to 16), which KWin
// cannot send once it passes 4,096 bytes: as a string of uuids (versions 12
// to 16) from about 105 windows, as an array of ids (version 11) from about
// 1,021.
//
// KWin 5 is asked by id, its list bound at version 10, which sends no order,
// and bound a second time at version 11 for the order only when the array
// fits; past that the windows stand newest first.
//
// A window the stacking order names that the walk cannot give makes the
// view partial, once the order, read again, still names it (a window that
// closed meanwhile has left it). Events are taken by name through a
// dispatcher, so that code built from an older or newer protocol file reads
// what any version sends.

#include "platform/kde/kde_window_manager.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
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

// The version that sends the stacking order one window per event: KWin 6.
constexpr std::uint32_t kOrderByEventVersion = 17;
// The highest version that sends no stacking order on its own.
constexpr std::uint32_t kQuietVersion = 10;
// The version that sends the stacking order as an array of ids.
constexpr std::uint32_t kOrderByIdsVersion = 11;
// The version from which the list announces each window's uuid.
constexpr std::uint32_t kUuidVersion = 13;
// The most ids a message of 4,096 bytes holds (8 bytes of header, 4 of the
// array's length), less a few for windows that open meanwhile.
constexpr std::size_t kMostStackedIds = (4096 - 12) / 4 - 5;
// Window objects asked for per round trip: KWin drops a client that asks
// for a thousand without reading the answers.
constexpr std::size_t kBatch = 128;

// Where the brisquel package installs the program its .desktop file grants
// the window list.
constexpr const char* kInstalledProgram = "/usr/bin/brisquel";

// What to do when KWin withholds the list, by what this program is.
constexpr std::string_view kGrantUnread =
    " (KWin has not read the grant the brisquel package gives /usr/bin/brisquel: log out and in, or reinstall "
    "the package)";
constexpr std::string_view kNotTheInstalledOne =
    " (this program is not the installed one, /usr/bin/brisquel, which KWin grants it: run /usr/bin/brisquel)";
constexpr std::string_view kNothingInstalled =
    " (install the brisquel package and run /usr/bin/brisquel, or write a .desktop file whose Exec names this "
    "program by its full path, with X-KDE-Wayland-Interfaces=org_kde_plasma_window_management)";
constexpr std::string_view kNotKwin = " (this compositor is not KWin: it offers no KDE window list)";

std::string_view NotGrantedHow() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length > 0 && std::string_view(path, static_cast<std::size_t>(length)) == kInstalledProgram) {
    return kGrantUnread;
  }
  return access(kInstalledProgram, X_OK) == 0 ? kNotTheInstalledOne : kNothingInstalled;
}

// Globals that KWin alone offers, to every client, headless or not:
// wlroots compositors offer some org_kde_kwin_* globals too (idle, server
// decorations), none of these.
bool IsKwinGlobal(std::string_view interface) {
  return interface == "org_kde_plasma_virtual_desktop_management" || interface == "org_kde_plasma_shell" ||
         interface == "kde_output_device_v2" || interface == "org_kde_kwin_outputdevice";
}

// The opcode of the request called name, or -1 where the interface, as
// built, has none.
int RequestOpcode(const wl_interface& interface, std::string_view name) {
  for (int i = 0; i < interface.method_count; ++i) {
    if (name == interface.methods[i].name) return i;
  }
  return -1;
}

// A window object is tagged with its window's place, never null.
void* Tag(std::size_t place) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(place + 1)); }
std::size_t PlaceOf(void* tag) { return reinterpret_cast<std::uintptr_t>(tag) - 1; }

// The uuids of a stacking order sent as one string, separated by ';'.
std::vector<std::string> SplitUuids(std::string_view text) {
  std::vector<std::string> uuids;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(';'), text.size());
    uuids.emplace_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return uuids;
}

class KdeWindowManager : public TableWindowManager {
 public:
  ~KdeWindowManager() override;

  // Connects and binds KWin's window list; says how far it got.
  DesktopOpening Open();
  bool Bound() const { return manager_ != nullptr; }

 protected:
  void ReadDesktop(WindowTable& table) override;

 private:
  // Asks for the window objects of the windows not asked for yet, a batch
  // per round trip.
  void FetchNewWindows();
  // Brings KWin's stacking order up to date.
  void ReadStackingOrder();
  // Says that n windows the stacking order names could not be read.
  void NoteUnread(std::size_t n);

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
  DisplayKind kind_ = DisplayKind::kWayland;
  std::uint32_t list_name_ = 0;
  std::uint32_t offered_ = 0;
  bool kwin_ = false;
  std::uint32_t version_ = 0;
  bool by_uuid_ = false;
  wl_proxy* manager_ = nullptr;
  wl_proxy* order_manager_ = nullptr;  // KWin 5: bound at kOrderByIdsVersion, for the order alone
  std::vector<wl_proxy*> windows_made_;
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
    } else if (event == "stacking_order_uuid_changed") {
      self->windows_.StackByUuid(SplitUuids(args[0].s == nullptr ? "" : args[0].s));
    }
  });
  return 0;
}

int KdeWindowManager::OnWindowEvent(const void* data, void* proxy, std::uint32_t, const wl_message* message,
                                    wl_argument* args) {
  auto* self = const_cast<KdeWindowManager*>(static_cast<const KdeWindowManager*>(data));
  const std::size_t place = PlaceOf(self->connection_.TagOf(static_cast<wl_proxy*>(proxy)));
  const std::string_view event(message->name);
  self->connection_.Guarded([&] {
    if (event == "title_changed") {
      self->windows_.SetTitle(place, args[0].s == nullptr ? "" : args[0].s);
    } else if (event == "app_id_changed") {
      self->windows_.SetAppId(place, args[0].s == nullptr ? "" : args[0].s);
    } else if (event == "pid_changed") {
      self->windows_.SetPid(place, args[0].u);
    } else if (event == "parent_window") {
      auto* parent = reinterpret_cast<wl_proxy*>(args[0].o);
      const std::size_t none = self->windows_.Count();
      self->windows_.SetParent(place, parent == nullptr ? none : PlaceOf(self->connection_.TagOf(parent)));
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
  const char* chosen = std::getenv("BRISQUEL_DESKTOP");
  if (chosen != nullptr && chosen[0] != '\0') kind_ = DisplayKind::kChosen;
  DesktopOpening opening = connection_.Connect();
  if (!connection_.Connected()) return opening;
  opening.kind = kind_;
  connection_.ReadGlobals(OnGlobal, this);
  if (offered_ == 0) {
    opening.failure = kwin_ ? DisplayFailure::kNotGranted : DisplayFailure::kNoWindowList;
    // Asked alone, the desktop says it is not KWin; asked in turn, it leaves
    // the word to the desktops whose list this compositor may offer.
    if (kwin_) {
      opening.detail = NotGrantedHow();
    } else if (kind_ == DisplayKind::kChosen) {
      opening.detail = kNotKwin;
    }
    return opening;
  }
  const std::uint32_t known = std::min<std::uint32_t>(offered_, org_kde_plasma_window_management_interface.version);
  by_uuid_ = offered_ >= kOrderByEventVersion && known >= kUuidVersion;
  version_ = by_uuid_ ? known : std::min(known, kQuietVersion);
  manager_ = connection_.Bind(list_name_, org_kde_plasma_window_management_interface, version_);
  connection_.Listen(manager_, OnManagerEvent, this);
  connection_.Roundtrip();
  return opening;
}

void KdeWindowManager::FetchNewWindows() {
  const std::vector<std::size_t> places = windows_.TakeUnasked();
  windows_made_.reserve(windows_made_.size() + places.size());
  void* const made = nullptr;  // the place of the new object among the arguments
  for (std::size_t from = 0; from < places.size(); from += kBatch) {
    for (std::size_t i = from; i < std::min(places.size(), from + kBatch); ++i) {
      const std::size_t place = places[i];
      wl_proxy* proxy =
          by_uuid_ ? connection_.Send(manager_, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_GET_WINDOW_BY_UUID,
                                      &org_kde_plasma_window_interface, made, windows_.UuidAt(place).c_str())
                   : connection_.Send(manager_, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_GET_WINDOW,
                                      &org_kde_plasma_window_interface, made, windows_.IdAt(place));
      connection_.Listen(proxy, OnWindowEvent, this, Tag(place));
      windows_made_.push_back(proxy);
    }
    connection_.Roundtrip();
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
  // Otherwise the order comes, and is kept up to date, with the list's
  // events.
  if (by_uuid_ || order_manager_ != nullptr || offered_ < kOrderByIdsVersion ||
      windows_.Count() > kMostStackedIds) {
    connection_.Roundtrip();
    return;
  }
  order_manager_ = connection_.Bind(list_name_, org_kde_plasma_window_management_interface, kOrderByIdsVersion);
  connection_.Listen(order_manager_, OnManagerEvent, this);
  connection_.Roundtrip();
}

void KdeWindowManager::NoteUnread(std::size_t n) {
  char text[64] = " (";
  std::size_t length = 2;
  length = static_cast<std::size_t>(std::to_chars(text + length, text + sizeof text, n).ptr - text);
  const std::string_view of = " of its windows)";
  std::copy(of.begin(), of.end(), text + length);
  NotePartialView(DisplayFailure::kWindowsUnread, kind_, std::string_view(text, length + of.size()));
  MarkPartial();
}

void KdeWindowManager::ReadDesktop(WindowTable& table) {
  connection_.Roundtrip();  // the windows and changes announced so far
  ReadStackingOrder();
  FetchNewWindows();
  if (windows_.Unread() > 0) {
    ReadStackingOrder();
    FetchNewWindows();  // windows announced meanwhile
    if (windows_.Unread() > 0) NoteUnread(windows_.Unread());
  }
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
