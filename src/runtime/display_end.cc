#include "runtime/display_end.h"

#include <algorithm>
#include <cstring>

#include "platform/process.h"
#include "runtime/output_channel.h"
#include "runtime/process_end.h"
#include "runtime/terminal_text.h"

namespace brisquel {
namespace {

constexpr std::string_view kPrefix = "brisquel: ";
constexpr std::size_t kLineSize = 512;

void Append(char* line, std::size_t& length, std::string_view text) {
  const std::size_t room = kLineSize - length;
  const std::size_t count = text.size() < room ? text.size() : room;
  if (count > 0) std::memcpy(line + length, text.data(), count);
  length += count;
}

// The display's name comes from the environment; on a terminal it is
// shown masked, as window titles are.
void AppendDisplay(char* line, std::size_t& length, std::string_view display) {
  ProcessServices& process = Process();
  std::uint32_t mode = 0;
  const FileHandle error = process.GetStdHandle(kStdErrorHandle);
  if (error == kInvalidHandleValue || !process.GetConsoleMode(error, &mode)) {
    Append(line, length, display);
    return;
  }
  char masked[kLineSize];
  const std::string_view shown = display.substr(0, kLineSize);
  Append(line, length, std::string_view(masked, MaskTerminalControls(shown, TextIsUtf8(), masked)));
}

}  // namespace

DisplayName NameOfDisplay(const char* value, std::string_view unset) {
  DisplayName name;
  const bool quoted = value != nullptr && *value != '\0';
  const std::string_view shown = quoted ? std::string_view(value) : unset;
  const std::size_t count = std::min(shown.size(), sizeof name.text - 2);
  if (quoted) name.text[name.length++] = '"';
  std::memcpy(name.text + name.length, shown.data(), count);
  name.length += count;
  if (quoted) name.text[name.length++] = '"';
  return name;
}

void EndForDisplay(std::string_view what, std::string_view display) {
  char line[kLineSize];
  std::size_t length = 0;
  Append(line, length, kPrefix);
  Append(line, length, what);
  AppendDisplay(line, length, display);
  WriteErrorLine(line, static_cast<std::uint32_t>(length));
  EndProcess(kExitDisplayFailure);
}

}  // namespace brisquel
