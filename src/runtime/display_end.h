// The end of a run whose display cannot be reached: the one path every
// window-manager backend takes when its display is gone.
#pragma once

#include <cstdint>
#include <string_view>

namespace brisquel {

inline constexpr std::uint32_t kExitDisplayFailure = 2;

// A display's name for messages, in a fixed buffer: value in double quotes
// (cut to 254 bytes), or unset when value is null or empty.
struct DisplayName {
  char text[256];
  std::size_t length = 0;
  std::string_view View() const { return {text, length}; }
};
DisplayName NameOfDisplay(const char* value, std::string_view unset);

// Writes "brisquel: " what display and CR LF on standard error, then ends
// the process through EndProcess (which writes out the output channel's
// buffered lines) with kExitDisplayFailure. what says what failed ("cannot open display "),
// display names it ("\":1\""); when standard error is a console, display's
// control characters are shown as '?' (MaskTerminalControls). Builds the
// line in fixed buffers (a longer line is cut) and allocates nothing.
[[noreturn]] void EndForDisplay(std::string_view what, std::string_view display);

}  // namespace brisquel
