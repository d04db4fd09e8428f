#include "runtime/display_end.h"

#include <cstring>

#include "runtime/output_channel.h"
#include "runtime/process_end.h"

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

}  // namespace

void EndForDisplay(std::string_view what, std::string_view display) {
  char line[kLineSize];
  std::size_t length = 0;
  Append(line, length, kPrefix);
  Append(line, length, what);
  Append(line, length, display);
  WriteErrorLine(line, static_cast<std::uint32_t>(length));
  EndProcess(kExitDisplayFailure);
}

}  // namespace brisquel
