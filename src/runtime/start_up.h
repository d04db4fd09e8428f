// The start of every run.
#pragma once

#include "platform/process.h"

namespace brisquel {

// Binds the runtime to its process services and resets all runtime state:
// the fault handler, the text rule of the process's code page, a closed
// output channel with no failure pending, clear console reports, the
// out-of-memory record and the failure path. Writes nothing.
void StartRuntime(ProcessServices& process);

}  // namespace brisquel
