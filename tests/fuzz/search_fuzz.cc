// The search report over an arbitrary fake desktop and command line,
// checked byte for byte against a naive reference that runs the search's
// loop literally: windows outside, texts inside, FindText on the matching
// forms. Also checks FindText itself against a plain substring search.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/brisquel.h"
#include "base/text.h"
#include "fuzz_check.h"
#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_process.h"
#include "runtime/arguments.h"
#include "runtime/start_up.h"

namespace {

using namespace brisquel;

constexpr std::size_t kMaxWindows = 24;
constexpr std::size_t kLongestTitle = 254;  // the snapshot's title buffer

std::string Hex(std::uint32_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[value % 16]);
    value /= 16;
  } while (value != 0);
  return digits;
}

std::string MatchingForm(std::string_view text) { return UpperAscii(TrimBlanks(text)); }

// What a terminal is shown of a title: control bytes and DEL as '?'.
std::string Shown(std::string text, bool terminal) {
  if (terminal) {
    for (char& c : text) {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte < 32 || byte == 127) c = '?';
    }
  }
  return text;
}

// The snapshot's title of a window: what fits in the buffer, up to a NUL.
std::string SnapshotTitle(const std::string& title) {
  const std::string cut = title.substr(0, kLongestTitle);
  return cut.substr(0, std::min(cut.size(), std::strlen(cut.c_str())));
}

void CheckFindText(std::string_view sought, std::string_view searched) {
  const std::size_t at = searched.find(sought);
  const std::int32_t want =
      sought.empty() || searched.empty() || at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at + 1);
  FUZZ_CHECK(FindText(sought, searched) == want, "FindText differs from a substring search");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool terminal = input.ConsumeBool();
  FakeDesktop desktop;
  desktop.record_calls = false;
  std::set<WindowHandle> handles;
  const std::size_t windows = input.ConsumeIntegralInRange<std::size_t>(0, kMaxWindows);
  for (std::size_t w = 0; w < windows; ++w) {
    FakeWindow window;
    // Handles are unique and non-zero, as a window manager's are.
    window.handle = input.ConsumeIntegral<WindowHandle>();
    if (window.handle == 0 || !handles.insert(window.handle).second) continue;
    window.thread = input.ConsumeIntegral<std::uint32_t>();
    window.process = input.ConsumeIntegral<std::uint32_t>();
    window.title = input.ConsumeRandomLengthString(300);
    desktop.windows.push_back(window);
  }
  const std::string tail = input.ConsumeRemainingBytesAsString();
  FakeProcess process;
  process.stdout_type = terminal ? kFileTypeChar : kFileTypePipe;
  process.command_line = "brisquel /F " + std::string(tail.c_str());

  std::uint32_t code = 0;
  try {
    RunProgram(process, desktop);
  } catch (const FakeExit& exit) {
    code = exit.code;
  }

  // The reference, on a fresh runtime bound to the same command line.
  FakeProcess reader;
  reader.command_line = process.command_line;
  StartRuntime(reader);
  std::string want = std::string(kBanner) + "\r\n  Searching for windows containing following text:\r\n";
  for (std::int32_t i = 2; i <= ArgumentCount(); ++i) want += "    [" + Shown(Argument(i), terminal) + "]\r\n";
  bool found = false;
  for (const FakeWindow& window : desktop.windows) {
    const std::string title = SnapshotTitle(window.title);
    if (title.empty()) continue;
    for (std::int32_t i = 2; i <= ArgumentCount(); ++i) {
      const std::string sought = MatchingForm(Argument(i));
      const std::string searched = MatchingForm(title);
      CheckFindText(sought, searched);
      if (FindText(sought, searched) != 0) {
        std::string shown = Shown(title, terminal);
        if (shown.size() < 35) shown.append(35 - shown.size(), ' ');
        want += "  Found [" + shown + "] TID:$" + Hex(window.thread) + ", HWND:$" + Hex(window.handle) + ", PID:$" +
                Hex(window.process) + "\r\n";
        found = true;
      }
    }
  }
  want += found ? "  ErrorLevel(1)\r\n" : "  ErrorLevel(0)\r\n";

  FUZZ_CHECK(process.StdOut() == want, "output differs from the reference:\n" + process.StdOut() + "\nwant:\n" + want);
  FUZZ_CHECK(process.StdErr().empty(), "something on standard error");
  FUZZ_CHECK(code == (found ? 1u : 0u), "exit code");
  return 0;
}
