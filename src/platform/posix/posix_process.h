// Process services of a Linux process, imitating their Windows
// counterparts (command line, standard handles, error codes, faults).
#pragma once

#include <memory>
#include <string>

#include "platform/process.h"

namespace brisquel {

// argv rebuilt as one command line whose splitting gives back exactly the
// shell's arguments: an argument holding a blank is quoted, an empty one
// is left out, double quotes (which cannot be represented) are dropped.
std::string CommandLineFromArgv(int argc, const char* const* argv);

// errno mapped to the Windows error code a failed write would give.
std::uint32_t WindowsErrorFromErrno(int error);

}  // namespace brisquel
