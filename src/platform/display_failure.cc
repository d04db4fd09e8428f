#include "platform/display_failure.h"

#include <cstdlib>

namespace brisquel {
namespace {

DisplayFailureReport installed_report = nullptr;

void Report(DisplayFailure failure, DisplayKind kind, DisplayOutcome outcome) {
  if (installed_report != nullptr) installed_report(failure, kind, outcome);
}

}  // namespace

void InstallDisplayFailureReport(DisplayFailureReport report) { installed_report = report; }

void EndForDisplay(DisplayFailure failure, DisplayKind kind) {
  Report(failure, kind, DisplayOutcome::kEnd);
  std::_Exit(static_cast<int>(kExitDisplayFailure));  // the report ends the run
}

void EndForDisplays(DisplayFailure wayland_failure) {
  Report(wayland_failure, DisplayKind::kWayland, DisplayOutcome::kEndWithoutX11);
  std::_Exit(static_cast<int>(kExitDisplayFailure));
}

void NoteFallBackToX11(DisplayFailure wayland_failure) {
  Report(wayland_failure, DisplayKind::kWayland, DisplayOutcome::kFallBackToX11);
}

}  // namespace brisquel
