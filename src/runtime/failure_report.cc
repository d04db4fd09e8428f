#include "runtime/failure_report.h"

#include <cstring>
#include <string_view>

#include "base/messages.h"
#include "platform/fault_report.h"
#include "runtime/failure_kinds.h"
#include "runtime/fault_table.h"
#include "runtime/format_into.h"
#include "runtime/output_channel.h"
#include "runtime/process_exit.h"
#include "runtime/services.h"
#include "runtime/standard_error.h"

namespace brisquel {
namespace {

constexpr std::size_t kReportSize = 256;
constexpr std::uint32_t kModulePathSize = 256;
constexpr std::size_t kModuleNameShown = 63;
constexpr std::size_t kLoadedFormatSize = 64;

bool console_reports = false;
bool kinds_installed = false;
bool reporting = false;

// The last report made, kept so that it can still reach standard error
// when the final write-out of standard output loses it.
char last_report[kReportSize];
std::size_t last_report_length = 0;
bool last_report_on_stderr = false;

std::uint32_t CodeOffset(std::uintptr_t place) {
  if (place == 0) return 0;
  return static_cast<std::uint32_t>(place - Process().ModuleCodeBase());
}

std::string_view ModuleName(char (&path)[kModulePathSize]) {
  std::string_view name = ModulePath(path, kModulePathSize);
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  return name.substr(0, kModuleNameShown);
}

// Builds the two-line report into last_report.
void BuildReport(const Exception& failure, std::uintptr_t place) {
  char path[kModulePathSize];
  const std::string_view module = ModuleName(path);
  char format[kLoadedFormatSize];
  const int format_length = Process().LoadStringA(kMsgReportFormat, format, sizeof format);
  std::string_view message = failure.Message();
  const std::string_view dot = (!message.empty() && message.back() != '.') ? "." : "";
  FormatResult result;
  // A message too long for the report is shortened until the report fits.
  for (;;) {
    result = FormatInto(last_report, sizeof last_report,
                        std::string_view(format, format_length > 0 ? static_cast<std::size_t>(format_length) : 0),
                        {failure.KindName(), module, FormatArg::Address(CodeOffset(place)), message, dot});
    if (result.status == FormatStatus::kOk || message.empty()) break;
    message = message.substr(0, message.size() / 2);
  }
  last_report_length = result.status == FormatStatus::kOk ? result.length : 0;
  last_report_on_stderr = false;
}

// Sends the last report to standard error, once.
void ReportOnStandardError() {
  if (last_report_on_stderr) return;
  last_report_on_stderr = true;
  WriteErrorLine(last_report, static_cast<std::uint32_t>(last_report_length));
}

// A fault before the failure kinds exist: the runtime error line in a
// message box. Kept out of ReportFaultNow so that its buffer stays off the
// stack of a report, which may be a stack overflow's.
[[noreturn, gnu::noinline]] void EndWithRuntimeError(std::uint32_t code, std::uintptr_t fault_address) {
  const int number = RuntimeErrorNumber(code);
  char line[32];
  RuntimeErrorLine(number, CodeOffset(fault_address), line);
  reporting = true;
  Process().MessageBoxA(line, "Error", kMbOk);
  EndProcess(static_cast<std::uint32_t>(number));
}

// The run's own report, or when it made none the report of the I/O error,
// on standard error, once.
void ReportLostOutput(std::int32_t code) {
  if (last_report_length == 0) BuildReport(EInOutError(code, 0), 0);
  ReportOnStandardError();
}

}  // namespace

void SetConsoleReports(bool on) { console_reports = on; }

void ResetFailureReports() {
  kinds_installed = false;
  reporting = false;
  console_reports = false;
  last_report_length = 0;
  last_report_on_stderr = false;
  OnLostOutput(ReportLostOutput);
  InstallFaultReport(ReportFaultNow);
}

void FailureKindsInstalled() { kinds_installed = true; }

void ReportFailure(const Exception& failure, std::uintptr_t place) {
  if (reporting) Process().ExitProcess(1);  // a failure while reporting
  reporting = true;
  BuildReport(failure, place);
  if (console_reports) {
    WriteOutputBytes(std::string_view(last_report, last_report_length));
    WriteLineEnd();
    if (PendingIoResult() != 0) ReportOnStandardError();
  } else {
    char caption[kLoadedFormatSize];
    if (Process().LoadStringA(kMsgReportCaption, caption, sizeof caption) <= 0) caption[0] = '\0';
    last_report[last_report_length] = '\0';
    Process().MessageBoxA(last_report, caption, kMbTaskModalIconHand);
  }
  EndProcess(1);
}

void ReportFaultNow(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                    std::uintptr_t info1) {
  if (reporting) Process().ExitProcess(1);
  if (!kinds_installed) EndWithRuntimeError(code, fault_address);
  ReportFailure(FaultRecord(code, fault_address, info0, info1), fault_address);
}

}  // namespace brisquel
