#include "reports/terminal_safe.h"

#include "runtime/output_channel.h"

namespace brisquel {

std::string TerminalSafe(std::string_view text) {
  std::string shown(text);
  if (!OutputIsCharacterDevice()) return shown;
  for (char& c : shown) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) c = '?';
  }
  return shown;
}

}  // namespace brisquel
