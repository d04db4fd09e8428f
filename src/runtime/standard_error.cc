#include "runtime/standard_error.h"

#include "runtime/services.h"

namespace brisquel {

bool WriteErrorLine(const char* text, std::uint32_t length) {
  const FileHandle handle = Process().GetStdHandle(kStdErrorHandle);
  if (handle == kInvalidHandleValue || handle == 0) return false;
  return WriteWhole(handle, text, length) == 0 && WriteWhole(handle, "\r\n", 2) == 0;
}

bool ErrorIsConsole() {
  ProcessServices& process = Process();
  std::uint32_t mode = 0;
  const FileHandle handle = process.GetStdHandle(kStdErrorHandle);
  return handle != kInvalidHandleValue && process.GetConsoleMode(handle, &mode);
}

}  // namespace brisquel
