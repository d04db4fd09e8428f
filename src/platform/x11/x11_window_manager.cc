// The window manager of an X11 desktop. Each walk lists the top-level
// windows at its start and reads their details a batch at a time as the
// walk reaches them.

#include "platform/x11/x11_window_manager.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/window_table.h"
#include "platform/x11/desktop_reader.h"
#include "platform/x11/display_connection.h"

namespace brisquel {
namespace {

class X11WindowManager : public TableWindowManager {
 protected:
  void ReadDesktop(WindowTable& table) override {
    if (!connection_) {
      connection_.emplace();
      reader_.emplace(*connection_);
    }
    DesktopReader& reader = *reader_;
    // One watch over each stretch of reading keeps the display's bound
    // cheap per reply; between stretches the lines read are written,
    // unwatched, however slowly their reader takes them.
    std::vector<WindowHandle> windows;
    {
      Watchdog watchdog;
      windows = reader.TopLevelWindows();
    }
    table.AssignLazily(std::move(windows), kWindowsPerBatch,
                       [&reader](std::span<const WindowHandle> batch) {
                         Watchdog watchdog;
                         return reader.ReadRecords(batch);
                       });
  }

 private:
  std::optional<DisplayConnection> connection_;
  std::optional<DesktopReader> reader_;
};

}  // namespace

DesktopOpening OpenX11Desktop() {
  DesktopOpening opening;
  opening.kind = DisplayKind::kX11;
  const char* display = std::getenv("DISPLAY");
  opening.named = display != nullptr && display[0] != '\0';
  if (opening.named) opening.manager = std::make_unique<X11WindowManager>();
  return opening;
}

}  // namespace brisquel
