// The runtime's side of the display failures (platform/display_failure.h):
// one message table, one line builder in a fixed buffer, one rule for
// showing a display's name.
#pragma once

#include <string_view>

#include "platform/display_failure.h"

namespace brisquel {

// Writes "brisquel: " and the failure's message on standard error, naming
// the display by its variable's value in double quotes ("(NAME is not
// set)" when unset or empty; control bytes as '?' when standard error is a
// terminal). For the two ends, then writes out the buffered output and
// ends the process with kExitDisplayFailure. Allocates nothing, so that a
// signal handler may call it. StartRuntime installs it.
void ReportDisplayFailure(DisplayFailure failure, DisplayKind kind, std::string_view detail,
                          DisplayOutcome outcome);

}  // namespace brisquel
