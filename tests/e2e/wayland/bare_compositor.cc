// Test helper: a Wayland display that offers no wlr foreign-toplevel
// manager (only wl_shm), as GNOME's and KDE's compositors do not; with
// --ext, it offers the ext-foreign-toplevel list instead, announcing the
// toplevels given (as a compositor that has only the newer list does).
// Listens on the socket named by its argument under $XDG_RUNTIME_DIR,
// prints "ready", and serves until it is killed (or half an hour pass).
//
//   bare_compositor SOCKET_NAME [--ext TITLE APP_ID]...

#include <unistd.h>
#include <wayland-server.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The protocol's interfaces, shared with the program.
extern "C" const wl_interface ext_foreign_toplevel_list_v1_interface;
extern "C" const wl_interface ext_foreign_toplevel_handle_v1_interface;

namespace {

struct Toplevel {
  std::string title;
  std::string app_id;
};
std::vector<Toplevel> toplevels;

// Event numbers, in the protocol's order.
constexpr std::uint32_t kListToplevel = 0, kListFinished = 1;
constexpr std::uint32_t kHandleDone = 1, kHandleTitle = 2, kHandleAppId = 3, kHandleIdentifier = 4;

void DestroyResource(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }
void StopList(wl_client*, wl_resource* list) { wl_resource_post_event(list, kListFinished); }

// Requests: the list's stop and destroy, the handle's destroy.
const struct {
  void (*stop)(wl_client*, wl_resource*);
  void (*destroy)(wl_client*, wl_resource*);
} kListRequests = {StopList, DestroyResource};
const struct {
  void (*destroy)(wl_client*, wl_resource*);
} kHandleRequests = {DestroyResource};

// A client binds the list: every toplevel is announced with its details.
void BindList(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  wl_resource* list = wl_resource_create(client, &ext_foreign_toplevel_list_v1_interface, static_cast<int>(version), id);
  if (list == nullptr) return;
  wl_resource_set_implementation(list, &kListRequests, nullptr, nullptr);
  for (std::size_t i = 0; i < toplevels.size(); ++i) {
    wl_resource* handle = wl_resource_create(client, &ext_foreign_toplevel_handle_v1_interface,
                                             static_cast<int>(version), 0);
    if (handle == nullptr) return;
    wl_resource_set_implementation(handle, &kHandleRequests, nullptr, nullptr);
    wl_resource_post_event(list, kListToplevel, handle);
    wl_resource_post_event(handle, kHandleTitle, toplevels[i].title.c_str());
    wl_resource_post_event(handle, kHandleAppId, toplevels[i].app_id.c_str());
    wl_resource_post_event(handle, kHandleIdentifier, ("toplevel-" + std::to_string(i)).c_str());
    wl_resource_post_event(handle, kHandleDone);
  }
}

}  // namespace

int main(int argc, char** argv) {
  alarm(1800);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bare_compositor SOCKET_NAME [--ext TITLE APP_ID]...\n");
    return 3;
  }
  bool ext = false;
  for (int i = 2; i < argc; i += 3) {
    if (std::strcmp(argv[i], "--ext") != 0 || i + 2 >= argc) {
      std::fprintf(stderr, "bare_compositor: expected --ext TITLE APP_ID at %s\n", argv[i]);
      return 3;
    }
    toplevels.push_back({argv[i + 1], argv[i + 2]});
    ext = true;
  }
  wl_display* display = wl_display_create();
  if (display == nullptr || wl_display_init_shm(display) != 0 ||
      wl_display_add_socket(display, argv[1]) != 0 ||
      (ext && wl_global_create(display, &ext_foreign_toplevel_list_v1_interface, 1, nullptr, BindList) == nullptr)) {
    std::fprintf(stderr, "bare_compositor: cannot listen on %s\n", argv[1]);
    return 3;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  wl_display_run(display);
  wl_display_destroy(display);
  return 0;
}
