#include <cstdint>
#include <string>
#include <vector>

#include "reports/reports.h"
#include "reports/terminal_safe.h"
#include "reports/text_matcher.h"
#include "runtime/arguments.h"
#include "runtime/format.h"
#include "runtime/output_channel.h"
#include "winlist/windows_list.h"

namespace brisquel {

std::int32_t SearchReport(WindowManager& windows) {
  std::int32_t error_level = 0;
  WriteLine("  Searching for windows containing following text:");
  // The search texts are arguments 2 and on; argument 1 is the option.
  const std::vector<std::string> arguments = AllArguments();
  std::vector<std::string> sought;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    WriteLine("    [" + arguments[i] + "]");
    sought.push_back(MatchingForm(arguments[i]));
  }
  {
    const TWindowsList list(windows);
    // Windows outside, texts inside: the lines come grouped by window, one
    // per matching text in command-line order.
    TextMatcher matcher(sought);
    std::vector<std::uint32_t> found;
    for (std::int32_t entry = 0; entry < list.Count(); ++entry) {
      matcher.Find(list.Title(entry), found);
      if (found.empty()) continue;
      // Every text that matches a window gives the same line.
      const std::string line = FormatLine("  Found [%-35s] TID:$%x, HWND:$%x, PID:$%x",
                                          {TerminalSafe(list.Title(entry)), list.ThreadIdOf(entry),
                                           list.HandleOf(entry), list.ProcessIdOf(entry)});
      for (std::size_t match = 0; match < found.size(); ++match) {
        WriteLine(line);
        error_level = 1;
      }
    }
  }
  WriteLine(FormatLine("  ErrorLevel(%s)", {DecimalText(error_level)}));
  return error_level;
}

}  // namespace brisquel
