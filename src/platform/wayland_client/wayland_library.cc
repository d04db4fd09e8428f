#include "platform/wayland_client/wayland_library.h"

#include <dlfcn.h>

namespace brisquel {
namespace {

// Looks up name in library into *found; false when it is missing.
template <typename Found>
bool Find(void* library, const char* name, Found* found) {
  *found = reinterpret_cast<Found>(dlsym(library, name));
  return *found != nullptr;
}

bool FindAll(void* library, WaylandLibrary& calls) {
  return Find(library, "wl_display_connect_to_fd", &calls.display_connect_to_fd) &&
         Find(library, "wl_display_disconnect", &calls.display_disconnect) &&
         Find(library, "wl_display_get_fd", &calls.display_get_fd) &&
         Find(library, "wl_display_get_error", &calls.display_get_error) &&
         Find(library, "wl_display_prepare_read", &calls.display_prepare_read) &&
         Find(library, "wl_display_cancel_read", &calls.display_cancel_read) &&
         Find(library, "wl_display_read_events", &calls.display_read_events) &&
         Find(library, "wl_display_dispatch_pending", &calls.display_dispatch_pending) &&
         Find(library, "wl_display_flush", &calls.display_flush) &&
         Find(library, "wl_log_set_handler_client", &calls.log_set_handler_client) &&
         Find(library, "wl_proxy_marshal_flags", &calls.proxy_marshal_flags) &&
         Find(library, "wl_proxy_add_dispatcher", &calls.proxy_add_dispatcher) &&
         Find(library, "wl_proxy_destroy", &calls.proxy_destroy) &&
         Find(library, "wl_proxy_get_id", &calls.proxy_get_id) &&
         Find(library, "wl_proxy_get_user_data", &calls.proxy_get_user_data) &&
         Find(library, "wl_proxy_get_version", &calls.proxy_get_version) &&
         Find(library, "wl_registry_interface", &calls.registry_interface) &&
         Find(library, "wl_callback_interface", &calls.callback_interface);
}

}  // namespace

const WaylandLibrary* LoadWayland() {
  static WaylandLibrary calls{};
  static bool loaded = false;
  static bool tried = false;
  if (!tried) {
    tried = true;
    void* library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
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
