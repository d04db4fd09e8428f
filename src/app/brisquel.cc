#include "app/brisquel.h"

#include <new>
#include <string>
#include <string_view>

#include "app/usage.h"
#include "base/text.h"
#include "reports/reports.h"
#include "runtime/arguments.h"
#include "runtime/failure_kinds.h"
#include "runtime/failure_report.h"
#include "runtime/output_channel.h"
#include "runtime/process_exit.h"
#include "runtime/start_up.h"

namespace brisquel {

// Banner, search heading and closing line make exactly one 128-byte block.
static_assert(sizeof kBanner - 1 == 57, "a version change must keep the banner 57 characters long");

namespace {

// A mode: the option that selects it, and what it runs, which returns the
// exit level the run ends with.
struct Mode {
  std::string_view option;
  std::int32_t (*run)(WindowManager& windows);
};

std::int32_t Nothing(WindowManager&) { return 0; }

// Tested in this order; the first whole, case-sensitive match runs.
constexpr Mode kModes[] = {
    {"/M", Nothing},
    {"/F", SearchReport},
    {"/L", WindowListReport},
    {"/C", ClassListReport},
};

// The banner, then the mode that argument 1 names, or the usage text.
// Returns the exit level: ErrorLevel.
std::int32_t Run(WindowManager& windows) {
  WriteLine(kBanner);
  // Argument 1, trimmed, upper-cased, a leading '-' made '/'.
  std::string Option = UpperAscii(TrimBlanks(Argument(1)));
  if (!Option.empty() && Option[0] == '-') Option[0] = '/';
  for (const Mode& mode : kModes) {
    if (TextEquals(Option, mode.option)) return mode.run(windows);
  }
  Usage();
  return 0;
}

}  // namespace

void RunProgram(ProcessServices& process, WindowManager& windows) {
  StartRuntime(process);
  SetConsoleReports(true);
  std::int32_t ErrorLevel = 0;
  try {
    ErrorLevel = Run(windows);
  } catch (const Exception& failure) {
    ReportFailure(failure, failure.Place());
  } catch (const std::bad_alloc&) {
    ReportFailure(OutOfMemoryRecord(), 0);
  }
  EndProcess(static_cast<std::uint32_t>(ErrorLevel));
}

}  // namespace brisquel
