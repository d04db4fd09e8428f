// Texts from other programs (window titles, class names, a display's name)
// shown on a terminal must not be able to drive it: their control
// characters are shown as '?'.
#pragma once

#include <cstddef>
#include <string_view>

namespace brisquel {

// Copies text into out (room for text.size() bytes; the result is never
// longer) with every control character replaced by one '?', and returns the
// length written. Always: bytes 0-31 and 127. When utf8: also the C1
// controls (U+0080-U+009F), the bidirectional overrides and isolates
// (U+202A-U+202E, U+2066-U+2069), and any byte 0x80-0x9F that is not part
// of a well-formed sequence. In single-byte text 0x80-0x9F are letters of
// the code page and stay.
std::size_t MaskTerminalControls(std::string_view text, bool utf8, char* out);

}  // namespace brisquel
