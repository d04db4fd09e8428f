// The Linux program's window manager: the desktop's kind is chosen at the
// first FindWindowA, so that runs that look at no window need no display.
// A Wayland compositor that lists its toplevels is asked; otherwise the X
// server on $DISPLAY (XWayland under a Wayland session) is.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/wayland/wayland_window_manager.h"
#include "platform/window_manager.h"
#include "platform/x11/x11_window_manager.h"
#include "runtime/display_end.h"
#include "runtime/process_end.h"

namespace brisquel {
namespace {

// A line for standard error, built in a fixed buffer (a longer line is cut).
class Line {
 public:
  Line& Add(std::string_view text) {
    const std::size_t count = std::min(text.size(), sizeof text_ - length_);
    std::memcpy(text_ + length_, text.data(), count);
    length_ += count;
    return *this;
  }
  // The value of a variable in quotes, its control bytes shown as '?'.
  Line& AddQuoted(const char* value) {
    Add("\"");
    for (const char* p = value; *p != '\0' && length_ < sizeof text_; ++p) {
      const auto byte = static_cast<unsigned char>(*p);
      text_[length_++] = byte < 32 || byte == 127 ? '?' : *p;
    }
    return Add("\"");
  }
  std::string_view View() const { return {text_, length_}; }

 private:
  char text_[512];
  std::size_t length_ = 0;
};

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] != '\0';
}

// What the Wayland display lacks, as the messages say it.
std::string_view Lack(WaylandOutcome outcome) {
  return outcome == WaylandOutcome::kUnreachable ? "cannot open Wayland display "
                                                 : "no window list (foreign-toplevel) on Wayland display ";
}

// The Wayland backend when the compositor serves it, else the X11 one.
std::unique_ptr<WindowManager> ChooseWindowManager() {
  WaylandOutcome outcome = WaylandOutcome::kNotNamed;
  std::unique_ptr<WindowManager> wayland = OpenWaylandWindowManager(outcome);
  if (outcome == WaylandOutcome::kServed) return wayland;
  // Neither kind of display is named: the message says both were looked for.
  if (outcome == WaylandOutcome::kNotNamed && !IsSet("DISPLAY")) {
    EndForDisplay("cannot open display ", "(neither WAYLAND_DISPLAY nor DISPLAY is set)");
  }
  if (outcome != WaylandOutcome::kNotNamed) {
    if (!IsSet("DISPLAY")) {
      // Both kinds were tried: the message names both.
      Line what;
      what.Add("DISPLAY is not set, and ").Add(Lack(outcome));
      Line display;
      display.AddQuoted(std::getenv("WAYLAND_DISPLAY"));
      EndForDisplay(what.View(), display.View());
    }
    Line note;
    note.Add("brisquel: ").Add(Lack(outcome)).AddQuoted(std::getenv("WAYLAND_DISPLAY"));
    note.Add("; only X11 windows are listed");
    WriteErrorLine(note.View().data(), static_cast<std::uint32_t>(note.View().size()));
  }
  return NewX11WindowManager();
}

// Forwards every call to the backend chosen at the first FindWindowA.
// Before that there is no window: every other call fails.
class ChoosingWindowManager : public WindowManager {
 public:
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override {
    if (!chosen_) chosen_ = ChooseWindowManager();
    return chosen_->FindWindowA(class_name, window_name);
  }
  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override {
    return chosen_ ? chosen_->GetWindow(window, command) : 0;
  }
  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override {
    if (chosen_) return chosen_->GetWindowTextA(window, buffer, max_count);
    return 0;
  }
  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override {
    if (chosen_) return chosen_->GetClassNameA(window, buffer, max_count);
    return 0;
  }
  std::uint32_t GetWindowThreadProcessId(WindowHandle window,
                                         std::uint32_t* process_id) override {
    return chosen_ ? chosen_->GetWindowThreadProcessId(window, process_id) : 0;
  }
  WindowHandle GetParent(WindowHandle window) override {
    return chosen_ ? chosen_->GetParent(window) : 0;
  }

 private:
  std::unique_ptr<WindowManager> chosen_;
};

}  // namespace

std::unique_ptr<WindowManager> NewDefaultWindowManager() {
  return std::make_unique<ChoosingWindowManager>();
}

}  // namespace brisquel
