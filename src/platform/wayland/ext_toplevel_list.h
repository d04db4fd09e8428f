// The client side of ext_foreign_toplevel_list_v1 (wayland-protocols,
// staging), written out from the protocol's definition: the list announces
// every toplevel as a handle object, and each handle sends title, app_id,
// identifier, done and closed events. Debian 12 ships no definition file
// for it, so the interface tables are here rather than generated.
#pragma once

#include <wayland-client.h>

#include <cstdint>

extern "C" {

struct ext_foreign_toplevel_list_v1;
struct ext_foreign_toplevel_handle_v1;

extern const struct wl_interface ext_foreign_toplevel_list_v1_interface;
extern const struct wl_interface ext_foreign_toplevel_handle_v1_interface;

struct ext_foreign_toplevel_list_v1_listener {
  void (*toplevel)(void* data, ext_foreign_toplevel_list_v1* list, ext_foreign_toplevel_handle_v1* toplevel);
  void (*finished)(void* data, ext_foreign_toplevel_list_v1* list);
};

struct ext_foreign_toplevel_handle_v1_listener {
  void (*closed)(void* data, ext_foreign_toplevel_handle_v1* handle);
  void (*done)(void* data, ext_foreign_toplevel_handle_v1* handle);
  void (*title)(void* data, ext_foreign_toplevel_handle_v1* handle, const char* title);
  void (*app_id)(void* data, ext_foreign_toplevel_handle_v1* handle, const char* app_id);
  void (*identifier)(void* data, ext_foreign_toplevel_handle_v1* handle, const char* identifier);
};

}  // extern "C"

namespace brisquel {

inline int AddListener(ext_foreign_toplevel_list_v1* list, const ext_foreign_toplevel_list_v1_listener* listener,
                       void* data) {
  return wl_proxy_add_listener(reinterpret_cast<wl_proxy*>(list),
                               reinterpret_cast<void (**)(void)>(const_cast<ext_foreign_toplevel_list_v1_listener*>(listener)),
                               data);
}

inline int AddListener(ext_foreign_toplevel_handle_v1* handle,
                       const ext_foreign_toplevel_handle_v1_listener* listener, void* data) {
  return wl_proxy_add_listener(reinterpret_cast<wl_proxy*>(handle),
                               reinterpret_cast<void (**)(void)>(const_cast<ext_foreign_toplevel_handle_v1_listener*>(listener)),
                               data);
}

// The handle's destroy request (opcode 0), which also frees the proxy.
inline void Destroy(ext_foreign_toplevel_handle_v1* handle) {
  auto* proxy = reinterpret_cast<wl_proxy*>(handle);
  wl_proxy_marshal_flags(proxy, 0, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace brisquel
