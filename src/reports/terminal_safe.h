// Window titles and class names come from any program on the desktop. On a
// terminal their control bytes could move the cursor or inject input, so
// there they are shown as '?'. Files and pipes get the exact bytes.
#pragma once

#include <string>
#include <string_view>

namespace brisquel {

// text, with bytes 0-31 and 127 replaced by '?' when standard output is a
// character device; unchanged otherwise.
std::string TerminalSafe(std::string_view text);

}  // namespace brisquel
