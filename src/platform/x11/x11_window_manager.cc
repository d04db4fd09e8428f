// The window manager of an X11 desktop. Each walk lists the top-level
// windows at its start and reads their details a batch at a time as the
// walk reaches them.

#include "platform/x11/x11_window_manager.h"

#include <cstdlib>
#include <memory>
#include <optional>

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
    table.AssignLazily(reader.TopLevelWindows(), kWindowsPerBatch,
                       [&reader](std::span<const WindowHandle> windows) {
                         return reader.ReadRecords(windows);
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
