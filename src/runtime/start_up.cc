#include "runtime/start_up.h"

#include "base/text_columns.h"
#include "platform/display_failure.h"
#include "runtime/display_failure_report.h"
#include "runtime/failure_kinds.h"
#include "runtime/failure_report.h"
#include "runtime/out_of_memory.h"
#include "runtime/output_channel.h"
#include "runtime/services.h"

namespace brisquel {

void StartRuntime(ProcessServices& process) {
  BindProcess(process);
  InstallDisplayFailureReport(ReportDisplayFailure);
  ResetFailureReports();
  process.InstallFaultHandler();
  SetTextIsUtf8(process.GetACP() == kCpUtf8);
  ResetOutputChannel();
  MakeOutOfMemoryRecord();
  PrepareFailurePath();
  FailureKindsInstalled();
}

}  // namespace brisquel
