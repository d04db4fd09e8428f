// The program: start-up, banner, mode dispatch and end.
#pragma once

#include <cstdint>

#include "app/version.h"
#include "platform/process.h"
#include "platform/window_manager.h"

namespace brisquel {

inline constexpr char kBanner[] = "BRISQUEL " BRISQUEL_VERSION " - window lists, class lists and title search";

// Runs the whole program on the given services and ends the process
// through them with the program's exit code.
[[noreturn]] void RunProgram(ProcessServices& process, WindowManager& windows);

}  // namespace brisquel
