// The Linux program's window manager: the desktop is chosen at the first
// FindWindowA, so that runs that look at no window need no display.
//
// The desktops are listed once, below. BRISQUEL_DESKTOP names one of them
// and only that one is asked. Otherwise the Wayland desktops are asked in
// turn, and the first whose compositor serves its window list is used;
// when none does, the X server on $DISPLAY (XWayland under a Wayland
// session) is, with one line on standard error saying why. XWayland's
// windows are only part of such a desktop, and the walk says so.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/desktop.h"
#include "platform/display_failure.h"
#include "platform/gnome/gnome_window_manager.h"
#include "platform/kde/kde_window_manager.h"
#include "platform/wayland/wayland_window_manager.h"
#include "platform/window_manager.h"
#include "platform/window_table.h"
#include "platform/x11/x11_window_manager.h"

namespace brisquel {
namespace {

// A desktop the Linux program can list: its name for BRISQUEL_DESKTOP and
// how to ask it for its window list.
struct Desktop {
  std::string_view name;
  DesktopOpening (*open)();
};

// The Wayland desktops, in the order they are asked.
constexpr Desktop kWaylandDesktops[] = {
    {"wlr", OpenWlrDesktop},  // wlroots-style compositors: sway, Hyprland, labwc, river, ...
    {"kde", OpenKdeDesktop},  // KDE Plasma: KWin's own window list
    {"ext", OpenExtDesktop},  // the newer list without parents: niri, COSMIC, Mir, ...
    {"gnome", OpenGnomeDesktop},  // GNOME Shell, through the project's own shell extension
};
constexpr Desktop kX11Desktop = {"x11", OpenX11Desktop};

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] != '\0';
}

// "; the known ones: x11, wlr, ..." in a fixed buffer.
class KnownDesktops {
 public:
  KnownDesktops() {
    Add("; the known ones: ");
    Add(kX11Desktop.name);
    for (const Desktop& desktop : kWaylandDesktops) Add(", ").Add(desktop.name);
  }
  std::string_view View() const { return {text_, length_}; }

 private:
  KnownDesktops& Add(std::string_view text) {
    const std::size_t count = text.size() < sizeof text_ - length_ ? text.size() : sizeof text_ - length_;
    std::memcpy(text_ + length_, text.data(), count);
    length_ += count;
    return *this;
  }
  char text_[128];
  std::size_t length_ = 0;
};

// The desktop BRISQUEL_DESKTOP names, or the end of the run: the name is
// unknown, or that desktop does not serve its window list (never another
// desktop in its place).
std::unique_ptr<WindowManager> OpenChosen(std::string_view name) {
  const Desktop* chosen = name == kX11Desktop.name ? &kX11Desktop : nullptr;
  for (const Desktop& desktop : kWaylandDesktops) {
    if (desktop.name == name) chosen = &desktop;
  }
  if (chosen == nullptr) EndForDisplay(DisplayFailure::kUnknownDesktop, DisplayKind::kChosen, KnownDesktops().View());
  DesktopOpening opening = chosen->open();
  if (opening.manager) return std::move(opening.manager);
  if (!opening.named) EndForDisplay(DisplayFailure::kCannotOpen, opening.kind);
  EndForDisplay(opening.failure, opening.kind, opening.detail);
}

// The first Wayland desktop that serves its window list, else the X11 one;
// partial is set when a Wayland display was named but its list not read,
// so that the X11 windows are only part of the desktop.
std::unique_ptr<WindowManager> ChooseAutomatically(bool& partial) {
  DesktopOpening why;  // why no Wayland desktop serves: the most telling answer
  why.named = false;
  for (const Desktop& desktop : kWaylandDesktops) {
    DesktopOpening opening = desktop.open();
    if (opening.manager) return std::move(opening.manager);
    if (!opening.named) break;  // no Wayland display is named
    // An answer that says what to do tells more than one that does not.
    if (!why.named || (why.detail.empty() && !opening.detail.empty())) why = std::move(opening);
    if (why.failure == DisplayFailure::kCannotOpen) break;  // nothing answers there
  }
  if (!IsSet("DISPLAY")) {
    if (!why.named) EndForDisplay(DisplayFailure::kNoneNamed, DisplayKind::kX11);
    EndForDisplays(why.failure, why.detail, why.kind);
  }
  if (why.named) {
    NoteFallBackToX11(why.failure, why.detail, why.kind);
    partial = true;
  }
  return kX11Desktop.open().manager;
}

// Chooses the desktop at the first FindWindowA and forwards every call to
// it; before that there is no window and every other call fails.
class ChoosingWindowManager : public WindowManagerWrapper {
 public:
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override {
    if (Target() == nullptr) {
      const char* chosen = std::getenv("BRISQUEL_DESKTOP");
      SetTarget(chosen != nullptr && chosen[0] != '\0' ? OpenChosen(chosen) : ChooseAutomatically(partial_));
    }
    return WindowManagerWrapper::FindWindowA(class_name, window_name);
  }

  bool SawWholeDesktop() override { return !partial_ && WindowManagerWrapper::SawWholeDesktop(); }

 private:
  bool partial_ = false;  // only XWayland's windows, in place of a Wayland desktop's
};

}  // namespace

std::unique_ptr<WindowManager> NewDefaultWindowManager() {
  return std::make_unique<ChoosingWindowManager>();
}

}  // namespace brisquel
