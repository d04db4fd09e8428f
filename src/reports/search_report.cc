#include <cstdint>
#include <string>
#include <vector>

#include "base/text_columns.h"
#include "platform/wide_text.h"
#include "reports/reports.h"
#include "reports/terminal_safe.h"
#include "reports/text_matcher.h"
#include "runtime/arguments.h"
#include "runtime/format.h"
#include "runtime/output_channel.h"
#include "runtime/services.h"
#include "winlist/windows_list.h"

namespace brisquel {
namespace {

// Arguments 1 and on as the user wrote them: the UTF-16 command line in
// UTF-8, split by the rules of AllArguments. Blanks and quotes are the
// same bytes in UTF-8 as in any ANSI code page, and no byte of a longer
// character is one of them.
std::vector<std::string> WrittenArguments() {
  const std::string line = Utf8FromUtf16(Process().GetCommandLineW());
  const char* p = line.c_str();
  NextArgument(p);
  std::vector<std::string> arguments;
  for (std::string argument = NextArgument(p); !argument.empty(); argument = NextArgument(p)) {
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace

std::int32_t SearchReport(WindowManager& windows) {
  std::int32_t error_level = 0;
  WriteLine("  Searching for windows containing following text:");
  // The search texts are arguments 2 and on; argument 1 is the option.
  const std::vector<std::string> arguments = AllArguments();
  // In an ANSI code page the texts are compared as the user wrote them,
  // with the windows' match texts. Should the code page have turned a
  // character into a blank or a quote, so that the two command lines
  // split apart, both sides are compared as they are shown.
  std::vector<std::string> written;
  if (!TextIsUtf8()) written = WrittenArguments();
  const bool as_written = written.size() == arguments.size() && !written.empty();
  std::vector<std::string> sought;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    WriteLine("    [" + TerminalSafe(arguments[i]) + "]");
    sought.push_back(MatchingForm(as_written ? written[i] : arguments[i]));
  }
  bool whole = true;
  {
    const TWindowsList list(windows);
    whole = list.Whole();
    // Windows outside, texts inside: the lines come grouped by window, one
    // per matching text in command-line order.
    TextMatcher matcher(sought);
    std::vector<std::uint32_t> found;
    for (std::int32_t entry = 0; entry < list.Count(); ++entry) {
      matcher.Find(as_written ? list.MatchTextOf(entry) : list.Title(entry), found);
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
  // Nothing found in part of the desktop is no answer: the window sought
  // may be in the part not seen.
  if (error_level == 0 && !whole) return kPartialViewLevel;
  WriteLine(FormatLine("  ErrorLevel(%s)", {DecimalText(error_level)}));
  return error_level;
}

}  // namespace brisquel
