// Window titles and class names come from any program on the desktop. On a
// terminal their control characters could move the cursor, set the
// terminal's title or inject input, so there they are shown as '?'. Files,
// pipes and other devices get the exact bytes.
#pragma once

#include <string>
#include <string_view>

namespace brisquel {

// text, with its control characters masked (MaskTerminalControls, UTF-8
// when the program's texts are) when standard output is a console;
// unchanged otherwise.
std::string TerminalSafe(std::string_view text);

}  // namespace brisquel
