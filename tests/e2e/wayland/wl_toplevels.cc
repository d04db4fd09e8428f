// Test helper: makes the xdg-shell toplevels a test asks for on
// $WAYLAND_DISPLAY, maps each with a small buffer, prints "ready" once the
// compositor has seen them all, then keeps them until it is killed (or half
// an hour pass, so that a broken test leaves nothing behind).
//
//   wl_toplevels [--churn TITLE] WINDOW...
//   WINDOW: window [--title T] [--app-id T] [--parent K]
//       | many N PREFIX   (N toplevels titled PREFIX1 .. PREFIXN)
// T is bytes, with \xHH and \\ as escapes; without --title a toplevel has
// none. K is the place of an earlier window, counted from 0. Every toplevel
// has a fixed size, so that a tiling compositor floats it rather than
// rearranging all of them at each new one. --churn keeps making and
// destroying toplevels titled TITLE after "ready".

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "xdg-shell-client.h"

namespace {

constexpr int kSize = 16;

struct Layout {
  std::string title, app_id;
  bool has_title = false, has_app_id = false;
  long parent = -1;
};

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "wl_toplevels: %s\n", why.c_str());
  std::exit(3);
}

std::string Unescape(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes.push_back(text[i]);
    } else if (text[i + 1] == 'x' && i + 3 < text.size()) {
      bytes.push_back(static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16)));
      i += 3;
    } else {
      bytes.push_back(text[i + 1]);
      ++i;
    }
  }
  return bytes;
}

struct Globals {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wm_base = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
  auto* globals = static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    globals->compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    globals->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
    globals->wm_base =
        static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
  }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* wm_base, std::uint32_t serial) { xdg_wm_base_pong(wm_base, serial); }
const xdg_wm_base_listener kWmBaseListener = {OnPing};

struct Window {
  wl_surface* surface = nullptr;
  xdg_surface* shell_surface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wl_buffer* buffer = nullptr;
  bool attached = false;
};

void OnSurfaceConfigure(void* data, xdg_surface* shell_surface, std::uint32_t serial) {
  auto* window = static_cast<Window*>(data);
  xdg_surface_ack_configure(shell_surface, serial);
  if (!window->attached) {
    wl_surface_attach(window->surface, window->buffer, 0, 0);
    window->attached = true;
  }
  wl_surface_commit(window->surface);
}
const xdg_surface_listener kSurfaceListener = {OnSurfaceConfigure};

void OnToplevelConfigure(void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {}
void OnToplevelClose(void*, xdg_toplevel*) {}
void OnConfigureBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void OnCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevelListener = {OnToplevelConfigure, OnToplevelClose,
                                                 OnConfigureBounds, OnCapabilities};

class Desktop {
 public:
  Desktop() {
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) Fail("cannot connect to the Wayland display");
    wl_registry* registry = wl_display_get_registry(display_);
    wl_registry_add_listener(registry, &kRegistryListener, &globals_);
    Roundtrip();
    if (globals_.compositor == nullptr || globals_.shm == nullptr || globals_.wm_base == nullptr) {
      Fail("the compositor lacks wl_compositor, wl_shm or xdg_wm_base");
    }
    xdg_wm_base_add_listener(globals_.wm_base, &kWmBaseListener, nullptr);
    buffer_ = MakeBuffer();
  }

  void Roundtrip() {
    if (wl_display_roundtrip(display_) < 0) Fail("lost the Wayland display");
  }

  // Answers the compositor (its pings) until it goes away.
  void Serve() {
    while (wl_display_dispatch(display_) >= 0) {
    }
  }

  // Makes and commits a toplevel; it is mapped at its first configure.
  Window* Make(const Layout& layout, const std::vector<Window*>& earlier) {
    auto* window = new Window;
    window->buffer = buffer_;
    window->surface = wl_compositor_create_surface(globals_.compositor);
    window->shell_surface = xdg_wm_base_get_xdg_surface(globals_.wm_base, window->surface);
    xdg_surface_add_listener(window->shell_surface, &kSurfaceListener, window);
    window->toplevel = xdg_surface_get_toplevel(window->shell_surface);
    xdg_toplevel_add_listener(window->toplevel, &kToplevelListener, window);
    if (layout.has_title) xdg_toplevel_set_title(window->toplevel, layout.title.c_str());
    if (layout.has_app_id) xdg_toplevel_set_app_id(window->toplevel, layout.app_id.c_str());
    if (layout.parent >= 0) {
      if (static_cast<std::size_t>(layout.parent) >= earlier.size()) Fail("--parent names no earlier window");
      xdg_toplevel_set_parent(window->toplevel, earlier[layout.parent]->toplevel);
    }
    xdg_toplevel_set_min_size(window->toplevel, kSize, kSize);
    xdg_toplevel_set_max_size(window->toplevel, kSize, kSize);
    wl_surface_commit(window->surface);
    return window;
  }

  void Destroy(Window* window) {
    xdg_toplevel_destroy(window->toplevel);
    xdg_surface_destroy(window->shell_surface);
    wl_surface_destroy(window->surface);
    delete window;
  }

 private:
  wl_buffer* MakeBuffer() {
    const int stride = kSize * 4, bytes = stride * kSize;
    const int fd = memfd_create("wl_toplevels", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, bytes) != 0) Fail("cannot make the buffer's memory");
    wl_shm_pool* pool = wl_shm_create_pool(globals_.shm, fd, bytes);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, kSize, kSize, stride, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
  }

  wl_display* display_ = nullptr;
  Globals globals_;
  wl_buffer* buffer_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  alarm(1800);
  std::vector<Layout> layouts;
  std::string churn;
  bool has_churn = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail("missing value after " + std::string(arg));
      return Unescape(argv[++i]);
    };
    if (arg == "--churn") {
      churn = value();
      has_churn = true;
    } else if (arg == "window") {
      layouts.emplace_back();
    } else if (arg == "many") {
      if (i + 2 >= argc) Fail("many needs N and PREFIX");
      const long count = std::strtol(argv[++i], nullptr, 10);
      const std::string prefix = Unescape(argv[++i]);
      for (long n = 1; n <= count; ++n) {
        Layout layout;
        layout.title = prefix + std::to_string(n);
        layout.has_title = true;
        layouts.push_back(layout);
      }
    } else if (layouts.empty()) {
      Fail("an option before the first window: " + std::string(arg));
    } else if (arg == "--title") {
      layouts.back().title = value();
      layouts.back().has_title = true;
    } else if (arg == "--app-id") {
      layouts.back().app_id = value();
      layouts.back().has_app_id = true;
    } else if (arg == "--parent") {
      layouts.back().parent = std::strtol(value().c_str(), nullptr, 10);
    } else {
      Fail("unknown argument " + std::string(arg));
    }
  }

  Desktop desktop;
  std::vector<Window*> windows;
  for (const Layout& layout : layouts) {
    windows.push_back(desktop.Make(layout, windows));
    // A round trip now and then keeps the requests from piling up unanswered.
    if (windows.size() % 100 == 0) desktop.Roundtrip();
  }
  // The first trip brings the configure events, the second the mapped state.
  desktop.Roundtrip();
  desktop.Roundtrip();
  desktop.Roundtrip();
  std::printf("ready\n");
  std::fflush(stdout);

  Layout churning;
  churning.title = churn;
  churning.has_title = true;
  if (!has_churn) {
    desktop.Serve();
    return 0;
  }
  for (;;) {
    Window* window = desktop.Make(churning, windows);
    desktop.Roundtrip();
    desktop.Roundtrip();
    desktop.Destroy(window);
    desktop.Roundtrip();
  }
}
