// The three reports made from a window snapshot.
#pragma once

#include "platform/window_manager.h"

namespace brisquel {

// Echoes the search texts (arguments 2 and on), lists every window whose
// title contains one of them, sets ErrorLevel to 1 on a match and closes
// with the ErrorLevel line.
void SearchReport(WindowManager& windows);

// One line per titled window: title (28 columns), thread, handle, process,
// parent.
void WindowListReport(WindowManager& windows);

// One line per titled window: title and class name.
void ClassListReport(WindowManager& windows);

}  // namespace brisquel
