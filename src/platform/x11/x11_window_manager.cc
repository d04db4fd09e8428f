// The window manager of an X11 desktop. Each walk lists the top-level
// windows at its start and reads their details a batch at a time as the
// walk reaches them.

#include "platform/x11/x11_window_manager.h"

#include <memory>
#include <optional>

#include "platform/x11/desktop_reader.h"
#include "platform/x11/display_connection.h"
#include "platform/x11/window_table.h"

namespace brisquel {
namespace {

class X11WindowManager : public WindowManager {
 public:
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override {
    // Only the walk's start, with no names, is served.
    if (class_name != nullptr || window_name != nullptr) return 0;
    if (!connection_) {
      connection_.emplace();
      reader_.emplace(*connection_);
    }
    DesktopReader& reader = *reader_;
    table_.AssignLazily(reader.TopLevelWindows(), kWindowsPerBatch,
                        [&reader](std::span<const WindowHandle> windows) {
                          return reader.ReadRecords(windows);
                        });
    return table_.First();
  }

  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override {
    return command == kGwHwndNext ? table_.Next(window) : 0;
  }

  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override {
    return table_.Title(window, buffer, max_count);
  }

  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override {
    return table_.ClassName(window, buffer, max_count);
  }

  std::uint32_t GetWindowThreadProcessId(WindowHandle window,
                                         std::uint32_t* process_id) override {
    return table_.ThreadProcessId(window, process_id);
  }

  WindowHandle GetParent(WindowHandle window) override { return table_.Parent(window); }

 private:
  // The table is declared last, so that it goes before the reader it calls.
  std::optional<DisplayConnection> connection_;
  std::optional<DesktopReader> reader_;
  WindowTable table_;
};

}  // namespace

std::unique_ptr<WindowManager> NewX11WindowManager() {
  return std::make_unique<X11WindowManager>();
}

}  // namespace brisquel
