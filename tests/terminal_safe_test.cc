#include "reports/terminal_safe.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/display_failure.h"
#include "runtime/process_exit.h"
#include "runtime/start_up.h"
#include "runtime/terminal_text.h"
#include "test_support.h"

namespace brisquel {
namespace {

std::string Masked(const std::string& text, bool utf8) {
  std::string out(text.size(), '\0');
  out.resize(MaskTerminalControls(text, utf8, out.data()));
  return out;
}

TEST(TerminalText, MasksEveryControlCharacterOnce) {
  struct Case {
    const char* name;
    std::string text;
    std::string utf8;         // shown on a terminal of the Linux program
    std::string single_byte;  // shown in a single-byte code page (Windows)
  };
  const std::vector<Case> cases = {
      {"plain", "Calculator", "Calculator", "Calculator"},
      {"C0 and DEL", "a\x1B[2Jb\x07\x7F\t", "a?[2Jb???", "a?[2Jb???"},
      {"UTF-8 C1: CSI, OSC 52, ST", "x\xC2\x9B" "2J\xC2\x9D" "52;c;QQ==\xC2\x9Cy", "x?2J?52;c;QQ==?y",
       "x\xC2\x9B" "2J\xC2\x9D" "52;c;QQ==\xC2\x9Cy"},
      {"UTF-8 U+0080 and U+009F", "\xC2\x80\xC2\x9F", "??", "\xC2\x80\xC2\x9F"},
      {"U+00A0 and letters stay", "\xC2\xA0\xC3\xA9t\xC3\xA9", "\xC2\xA0\xC3\xA9t\xC3\xA9",
       "\xC2\xA0\xC3\xA9t\xC3\xA9"},
      {"euro sign: 0x80 in cp1252, E2 82 AC in UTF-8", "\x80 \xE2\x82\xAC", "? \xE2\x82\xAC", "\x80 \xE2\x82\xAC"},
      {"raw C1 bytes in a class name", "k\x9B" "31m\x85\x9F", "k?31m??", "k\x9B" "31m\x85\x9F"},
      {"bidi overrides U+202A-U+202E", "\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x80\xAE", "?????",
       "\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x80\xAE"},
      {"bidi isolates U+2066-U+2069", "a\xE2\x81\xA6" "b\xE2\x81\xA9", "a?b?", "a\xE2\x81\xA6" "b\xE2\x81\xA9"},
      {"neighbours of the ranges stay", "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
       "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA", "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
      {"overlong C1 is no sequence: its stray bytes", "\xE0\x82\x9B", "\xE0??", "\xE0\x82\x9B"},
      {"cut sequence at the end", "ab\xE2\x80", "ab\xE2?", "ab\xE2\x80"},
      {"lead byte before a C0 control", "\xC2\x1B", "\xC2?", "\xC2?"},
      {"four-byte letter stays", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"empty", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Masked(c.text, true), c.utf8);
    EXPECT_EQ(Masked(c.text, false), c.single_byte);
  }
}

TEST(TerminalSafe, ListingsAreMaskedOnlyOnAConsole) {
  const std::string title = "t\xC2\x9B" "2J\xE2\x80\xAE\x1B";
  const std::string klass = "k\x9B" "1m";
  struct Case {
    const char* name;
    std::uint32_t type;
    std::optional<bool> console;
    std::uint32_t code_page;
    std::string title;
    std::string klass;
  };
  const std::vector<Case> cases = {
      {"UTF-8 terminal", kFileTypeChar, true, kCpUtf8, "t?2J??", "k?1m"},
      {"Windows console: 0x80-0x9F are letters", kFileTypeChar, true, 1252, "t\xC2\x9B" "2J\xE2\x80\xAE?", klass},
      {"/dev/null or NUL: a character device, no console", kFileTypeChar, false, kCpUtf8, title, klass},
      {"pipe", kFileTypePipe, std::nullopt, kCpUtf8, title, klass},
      {"file", kFileTypeDisk, std::nullopt, kCpUtf8, title, klass},
  };
  FakeDesktop desktop;
  desktop.windows = {{1, title, klass, 1, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process = ProcessFor("brisquel /C", c.type);
    process.stdout_console = c.console;
    process.code_page = c.code_page;
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.out, kBannerLine + "  [" + c.title + std::string(40 - c.title.size(), ' ') + "] [" + c.klass +
                           std::string(30 - c.klass.size(), ' ') + "]\r\n");
  }
}

// The /F heading echoes the search texts by the titles' rule.
TEST(TerminalSafe, SearchTextsAreMaskedOnlyOnAConsole) {
  const std::string text = "\x1B[41mX\x07\xC2\x9B";
  struct Case {
    const char* name;
    std::uint32_t type;
    std::optional<bool> console;
    std::uint32_t code_page;
    std::string echo;
  };
  const std::vector<Case> cases = {
      {"UTF-8 terminal", kFileTypeChar, true, kCpUtf8, "?[41mX??"},
      {"Windows console", kFileTypeChar, true, 1252, "?[41mX?\xC2\x9B"},
      {"/dev/null or NUL", kFileTypeChar, false, kCpUtf8, text},
      {"pipe", kFileTypePipe, std::nullopt, 1252, text},
      {"file", kFileTypeDisk, std::nullopt, kCpUtf8, text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process = ProcessFor("brisquel /F \"" + text + "\"", c.type);
    process.stdout_console = c.console;
    process.code_page = c.code_page;
    FakeDesktop desktop;
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.out, kBannerLine + "  Searching for windows containing following text:\r\n    [" + c.echo +
                           "]\r\n  ErrorLevel(0)\r\n");
  }
}

// Both display variables are shown by one rule: masked on a terminal,
// exact in a file, in every line that names a display.
TEST(TerminalSafe, DisplayNameIsMaskedWhenStandardErrorIsAConsole) {
  const std::string raw = ":1\x1B]0;x\x07\xC2\x9B";
  const std::string display = "\"" + raw + "\"";
  struct Case {
    const char* name;
    bool console;
    std::string err;
    void (*call)();
  };
  const auto x11 = [] { EndForDisplay(DisplayFailure::kCannotOpen, DisplayKind::kX11); };
  const auto wayland = [] { EndForDisplay(DisplayFailure::kLost, DisplayKind::kWayland); };
  const auto neither = [] { EndForDisplays(DisplayFailure::kCannotOpen); };
  const auto note = [] {
    NoteFallBackToX11(DisplayFailure::kNoWindowList);
    EndProcess(0);
  };
  const auto gnome_note = [] {
    NoteFallBackToX11(DisplayFailure::kNoWindowList, ": hint", DisplayKind::kGnome);
    EndProcess(0);
  };
  const std::string kOnlyXWayland =
      "; only XWayland's windows were seen, so a window not found may still be open (BRISQUEL_DESKTOP=x11 lists "
      "XWayland's windows on purpose)\r\n";
  const std::vector<Case> cases = {
      {"terminal", true, "brisquel: cannot open display \":1?]0;x??\"\r\n", x11},
      {"file", false, "brisquel: cannot open display " + display + "\r\n", x11},
      {"wayland, terminal", true, "brisquel: lost the connection to Wayland display \":1?]0;x??\"\r\n", wayland},
      {"wayland, file", false, "brisquel: lost the connection to Wayland display " + display + "\r\n", wayland},
      {"neither, file", false,
       "brisquel: DISPLAY is not set, and cannot open Wayland display " + display + "\r\n", neither},
      {"fallback note, file", false,
       "brisquel: no window list (foreign-toplevel) on Wayland display " + display +
           kOnlyXWayland,
       note},
      {"GNOME fallback note, terminal", true,
       "brisquel: no window list from GNOME Shell on Wayland display \":1?]0;x??\": hint" + kOnlyXWayland,
       gnome_note},
  };
  const ScopedEnv x11_display("DISPLAY", raw.c_str());
  const ScopedEnv wayland_display("WAYLAND_DISPLAY", raw.c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process;
    process.code_page = kCpUtf8;
    process.stderr_console = c.console;
    StartRuntime(process);
    const std::uint32_t code = ExitCodeOf(c.call);
    EXPECT_EQ(code, c.call == +note || c.call == +gnome_note ? 0u : kExitDisplayFailure);
    EXPECT_EQ(process.StdErr(), c.err);
  }
}

}  // namespace
}  // namespace brisquel
