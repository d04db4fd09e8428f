// Test helper: a Wayland display that offers no foreign-toplevel manager
// (only wl_shm), as GNOME's and KDE's compositors do not. Listens on the
// socket named by its argument under $XDG_RUNTIME_DIR, prints "ready", and
// serves until it is killed (or half an hour pass).
//
//   bare_compositor SOCKET_NAME

#include <unistd.h>
#include <wayland-server.h>

#include <cstdio>

int main(int argc, char** argv) {
  alarm(1800);
  if (argc != 2) {
    std::fprintf(stderr, "usage: bare_compositor SOCKET_NAME\n");
    return 3;
  }
  wl_display* display = wl_display_create();
  if (display == nullptr || wl_display_init_shm(display) != 0 ||
      wl_display_add_socket(display, argv[1]) != 0) {
    std::fprintf(stderr, "bare_compositor: cannot listen on %s\n", argv[1]);
    return 3;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  wl_display_run(display);
  wl_display_destroy(display);
  return 0;
}
