// A client's connection to the Wayland compositor $WAYLAND_DISPLAY names,
// for the backends that read a compositor's window list: the connection,
// and every wait on it bounded by one deadline (kNoAnswerSeconds from the
// connection on), so that a compositor that has stopped cannot hold the
// run. A connection that breaks ends the run (EndForDisplay).
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <new>

#include "platform/desktop.h"

namespace brisquel {

class WaylandConnection {
 public:
  WaylandConnection() = default;
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;
  ~WaylandConnection();

  // Connects to the compositor. Says how far it got: not named when
  // WAYLAND_DISPLAY is unset or empty, kCannotOpen when nothing answers
  // there; otherwise the opening's failure is left for the caller to set.
  // Connected() tells whether it succeeded.
  DesktopOpening Connect();
  bool Connected() const { return display_ != nullptr; }
  wl_display* Display() const { return display_; }

  // Waits until the compositor has answered everything asked so far.
  void Roundtrip();

  // Binds the global that the registry announced as name at version.
  void* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t version);

  // The connection has failed: out of memory ends as such (bad_alloc),
  // anything else ends the run with the display lost.
  [[noreturn]] void Lost();

  // Runs body, which an event callback calls; a failed allocation in it is
  // noted and raised once the dispatch is over, since no exception may
  // cross the C library.
  template <typename Body>
  void Guarded(Body body) noexcept {
    try {
      body();
    } catch (const std::bad_alloc&) {
      out_of_memory_ = true;
    }
  }

  // The client-side id of a protocol object; 0 for none.
  template <typename Proxy>
  static std::uint32_t IdOf(Proxy* proxy) {
    return proxy == nullptr ? 0 : wl_proxy_get_id(reinterpret_cast<wl_proxy*>(proxy));
  }

 private:
  void DispatchOnce();
  void CheckDispatch(int result);

  wl_display* display_ = nullptr;
  std::int64_t deadline_ = 0;
  bool out_of_memory_ = false;
};

}  // namespace brisquel
