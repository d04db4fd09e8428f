#include "runtime/services.h"

#include "base/windows_codes.h"

namespace brisquel {
namespace {

ProcessServices* process_services = nullptr;

}  // namespace

void BindProcess(ProcessServices& process) { process_services = &process; }

ProcessServices& Process() { return *process_services; }

std::string_view ModulePath(char* buffer, std::uint32_t size) {
  const std::uint32_t length = process_services->GetModuleFileNameA(buffer, size);
  return {buffer, length < size ? length : size};
}

std::int32_t WriteWhole(FileHandle handle, const char* bytes, std::uint32_t count) {
  while (count > 0) {
    std::uint32_t written = 0;
    if (!process_services->WriteFile(handle, bytes, count, &written)) {
      return static_cast<std::int32_t>(process_services->GetLastError());
    }
    // A write call that reports success but writes nothing would otherwise
    // be retried forever.
    if (written == 0 || written > count) return kErrorWriteFault;
    bytes += written;
    count -= written;
  }
  return 0;
}

}  // namespace brisquel
