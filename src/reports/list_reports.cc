#include "reports/reports.h"
#include "base/text_columns.h"
#include "reports/terminal_safe.h"
#include "runtime/format.h"
#include "runtime/output_channel.h"
#include "winlist/windows_list.h"

namespace brisquel {

std::int32_t WindowListReport(WindowManager& windows) {
  const TWindowsList list(windows);
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    WriteLine(FormatLine("  [%-28s] TID:$%x HWND:$%x PID:$%x PAR:$%x",
                         {TerminalSafe(CutToColumns(list.Title(i), 28)), list.ThreadIdOf(i), list.HandleOf(i),
                          list.ProcessIdOf(i), list.ParentOf(i)}));
  }
  return list.Whole() ? 0 : kPartialViewLevel;
}

std::int32_t ClassListReport(WindowManager& windows) {
  const TWindowsList list(windows);
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    WriteLine(FormatLine("  [%-40s] [%-30s]", {TerminalSafe(list.Title(i)), TerminalSafe(list.ClassNameOf(i))}));
  }
  return list.Whole() ? 0 : kPartialViewLevel;
}

}  // namespace brisquel
