// The process services the runtime works through: bound once at start-up,
// read by every runtime piece that reaches the operating system.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/process.h"

namespace brisquel {

// Binds the runtime to process; the start of every run (StartRuntime).
void BindProcess(ProcessServices& process);

// The process services bound last.
ProcessServices& Process();

// The program's own file path, as GetModuleFileNameA gives it into buffer
// of size bytes (cut to size when it does not fit).
std::string_view ModulePath(char* buffer, std::uint32_t size);

// Writes all of bytes to handle with as many write calls as it takes;
// returns 0 or the failure's system error code.
std::int32_t WriteWhole(FileHandle handle, const char* bytes, std::uint32_t count);

}  // namespace brisquel
