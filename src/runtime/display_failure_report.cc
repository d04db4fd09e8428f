#include "runtime/display_failure_report.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/text_columns.h"
#include "runtime/process_exit.h"
#include "runtime/standard_error.h"
#include "runtime/terminal_text.h"

namespace brisquel {
namespace {

static_assert(kNoAnswerSeconds == 10, "the no-answer messages name the bound");

// A message is the text before the display's name and the text after it.
struct Message {
  std::string_view before;
  std::string_view after;
};

// The messages of a failure, by the kind of display: X11, Wayland, chosen,
// GNOME Shell.
struct Row {
  DisplayFailure failure;
  Message by_kind[4];
};

constexpr std::string_view kNoneNamed = "cannot open display (neither WAYLAND_DISPLAY nor DISPLAY is set)";

constexpr Row kMessages[] = {
    {DisplayFailure::kCannotOpen,
     {{"cannot open display ", ""}, {"cannot open Wayland display ", ""}, {"cannot open desktop ", ""},
      {"cannot reach GNOME Shell over the session bus for Wayland display ", ""}}},
    {DisplayFailure::kNoneNamed, {{kNoneNamed, ""}, {kNoneNamed, ""}, {kNoneNamed, ""},
      {kNoneNamed, ""}}},
    {DisplayFailure::kLost,
     {{"lost the connection to display ", ""},
      {"lost the connection to Wayland display ", ""},
      {"lost the connection to desktop ", ""},
      {"lost the connection to GNOME Shell on Wayland display ", ""}}},
    {DisplayFailure::kNoAnswer,
     {{"display ", " did not answer for 10 seconds (a client may hold a grab)"},
      {"no answer for 10 seconds from Wayland display ", ""},
      {"no answer for 10 seconds from desktop ", ""},
      {"no answer for 10 seconds from GNOME Shell on Wayland display ", ""}}},
    {DisplayFailure::kRefused,
     {{"unexpected error from display ", ""},
      {"unexpected error from Wayland display ", ""},
      {"desktop ", " refused its window list"},
      {"GNOME Shell on Wayland display ", " refused its window list"}}},
    {DisplayFailure::kNoWindowList,
     {{"no window list on display ", ""},
      {"no window list (foreign-toplevel) on Wayland display ", ""},
      {"no window list from desktop ", ""},
      {"no window list from GNOME Shell on Wayland display ", ""}}},
    {DisplayFailure::kUnknownDesktop,
     {{"unknown desktop ", ""}, {"unknown desktop ", ""}, {"unknown desktop ", " in BRISQUEL_DESKTOP"},
      {"unknown desktop ", ""}}},
    {DisplayFailure::kNotGranted,
     {{"KWin on display ", " did not grant this program its window list"},
      {"KWin on Wayland display ", " did not grant this program its window list"},
      {"desktop ", " (KWin) did not grant this program its window list"},
      {"GNOME Shell on Wayland display ", " did not grant this program its window list"}}},
    {DisplayFailure::kWindowsUnread,
     {{"display ", " named windows that could not be read"},
      {"Wayland display ", " named windows of its list that could not be read"},
      {"desktop ", " named windows of its list that could not be read"},
      {"GNOME Shell on Wayland display ", " named windows that could not be read"}}},
};

// After the line of a failure that leaves part of the desktop unseen: what
// the run goes on with.
constexpr std::string_view kOnlyXWayland =
    "; only XWayland's windows were seen, so a window not found may still be open "
    "(BRISQUEL_DESKTOP=x11 lists XWayland's windows on purpose)";
constexpr std::string_view kOnlyPart = "; only the windows read were seen, so a window not found may still be open";

// The variable that names each kind of display.
constexpr const char* kVariables[] = {"DISPLAY", "WAYLAND_DISPLAY", "BRISQUEL_DESKTOP", "WAYLAND_DISPLAY"};

constexpr std::size_t kLineSize = 1024;
constexpr std::size_t kNameShown = 254;

// A line for standard error in a fixed buffer; a longer line is cut.
class Line {
 public:
  Line& Add(std::string_view text) {
    const std::size_t count = text.size() < kLineSize - length_ ? text.size() : kLineSize - length_;
    if (count > 0) std::memcpy(text_ + length_, text.data(), count);
    length_ += count;
    return *this;
  }

  // The display's name: the variable's value in double quotes, its control
  // bytes shown as '?' on a terminal, as window titles are.
  Line& AddDisplayName(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] == '\0') return Add("(").Add(variable).Add(" is not set)");
    std::string_view name(value);
    if (name.size() > kNameShown) name = name.substr(0, kNameShown);
    Add("\"");
    if (ErrorIsConsole()) {
      char masked[kNameShown];
      Add(std::string_view(masked, MaskTerminalControls(name, TextIsUtf8(), masked)));
    } else {
      Add(name);
    }
    return Add("\"");
  }

  void Write() const { WriteErrorLine(text_, static_cast<std::uint32_t>(length_)); }

 private:
  char text_[kLineSize];
  std::size_t length_ = 0;
};

// Writes "brisquel: " prefix, the failure's message, detail, suffix.
void WriteFailureLine(std::string_view prefix, DisplayFailure failure, DisplayKind kind,
                      std::string_view detail, std::string_view suffix) {
  const Row* row = &kMessages[0];
  for (const Row& candidate : kMessages) {
    if (candidate.failure == failure) row = &candidate;
  }
  const auto k = static_cast<std::size_t>(kind);
  const Message& message = row->by_kind[k];
  Line line;
  line.Add("brisquel: ").Add(prefix).Add(message.before);
  if (failure != DisplayFailure::kNoneNamed) line.AddDisplayName(kVariables[k]);
  line.Add(message.after).Add(detail).Add(suffix).Write();
}

}  // namespace

void ReportDisplayFailure(DisplayFailure failure, DisplayKind kind, std::string_view detail,
                          DisplayOutcome outcome) {
  switch (outcome) {
    case DisplayOutcome::kEnd:
      WriteFailureLine("", failure, kind, detail, "");
      EndProcess(kExitDisplayFailure);
    case DisplayOutcome::kEndWithoutX11:
      WriteFailureLine("DISPLAY is not set, and ", failure, kind, detail, "");
      EndProcess(kExitDisplayFailure);
    case DisplayOutcome::kFallBackToX11:
      WriteFailureLine("", failure, kind, detail, kOnlyXWayland);
      return;
    case DisplayOutcome::kPartial:
      WriteFailureLine("", failure, kind, detail, kOnlyPart);
      return;
  }
}

}  // namespace brisquel
