// The interfaces of ext_foreign_toplevel_list_v1 (wayland-protocols,
// staging), written out from the protocol's definition: the list announces
// every toplevel as a handle object, and each handle sends title, app_id,
// identifier, done and closed events. Debian 12 ships no definition file
// for it, so the interface tables are here rather than generated.
#pragma once

#include <wayland-util.h>

#include <cstdint>

extern "C" {

extern const struct wl_interface ext_foreign_toplevel_list_v1_interface;
extern const struct wl_interface ext_foreign_toplevel_handle_v1_interface;

}  // extern "C"

namespace brisquel {

// The handle's destroy request.
inline constexpr std::uint32_t kExtToplevelDestroy = 0;

}  // namespace brisquel
