#include "reports/terminal_safe.h"

#include "base/text_columns.h"
#include "runtime/output_channel.h"
#include "runtime/terminal_text.h"

namespace brisquel {

std::string TerminalSafe(std::string_view text) {
  if (!OutputIsConsole()) return std::string(text);
  std::string shown(text.size(), '\0');
  shown.resize(MaskTerminalControls(text, TextIsUtf8(), shown.data()));
  return shown;
}

}  // namespace brisquel
