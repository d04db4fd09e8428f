// The top-level windows are the toplevels the compositor announces through
// its foreign-toplevel manager, in the order it announces them. The whole
// desktop arrives in one or two round trips after the manager is bound; the
// walk is then served from that batch. Every wait on the compositor is
// bounded by the connection's one deadline (platform/wayland_client/). The
// wlr and ext lists send their common events under the same names, so one
// dispatcher takes both by name.

#include "platform/wayland/wayland_window_manager.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
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

std::string_view TextOf(const char* text) { return text == nullptr ? std::string_view() : text; }

class WaylandWindowManager : public TableWindowManager {
 public:
  // The window lists a compositor may offer.
  enum class List { kWlr, kExt };

  // Connects and binds the compositor's list of that kind; says how far it
  // got.
  DesktopOpening Open(List list);
  bool Bound() const { return list_ != nullptr; }

 protected:
  void ReadDesktop(WindowTable& table) override {
    Collect();
    table.Assign(toplevels_.Records());
  }

 private:
  void Collect();

  static void OnGlobal(void* data, std::uint32_t name, std::string_view interface, std::uint32_t version);
  // The list's and its toplevels' events; self is the manager.
  static int OnEvent(const void* self, void* proxy, std::uint32_t opcode, const wl_message* message,
                     wl_argument* args);

  WaylandConnection connection_;
  std::uint32_t wlr_name_ = 0;
  std::uint32_t wlr_version_ = 0;
  std::uint32_t ext_name_ = 0;
  wl_proxy* list_ = nullptr;
  // The toplevel's destructor request, in the list's protocol.
  std::uint32_t destroy_opcode_ = 0;
  ToplevelTable toplevels_;
};

void WaylandWindowManager::OnGlobal(void* data, std::uint32_t name, std::string_view interface,
                                    std::uint32_t version) {
  auto* self = static_cast<WaylandWindowManager*>(data);
  if (interface == zwlr_foreign_toplevel_manager_v1_interface.name && self->wlr_version_ == 0) {
    self->wlr_name_ = name;
    self->wlr_version_ = version;
  }
  if (interface == ext_foreign_toplevel_list_v1_interface.name && self->ext_name_ == 0) self->ext_name_ = name;
}

int WaylandWindowManager::OnEvent(const void* data, void* proxy, std::uint32_t, const wl_message* message,
                                  wl_argument* args) {
  auto* self = const_cast<WaylandWindowManager*>(static_cast<const WaylandWindowManager*>(data));
  WaylandConnection& connection = self->connection_;
  ToplevelTable& toplevels = self->toplevels_;
  const WindowHandle id = connection.IdOf(proxy);
  const std::string_view event(message->name);
  if (event == "toplevel") {
    auto* toplevel = reinterpret_cast<wl_proxy*>(args[0].o);
    if (toplevel == nullptr) return 0;  // the library failed to make it, and says so
    // The dispatcher comes first: the toplevel's own events follow at once.
    connection.Listen(toplevel, OnEvent, self);
    connection.Guarded([&] { toplevels.Announce(connection.IdOf(toplevel)); });
  } else if (event == "title") {
    connection.Guarded([&] { toplevels.SetTitle(id, TextOf(args[0].s)); });
  } else if (event == "app_id") {
    connection.Guarded([&] { toplevels.SetAppId(id, TextOf(args[0].s)); });
  } else if (event == "parent") {
    toplevels.SetParent(id, connection.IdOf(args[0].o));
  } else if (event == "done") {
    connection.Guarded([&] { toplevels.Done(id); });
  } else if (event == "closed") {
    toplevels.Close(id);
    connection.SendDestroy(static_cast<wl_proxy*>(proxy), self->destroy_opcode_);
  }
  return 0;
}

DesktopOpening WaylandWindowManager::Open(List list) {
  DesktopOpening opening = connection_.Connect();
  if (!connection_.Connected()) return opening;
  connection_.ReadGlobals(OnGlobal, this);
  if (list == List::kWlr && wlr_version_ != 0) {
    list_ = connection_.Bind(wlr_name_, zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(wlr_version_, kHighestVersion));
    destroy_opcode_ = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_DESTROY;
  } else if (list == List::kExt && ext_name_ != 0) {
    list_ = connection_.Bind(ext_name_, ext_foreign_toplevel_list_v1_interface, 1);
    destroy_opcode_ = kExtToplevelDestroy;
  } else {
    opening.failure = DisplayFailure::kNoWindowList;
    return opening;
  }
  connection_.Listen(list_, OnEvent, this);
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
