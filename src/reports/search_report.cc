#include <string>
#include <vector>

#include "app/globals.h"
#include "reports/reports.h"
#include "reports/terminal_safe.h"
#include "runtime/arguments.h"
#include "runtime/format.h"
#include "runtime/output_channel.h"
#include "runtime/text.h"
#include "winlist/windows_list.h"

namespace brisquel {
namespace {

std::string MatchingForm(std::string_view text) { return UpperAscii(TrimBlanks(text)); }

}  // namespace

void SearchReport(WindowManager& windows) {
  WriteLine("  Searching for windows containing following text:");
  // The search texts are arguments 2 and on; argument 1 is the option.
  std::vector<std::string> texts = AllArguments();
  std::vector<std::string> sought;
  for (std::size_t i = 1; i < texts.size(); ++i) {
    WriteLine("    [" + texts[i] + "]");
    sought.push_back(MatchingForm(texts[i]));
  }
  {
    const TWindowsList list(windows);
    for (std::int32_t entry = 0; entry < list.Count(); ++entry) {
      const std::string searched = MatchingForm(list.Title(entry));
      for (const std::string& text : sought) {
        if (FindText(text, searched) == 0) continue;
        WriteLine(FormatLine("  Found [%-35s] TID:$%x, HWND:$%x, PID:$%x",
                             {TerminalSafe(list.Title(entry)), list.ThreadIdOf(entry), list.HandleOf(entry),
                              list.ProcessIdOf(entry)}));
        ErrorLevel = 1;
      }
    }
  }
  WriteLine(FormatLine("  ErrorLevel(%s)", {DecimalText(ErrorLevel)}));
}

}  // namespace brisquel
