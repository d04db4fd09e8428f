#include "platform/display_failure.h"

#include <cstdlib>

namespace brisquel {
namespace {

DisplayFailureReport installed_report = nullptr;

void Report(DisplayFailure failure, DisplayKind kind, std::string_view detail, DisplayOutcome outcome) {
  if (installed_report != nullptr) installed_report(failure, kind, detail, outcome);
}

}  // namespace

void InstallDisplayFailureReport(DisplayFailureReport report) { installed_report = report; }

void EndForDisplay(DisplayFailure failure, DisplayKind kind, std::string_view detail) {
  Report(failure, kind, detail, DisplayOutcome::kEnd);
  std::_Exit(static_cast<int>(kExitDisplayFailure));  // the report ends the run
}

void EndForDisplays(DisplayFailure wayland_failure, std::string_view detail, DisplayKind kind) {
  Report(wayland_failure, kind, detail, DisplayOutcome::kEndWithoutX11);
  std::_Exit(static_cast<int>(kExitDisplayFailure));
}

void NoteFallBackToX11(DisplayFailure wayland_failure, std::string_view detail, DisplayKind kind) {
  Report(wayland_failure, kind, detail, DisplayOutcome::kFallBackToX11);
}

void NotePartialView(DisplayFailure failure, DisplayKind kind, std::string_view detail) {
  Report(failure, kind, detail, DisplayOutcome::kPartial);
}

}  // namespace brisquel
