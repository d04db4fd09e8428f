#include "platform/wayland_client/wayland_library.h"

#include "platform/shared_library.h"

namespace brisquel {
namespace {

bool FindAll(void* library, WaylandLibrary& calls) {
  return FindCall(library, "wl_display_connect_to_fd", &calls.display_connect_to_fd) &&
         FindCall(library, "wl_display_disconnect", &calls.display_disconnect) &&
         FindCall(library, "wl_display_get_fd", &calls.display_get_fd) &&
         FindCall(library, "wl_display_get_error", &calls.display_get_error) &&
         FindCall(library, "wl_display_prepare_read", &calls.display_prepare_read) &&
         FindCall(library, "wl_display_cancel_read", &calls.display_cancel_read) &&
         FindCall(library, "wl_display_read_events", &calls.display_read_events) &&
         FindCall(library, "wl_display_dispatch_pending", &calls.display_dispatch_pending) &&
         FindCall(library, "wl_display_flush", &calls.display_flush) &&
         FindCall(library, "wl_log_set_handler_client", &calls.log_set_handler_client) &&
         FindCall(library, "wl_proxy_marshal_flags", &calls.proxy_marshal_flags) &&
         FindCall(library, "wl_proxy_add_dispatcher", &calls.proxy_add_dispatcher) &&
         FindCall(library, "wl_proxy_destroy", &calls.proxy_destroy) &&
         FindCall(library, "wl_proxy_get_id", &calls.proxy_get_id) &&
         FindCall(library, "wl_proxy_get_user_data", &calls.proxy_get_user_data) &&
         FindCall(library, "wl_proxy_get_version", &calls.proxy_get_version) &&
         FindCall(library, "wl_registry_interface", &calls.registry_interface) &&
         FindCall(library, "wl_callback_interface", &calls.callback_interface);
}

}  // namespace

const WaylandLibrary* LoadWayland() {
  static WaylandLibrary calls{};
  static bool loaded = false;
  static bool tried = false;
  if (!tried) {
    tried = true;
    void* library = OpenSharedLibrary("libwayland-client.so.0");
    loaded = library != nullptr && FindAll(library, calls);
  }
  return loaded ? &calls : nullptr;
}

}  // namespace brisquel

// The generated protocol code names the core interfaces wl_output, wl_seat
// and wl_surface among its argument types, for the library to check the
// objects an event names by their interface's name. The backends bind none
// of them, so no event names such an object; the build points those names
// at these stand-ins (see the protocol function in CMakeLists.txt), so that
// nothing refers to the library until it is loaded.
extern "C" const wl_interface brisquel_wl_output_name = {"wl_output", 1, 0, nullptr, 0, nullptr};
extern "C" const wl_interface brisquel_wl_seat_name = {"wl_seat", 1, 0, nullptr, 0, nullptr};
extern "C" const wl_interface brisquel_wl_surface_name = {"wl_surface", 1, 0, nullptr, 0, nullptr};
