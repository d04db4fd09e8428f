// A client's connection to the Wayland compositor $WAYLAND_DISPLAY names,
// for the backends that read a compositor's window list: the connection,
// the registry's globals, requests and events, and every wait on it bounded
// by one deadline (kNoAnswerSeconds from the connection on), so that a
// compositor that has stopped cannot hold the run. A connection that breaks
// ends the run (EndForDisplay). libwayland-client is reached only through
// here, loaded when the first connection is tried. A connection that bound
// nothing is kept, with the globals it read, for the next one made: the
// desktops asked in turn connect once (KWin checks a client's grant at each
// connection, for milliseconds).
#pragma once

#include <wayland-client-core.h>

#include <cstdint>
#include <new>
#include <string_view>

#include "platform/desktop.h"
#include "platform/wayland_client/wayland_library.h"

namespace brisquel {

// Events come to a dispatcher: the library hands it the event's message
// (its name, by which the backends take it) and arguments as they are,
// where a listener would be called through libffi at several times the
// cost per event.
using WaylandDispatcher = int (*)(const void* data, void* proxy, std::uint32_t opcode, const wl_message* message,
                                  wl_argument* args);

class WaylandConnection {
 public:
  WaylandConnection() = default;
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;
  ~WaylandConnection();

  // Connects to the compositor. Says how far it got: not named when
  // WAYLAND_DISPLAY is unset or empty, kCannotOpen when nothing answers
  // there or libwayland-client cannot be loaded; otherwise the opening's
  // failure is left for the caller to set. Connected() tells whether it
  // succeeded.
  DesktopOpening Connect();
  bool Connected() const { return display_ != nullptr; }

  // Reads the compositor's globals in one round trip (none, where a kept
  // connection has read them): seen is called with data and each global's
  // name, interface and version.
  using GlobalSeen = void (*)(void* data, std::uint32_t name, std::string_view interface, std::uint32_t version);
  void ReadGlobals(GlobalSeen seen, void* data);

  // Binds the global called name at version.
  wl_proxy* Bind(std::uint32_t name, const wl_interface& interface, std::uint32_t version);

  // Sends request opcode on proxy, its arguments laid out as the protocol
  // gives them (a null in the place of a new object). made: the interface
  // of the object the request makes, at proxy's version, which is returned;
  // null for a request that makes none (and null is returned).
  template <typename... Args>
  wl_proxy* Send(wl_proxy* proxy, std::uint32_t opcode, const wl_interface* made, Args... args) {
    wl_proxy* result =
        wayland_->proxy_marshal_flags(proxy, opcode, made, wayland_->proxy_get_version(proxy), 0, args...);
    return made == nullptr ? nullptr : Made(result);
  }
  // Sends proxy's destructor request opcode, and frees proxy.
  void SendDestroy(wl_proxy* proxy, std::uint32_t opcode);
  // Frees proxy with no request: the compositor has destroyed its end, or
  // the interface has no destructor request.
  void Forget(wl_proxy* proxy) { wayland_->proxy_destroy(proxy); }

  // proxy's events go to dispatcher, with data; tag stays with proxy.
  void Listen(wl_proxy* proxy, WaylandDispatcher dispatcher, const void* data, void* tag = nullptr) {
    wayland_->proxy_add_dispatcher(proxy, dispatcher, data, tag);
  }
  void* TagOf(wl_proxy* proxy) const { return wayland_->proxy_get_user_data(proxy); }
  // The client-side id of a protocol object; 0 for none.
  std::uint32_t IdOf(const void* proxy) const {
    return proxy == nullptr ? 0 : wayland_->proxy_get_id(static_cast<wl_proxy*>(const_cast<void*>(proxy)));
  }

  // Waits until the compositor has answered everything asked so far.
  void Roundtrip();

  // The connection has failed: out of memory ends as such (bad_alloc),
  // anything else ends the run with the display lost.
  [[noreturn]] void Lost();

  // Runs body, which an event dispatcher calls; a failed allocation in it
  // is noted and raised once the dispatch is over, since no exception may
  // cross the C library.
  template <typename Body>
  void Guarded(Body body) noexcept {
    try {
      body();
    } catch (const std::bad_alloc&) {
      out_of_memory_ = true;
    }
  }

 private:
  // proxy, which a request made, unless it failed to: then the end of the
  // run.
  wl_proxy* Made(wl_proxy* proxy);
  void DispatchOnce();
  void CheckDispatch(int result);
  static int OnGlobalEvent(const void* self, void* proxy, std::uint32_t opcode, const wl_message* message,
                           wl_argument* args);

  // The registry's globals as announced, kept with the display.
  struct Globals;

  const WaylandLibrary* wayland_ = nullptr;
  wl_display* display_ = nullptr;
  wl_proxy* registry_ = nullptr;
  Globals* globals_ = nullptr;  // owned; null until the globals are read
  std::int64_t deadline_ = 0;
  bool bound_ = false;
  bool out_of_memory_ = false;
};

}  // namespace brisquel
