#include "app/usage.h"

#include "runtime/output_channel.h"

namespace brisquel {

void Usage() {
  static constexpr const char* kLines[] = {
      "       Get window lists, window class lists and search for window text.",
      "Usage: Search all windows for window containing specified text (or list of)",
      "         BRISQUEL /F <\"wintext1\"> ... <\"wintextN\">",
      "           ErrorLevel=1    Found",
      "           ErrorLevel=0    Not found",
      "       List all windows open",
      "         BRISQUEL /L",
      "       List all windows open (Class names)",
      "         BRISQUEL /C",
  };
  for (const char* line : kLines) WriteLine(line);
}

}  // namespace brisquel
