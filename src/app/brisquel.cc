#include "app/brisquel.h"

#include <new>
#include <string_view>

#include "app/globals.h"
#include "app/usage.h"
#include "reports/reports.h"
#include "runtime/arguments.h"
#include "runtime/failures.h"
#include "runtime/output_channel.h"
#include "runtime/process_end.h"
#include "runtime/text.h"

namespace brisquel {

std::int32_t ErrorLevel = 0;
std::string Option;

// Banner, search heading and closing line make exactly one 128-byte block.
static_assert(sizeof kBanner - 1 == 57, "a version change must keep the banner 57 characters long");

namespace {

struct Mode {
  std::string_view option;
  void (*run)(WindowManager& windows);
};

void Nothing(WindowManager&) {}

// Tested in this order; the first whole, case-sensitive match runs.
constexpr Mode kModes[] = {
    {"/M", Nothing},
    {"/F", SearchReport},
    {"/L", WindowListReport},
    {"/C", ClassListReport},
};

void Run(WindowManager& windows) {
  WriteLine(kBanner);
  Option = UpperAscii(TrimBlanks(Argument(1)));
  if (!Option.empty() && Option[0] == '-') Option[0] = '/';
  for (const Mode& mode : kModes) {
    if (TextEquals(Option, mode.option)) {
      mode.run(windows);
      return;
    }
  }
  Usage();
}

}  // namespace

void RunProgram(ProcessServices& process, WindowManager& windows) {
  StartRuntime(process);
  SetConsoleReports(true);
  ErrorLevel = 0;
  Option.clear();
  try {
    Run(windows);
  } catch (const Exception& failure) {
    ReportFailure(failure, failure.Place());
  } catch (const std::bad_alloc&) {
    ReportFailure(OutOfMemoryRecord(), 0);
  }
  EndProcess(static_cast<std::uint32_t>(ErrorLevel));
}

}  // namespace brisquel
