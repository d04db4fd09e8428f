// The calls of libwayland-client that the Wayland backends make, loaded
// when a Wayland desktop is first tried. Linking the library would load it,
// with libffi, on every run: for the banner, the usage text and every X11
// or GNOME run too, where it is never used. The prototypes are the
// library's own, taken from its header.
#pragma once

#include <wayland-client-core.h>

namespace brisquel {

struct WaylandLibrary {
  decltype(&::wl_display_connect_to_fd) display_connect_to_fd;
  decltype(&::wl_display_disconnect) display_disconnect;
  decltype(&::wl_display_get_fd) display_get_fd;
  decltype(&::wl_display_get_error) display_get_error;
  decltype(&::wl_display_prepare_read) display_prepare_read;
  decltype(&::wl_display_cancel_read) display_cancel_read;
  decltype(&::wl_display_read_events) display_read_events;
  decltype(&::wl_display_dispatch_pending) display_dispatch_pending;
  decltype(&::wl_display_flush) display_flush;
  decltype(&::wl_log_set_handler_client) log_set_handler_client;
  decltype(&::wl_proxy_marshal_flags) proxy_marshal_flags;
  decltype(&::wl_proxy_add_dispatcher) proxy_add_dispatcher;
  decltype(&::wl_proxy_destroy) proxy_destroy;
  decltype(&::wl_proxy_get_id) proxy_get_id;
  decltype(&::wl_proxy_get_user_data) proxy_get_user_data;
  decltype(&::wl_proxy_get_version) proxy_get_version;
  // The core interfaces whose objects the backends make.
  const wl_interface* registry_interface;
  const wl_interface* callback_interface;
};

// The library, loaded on the first call; null when libwayland-client.so.0
// cannot be loaded or lacks one of the calls; raises std::bad_alloc when
// memory runs out while it loads.
const WaylandLibrary* LoadWayland();

}  // namespace brisquel
