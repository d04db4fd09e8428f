#include "runtime/process_end.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "runtime/failures.h"
#include "runtime/format.h"
#include "runtime/memory_end.h"
#include "runtime/messages.h"
#include "runtime/output_channel.h"

namespace brisquel {
namespace {

constexpr std::size_t kReportSize = 256;
constexpr std::size_t kModulePathSize = 256;
constexpr std::size_t kModuleNameShown = 63;
constexpr std::size_t kLoadedFormatSize = 64;

ProcessServices* process_services = nullptr;
bool console_reports = false;
bool text_is_utf8 = false;
bool kinds_installed = false;
bool reporting = false;
std::uint32_t exit_code = 0;

// The last report made, kept so that it can still reach standard error
// when the final write-out of standard output loses it.
char last_report[kReportSize];
std::size_t last_report_length = 0;
bool last_report_on_stderr = false;

// Fault records are made here, never on the heap: a fault may come from
// the memory manager itself.
union FaultStorage {
  FaultStorage() {}
  ~FaultStorage() {}
  EAccessViolation access_violation;
  ERangeError range;
  EUnderflow underflow;
  EZeroDivide zero_divide;
  EInvalidOp invalid_op;
  EOverflow overflow;
  EDivByZero div_by_zero;
  EIntOverflow int_overflow;
  EPrivilege privilege;
  EStackOverflow stack_overflow;
  EControlC control_c;
  EExternalException external;
} fault_storage;

std::uint32_t CodeOffset(std::uintptr_t place) {
  if (place == 0) return 0;
  return static_cast<std::uint32_t>(place - process_services->ModuleCodeBase());
}

std::string_view ModuleName(char (&path)[kModulePathSize]) {
  std::uint32_t length = process_services->GetModuleFileNameA(path, kModulePathSize);
  if (length > kModulePathSize) length = kModulePathSize;
  std::string_view name(path, length);
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  return name.substr(0, kModuleNameShown);
}

// Builds the two-line report into last_report.
void BuildReport(const Exception& failure, std::uintptr_t place) {
  char path[kModulePathSize];
  const std::string_view module = ModuleName(path);
  char format[kLoadedFormatSize];
  const int format_length = process_services->LoadStringA(kMsgReportFormat, format, sizeof format);
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

Exception* MakeFaultRecord(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                           std::uintptr_t info1) {
  FaultStorage& s = fault_storage;
  switch (code) {
    case 0xC0000005: {
      char access[16];
      const int length = process_services->LoadStringA(info0 == 0 ? kMsgRead : kMsgWrite, access, sizeof access);
      return new (&s.access_violation) EAccessViolation(
          kMsgAccessViolation,
          {FormatArg::Address(fault_address), std::string_view(access, length > 0 ? static_cast<std::size_t>(length) : 0),
           FormatArg::Address(info1)},
          fault_address);
    }
    case 0xC000008C: return new (&s.range) ERangeError(kMsgRangeError, {}, fault_address);
    case 0xC000008D:
    case 0xC0000093: return new (&s.underflow) EUnderflow(kMsgUnderflow, {}, fault_address);
    case 0xC000008E: return new (&s.zero_divide) EZeroDivide(kMsgZeroDivide, {}, fault_address);
    case 0xC000008F:
    case 0xC0000090:
    case 0xC0000092: return new (&s.invalid_op) EInvalidOp(kMsgInvalidOp, {}, fault_address);
    case 0xC0000091: return new (&s.overflow) EOverflow(kMsgOverflow, {}, fault_address);
    case 0xC0000094: return new (&s.div_by_zero) EDivByZero(kMsgDivByZero, {}, fault_address);
    case 0xC0000095: return new (&s.int_overflow) EIntOverflow(kMsgIntOverflow, {}, fault_address);
    case 0xC0000096: return new (&s.privilege) EPrivilege(kMsgPrivilege, {}, fault_address);
    case 0xC00000FD: return new (&s.stack_overflow) EStackOverflow(kMsgStackOverflow, {}, fault_address);
    case 0xC000013A: return new (&s.control_c) EControlC(kMsgControlC, {}, fault_address);
    default:
      return new (&s.external) EExternalException(kMsgExternalException, {code}, fault_address);
  }
}

}  // namespace

void StartRuntime(ProcessServices& process) {
  process_services = &process;
  kinds_installed = false;
  reporting = false;
  console_reports = false;
  last_report_length = 0;
  last_report_on_stderr = false;
  process.InstallFaultHandler();
  text_is_utf8 = process.GetACP() == kCpUtf8;
  exit_code = 0;
  ResetOutputChannel();
  MakeOutOfMemoryRecord();
  PrepareFailurePath();
  kinds_installed = true;
}

ProcessServices& Process() { return *process_services; }

bool TextIsUtf8() { return text_is_utf8; }

void SetConsoleReports(bool on) { console_reports = on; }

bool WriteErrorLine(const char* text, std::uint32_t length) {
  const FileHandle handle = process_services->GetStdHandle(kStdErrorHandle);
  if (handle == kInvalidHandleValue || handle == 0) return false;
  return WriteWhole(handle, text, length) == 0 && WriteWhole(handle, "\r\n", 2) == 0;
}

void EndProcess(std::uint32_t code) {
  exit_code = code;
  const std::int32_t lost = WriteOutBuffer();
  if (lost != 0) {
    // Output that never arrived must not pass for success: report it on
    // standard error (the run's own report, if it was the part lost).
    if (last_report_length == 0) BuildReport(EInOutError(lost, 0), 0);
    ReportOnStandardError();
    exit_code = 1;
  }
  process_services->ExitProcess(exit_code);
  std::abort();  // ExitProcess does not return
}

void ReportFailure(const Exception& failure, std::uintptr_t place) {
  if (reporting) process_services->ExitProcess(1);  // a failure while reporting
  reporting = true;
  BuildReport(failure, place);
  if (console_reports) {
    WriteOutputBytes(std::string_view(last_report, last_report_length));
    WriteLineEnd();
    if (PendingIoResult() != 0) ReportOnStandardError();
  } else {
    char caption[kLoadedFormatSize];
    if (process_services->LoadStringA(kMsgReportCaption, caption, sizeof caption) <= 0) caption[0] = '\0';
    last_report[last_report_length] = '\0';
    process_services->MessageBoxA(last_report, caption, kMbTaskModalIconHand);
  }
  EndProcess(1);
}

void ReportFault(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                 std::uintptr_t info1) {
  if (reporting) process_services->ExitProcess(1);
  if (!kinds_installed) {
    const int number = RuntimeErrorNumber(code);
    char line[32];
    RuntimeErrorLine(number, CodeOffset(fault_address), line);
    reporting = true;
    process_services->MessageBoxA(line, "Error", kMbOk);
    EndProcess(static_cast<std::uint32_t>(number));
  }
  ReportFailure(*MakeFaultRecord(code, fault_address, info0, info1), fault_address);
}

int RuntimeErrorNumber(std::uint32_t fault_code) {
  switch (fault_code) {
    case 0xC0000005: return 216;
    case 0xC000008C: return 201;
    case 0xC000008D:
    case 0xC0000093: return 206;
    case 0xC000008E:
    case 0xC0000094: return 200;
    case 0xC000008F:
    case 0xC0000090:
    case 0xC0000092: return 207;
    case 0xC0000091: return 205;
    case 0xC0000095: return 215;
    case 0xC0000096: return 218;
    case 0xC00000FD: return 202;
    default: return 217;
  }
}

int RuntimeErrorLine(int number, std::uint32_t offset, char* buffer) {
  const FormatResult result =
      FormatInto(buffer, 30, "Runtime error %3d at %.8x", {static_cast<std::int32_t>(number), offset});
  buffer[result.length] = '\0';
  return static_cast<int>(result.length);
}

}  // namespace brisquel
