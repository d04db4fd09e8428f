#include "runtime/process_end.h"

#include <cstdlib>

#include "runtime/failures.h"
#include "runtime/memory_end.h"
#include "runtime/output_channel.h"

namespace brisquel {
namespace {

ProcessServices* process_services = nullptr;
bool text_is_utf8 = false;
std::uint32_t exit_code = 0;

}  // namespace

void StartRuntime(ProcessServices& process) {
  process_services = &process;
  ResetFailureReports();
  process.InstallFaultHandler();
  text_is_utf8 = process.GetACP() == kCpUtf8;
  exit_code = 0;
  ResetOutputChannel();
  MakeOutOfMemoryRecord();
  PrepareFailurePath();
  FailureKindsInstalled();
}

ProcessServices& Process() { return *process_services; }

bool TextIsUtf8() { return text_is_utf8; }

std::string_view ModulePath(char* buffer, std::uint32_t size) {
  const std::uint32_t length = process_services->GetModuleFileNameA(buffer, size);
  return {buffer, length < size ? length : size};
}

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
    ReportLostOutput(lost);
    exit_code = 1;
  }
  process_services->ExitProcess(exit_code);
  std::abort();  // ExitProcess does not return
}

}  // namespace brisquel
