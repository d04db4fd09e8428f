#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/arguments.h"
#include "test_support.h"

namespace brisquel {
namespace {

const std::string kUsage =
    "       Get window lists, window class lists and search for window text.\r\n"
    "Usage: Search all windows for window containing specified text (or list of)\r\n"
    "         BRISQUEL /F <\"wintext1\"> ... <\"wintextN\">\r\n"
    "           ErrorLevel=1    Found\r\n"
    "           ErrorLevel=0    Not found\r\n"
    "       List all windows open\r\n"
    "         BRISQUEL /L\r\n"
    "       List all windows open (Class names)\r\n"
    "         BRISQUEL /C\r\n";
const std::string kHeading = "  Searching for windows containing following text:\r\n";

FakeDesktop TwoApps() {
  FakeDesktop desktop;
  desktop.windows = {{0xA01B2, "Calculator", "CalcFrame", 0x5A4, 0x1F0, 0},
                     {0x3C, "Untitled - Notepad", "Notepad", 0x77, 0x88, 0}};
  return desktop;
}

TEST(Program, OptionsChooseTheMode) {
  struct Case {
    std::string command_line;
    std::string after_banner;
  };
  const std::string listing =
      "  [Calculator                  ] TID:$5A4 HWND:$A01B2 PID:$1F0 PAR:$0\r\n"
      "  [Untitled - Notepad          ] TID:$77 HWND:$3C PID:$88 PAR:$0\r\n";
  const Case cases[] = {
      {"brisquel", kUsage},
      {"brisquel /M", ""},
      {"brisquel -m", ""},
      {"brisquel \" /m \"", ""},
      {"brisquel -l", listing},
      {"brisquel /l /F calc", listing},
      {"\"C:\\Program Files\\brisquel.exe\" \"\" /L", listing},
      {"brisquel -c",
       "  [Calculator                              ] [CalcFrame                     ]\r\n"
       "  [Untitled - Notepad                      ] [Notepad                       ]\r\n"},
      {"brisquel \"   \"", kUsage},
      {"brisquel /X", kUsage},
      {"brisquel F", kUsage},
      {"brisquel /FF", kUsage},
      {"brisquel --F", kUsage},
      {"brisquel \"/F X\"", kUsage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command_line);
    const ProgramRun run = RunCommand(c.command_line, TwoApps());
    EXPECT_EQ(run.out, kBannerLine + c.after_banner);
    EXPECT_EQ(run.exit_code, 0u);
  }
}

TEST(Program, SearchReportsEveryMatchGroupedByWindow) {
  struct Case {
    const char* name;
    std::string command_line;
    std::vector<FakeWindow> windows;
    std::string after_banner;
    std::uint32_t exit_code;
  };
  const Case cases[] = {
      {"the worked example", "brisquel /F calc \"  EDIT\"", TwoApps().windows,
       kHeading + "    [calc]\r\n    [  EDIT]\r\n"
                  "  Found [Calculator                         ] TID:$5A4, HWND:$A01B2, PID:$1F0\r\n"
                  "  ErrorLevel(1)\r\n",
       1},
      {"no texts", "brisquel -f", TwoApps().windows, kHeading + "  ErrorLevel(0)\r\n", 0},
      {"no match", "brisquel /F zzz", TwoApps().windows, kHeading + "    [zzz]\r\n  ErrorLevel(0)\r\n", 0},
      {"two texts, one window", "brisquel /F note UNTITLED", TwoApps().windows,
       kHeading + "    [note]\r\n    [UNTITLED]\r\n"
                  "  Found [Untitled - Notepad                 ] TID:$77, HWND:$3C, PID:$88\r\n"
                  "  Found [Untitled - Notepad                 ] TID:$77, HWND:$3C, PID:$88\r\n"
                  "  ErrorLevel(1)\r\n",
       1},
      {"quoted blanks match nothing", "brisquel /F \"   \"", TwoApps().windows,
       kHeading + "    [   ]\r\n  ErrorLevel(0)\r\n", 0},
      {"title blanks are trimmed, inner ones count", "brisquel /F \"a b\" \"ab\"",
       {{1, "\t a b \r", "", 1, 2, 0}},
       kHeading + "    [a b]\r\n    [ab]\r\n  Found [\t a b \r                            ] TID:$1, HWND:$1, PID:$2\r\n"
                  "  ErrorLevel(1)\r\n",
       1},
      {"accented capitals do not fold", "brisquel /F \xC9T\xC9", {{1, "\xE9t\xE9", "", 1, 2, 0}},
       kHeading + "    [\xC9T\xC9]\r\n  ErrorLevel(0)\r\n", 0},
      {"long title printed whole, top-bit ids", "brisquel /F x",
       {{0xFFFFFFFFu, std::string(40, 'x'), "", 0x80000000u, 0xFFFFFFFEu, 0}},
       kHeading + "    [x]\r\n  Found [" + std::string(40, 'x') + "] TID:$80000000, HWND:$FFFFFFFF, PID:$FFFFFFFE\r\n"
                  "  ErrorLevel(1)\r\n",
       1},
      {"empty desktop", "brisquel /F a", {}, kHeading + "    [a]\r\n  ErrorLevel(0)\r\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    desktop.windows = c.windows;
    const ProgramRun run = RunCommand(c.command_line, desktop);
    EXPECT_EQ(run.out, kBannerLine + c.after_banner);
    EXPECT_EQ(run.exit_code, c.exit_code);
  }
}

// In an ANSI code page the titles and the command line reach the program
// with '?' for every character the page cannot hold; the search compares
// what the window (GetWindowTextW) and the user (GetCommandLineW) wrote,
// and prints the ANSI forms.
TEST(Program, SearchComparesWhatTheWindowAndTheUserWrote) {
  const std::string x254(254, 'x');
  FakeDesktop desktop;
  desktop.windows = {
      {1, "???", "", 1, 1, 0, u"\u65E5\u672C\u8A9E"},                        // 日本語
      {2, "?????? ???", "", 2, 2, 0, u"\u041F\u0440\u0438\u0432\u0435\u0442 \u0416\u0443\u043A"},  // Привет Жук
      {3, "Why?", "", 3, 3, 0, u"Why?"},
      {4, "a??b", "", 4, 4, 0, u"a\U0001F600b"},                            // an emoji
      {5, "Caf\xE9", "", 5, 5, 0, u"Caf\u00E9"},
      {6, x254 + "TAIL", "", 6, 6, 0, std::u16string(254, u'x') + u"TAIL"},  // printed cut to 254
  };
  struct Case {
    const char* name;
    std::string command_line;   // as GetCommandLineA gives it
    std::u16string written;     // as GetCommandLineW gives it
    std::vector<WindowHandle> found;  // one per matching text, in output order
  };
  const Case cases[] = {
      {"a letter the code page lacks", "brisquel /F ?", u"brisquel /F \u0416", {2}},
      {"a real '?'", "brisquel /F ?", u"brisquel /F ?", {3}},
      {"an emoji", "brisquel /F ?", u"brisquel /F \U0001F600", {4}},
      {"only ASCII letters fold", "brisquel /F ???", u"brisquel /F \u0436\u0443\u043A", {}},
      {"ASCII letters still fold", "brisquel /F wHY", u"brisquel /F wHY", {3}},
      {"a letter the code page holds", "brisquel /F caf\xE9", u"brisquel /F caf\u00E9", {5}},
      {"its capital is another letter", "brisquel /F CAF\xC9", u"brisquel /F CAF\u00C9", {}},
      {"two texts in one title", "brisquel /F ??? \"? ?\"", u"brisquel /F \u0416\u0443\u043A \"\u0442 \u0416\"",
       {2, 2}},
      {"no further than the printed cut", "brisquel /F TAIL", u"brisquel /F TAIL", {}},
      {"command lines that split apart are compared as printed", "brisquel /F Why ?",
       u"brisquel /F Why\u3000?", {1, 2, 3, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process = ProcessFor(c.command_line, kFileTypePipe);
    process.wide_command_line = c.written;
    std::string want = kHeading;
    const char* p = c.command_line.c_str();
    for (int skip = 0; skip < 2; ++skip) NextArgument(p);
    for (std::string text = NextArgument(p); !text.empty(); text = NextArgument(p)) {
      want += "    [" + text + "]\r\n";
    }
    for (const WindowHandle h : c.found) {
      const std::string title = desktop.windows[h - 1].title.substr(0, 254);
      want += "  Found [" + title + std::string(35 - std::min<std::size_t>(title.size(), 35), ' ') + "] TID:$" +
              std::to_string(h) + ", HWND:$" + std::to_string(h) + ", PID:$" + std::to_string(h) + "\r\n";
    }
    want += c.found.empty() ? "  ErrorLevel(0)\r\n" : "  ErrorLevel(1)\r\n";
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.out, kBannerLine + want);
    EXPECT_EQ(run.exit_code, c.found.empty() ? 0u : 1u);
  }
}

TEST(Program, SearchWithoutTextsIsOneBlockAndStillTakesTheSnapshot) {
  FakeProcess process;
  process.command_line = "brisquel /F";
  FakeDesktop desktop = TwoApps();
  const ProgramRun run = RunOn(process, desktop);
  EXPECT_EQ(run.out.size(), 128u);
  ASSERT_EQ(process.writes.size(), 1u);
  EXPECT_FALSE(desktop.calls.empty());
  EXPECT_EQ(desktop.calls.front(), "Find");
}

TEST(Program, ADisplayThatIsGoneEndsTheRunWithCode2) {
  struct Case {
    std::string command_line;
    std::uint32_t stdout_type;
    std::string out;
  };
  const Case cases[] = {
      {"brisquel /L", kFileTypePipe, kBannerLine},
      {"brisquel /C", kFileTypeChar, kBannerLine},
      {"brisquel /F calc", kFileTypePipe, kBannerLine + kHeading + "    [calc]\r\n"},
      {"brisquel /F calc", kFileTypeDisk, kBannerLine + kHeading + "    [calc]\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command_line);
    FakeProcess process = ProcessFor(c.command_line, c.stdout_type);
    FakeDesktop desktop = TwoApps();
    desktop.display_unreachable = true;
    const ScopedEnv display("DISPLAY", ":fake");
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.exit_code, 2u);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "brisquel: cannot open display \":fake\"\r\n");
  }
}

TEST(Program, PartOfTheDesktopNeverAnswersNotFound) {
  const std::string kLine =
      "brisquel: Wayland display \"w-0\" named windows of its list that could not be read; only the windows read "
      "were seen, so a window not found may still be open\r\n";
  struct Case {
    std::string command_line;
    std::uint32_t exit_code;
    std::string out;  // after the banner
  };
  const Case cases[] = {
      {"brisquel /F calc", 1,
       kHeading + "    [calc]\r\n  Found [Calculator                         ] TID:$5A4, HWND:$A01B2, PID:$1F0\r\n"
                  "  ErrorLevel(1)\r\n"},
      {"brisquel /F word", 2, kHeading + "    [word]\r\n"},
      {"brisquel /L", 2,
       "  [Calculator                  ] TID:$5A4 HWND:$A01B2 PID:$1F0 PAR:$0\r\n"
       "  [Untitled - Notepad          ] TID:$77 HWND:$3C PID:$88 PAR:$0\r\n"},
      {"brisquel /C", 2,
       "  [Calculator                              ] [CalcFrame                     ]\r\n"
       "  [Untitled - Notepad                      ] [Notepad                       ]\r\n"},
      {"brisquel /M", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command_line);
    FakeProcess process = ProcessFor(c.command_line, kFileTypePipe);
    FakeDesktop desktop = TwoApps();
    desktop.partial_view = true;
    const ScopedEnv display("WAYLAND_DISPLAY", "w-0");
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, kBannerLine + c.out);
    EXPECT_EQ(run.err, c.command_line == "brisquel /M" ? "" : kLine);
  }
}

TEST(Program, ListingsPadAndCutTitles) {
  FakeDesktop desktop;
  desktop.windows = {{1, std::string(28, 'a'), std::string(30, 'k'), 2, 3, 4},
                     {5, std::string(29, 'b') + "END", "K", 6, 7, 0},
                     {8, std::string(41, 'c'), std::string(31, 'm'), 9, 10, 0}};
  const ProgramRun list = RunCommand("brisquel /L", desktop);
  EXPECT_EQ(list.out, kBannerLine + "  [" + std::string(28, 'a') + "] TID:$2 HWND:$1 PID:$3 PAR:$4\r\n" +
                          "  [" + std::string(28, 'b') + "] TID:$6 HWND:$5 PID:$7 PAR:$0\r\n" + "  [" +
                          std::string(28, 'c') + "] TID:$9 HWND:$8 PID:$A PAR:$0\r\n");
  const ProgramRun classes = RunCommand("brisquel /C", desktop);
  EXPECT_EQ(classes.out, kBannerLine + "  [" + std::string(28, 'a') + std::string(12, ' ') + "] [" +
                             std::string(30, 'k') + "]\r\n" + "  [" + std::string(29, 'b') + "END" +
                             std::string(8, ' ') + "] [K" + std::string(29, ' ') + "]\r\n" + "  [" +
                             std::string(41, 'c') + "] [" + std::string(31, 'm') + "]\r\n");
  EXPECT_EQ(RunCommand("brisquel /L").out, kBannerLine);
}

TEST(Program, ControlBytesInTitlesAreMaskedOnlyOnATerminal) {
  FakeDesktop desktop;
  desktop.windows = {{1, "a\x1B]0;pwned\x07z\x7F", "k\tl", 1, 1, 0}};
  for (std::uint32_t type : {kFileTypeChar, kFileTypePipe}) {
    FakeProcess process;
    process.command_line = "brisquel /C";
    process.stdout_type = type;
    const ProgramRun run = RunOn(process, desktop);
    const std::string title = type == kFileTypeChar ? "a?]0;pwned?z?" : "a\x1B]0;pwned\x07z\x7F";
    const std::string klass = type == kFileTypeChar ? "k?l" : "k\tl";
    EXPECT_EQ(run.out, kBannerLine + "  [" + title + std::string(40 - title.size(), ' ') + "] [" + klass +
                           std::string(27, ' ') + "]\r\n");
  }
}

// Texts in UTF-8 (the Linux program): every column counts what a terminal
// shows, so each line's closing bracket stands in the same column; cuts
// fall between characters. The same desktop read as single-byte text keeps
// counting bytes.
TEST(Program, Utf8TitlesAreAlignedByColumns) {
  const std::string e = "\xC3\xA9", zhong = "\xE4\xB8\xAD", grin = "\xF0\x9F\x98\x80", acute = "\xCC\x81";
  std::string wide;  // 15 wide characters: 30 columns, 45 bytes
  for (int i = 0; i < 15; ++i) wide += zhong;
  const std::string over_limit = std::string(253, 'a') + zhong;  // 256 bytes; the 254-byte limit falls inside
  FakeDesktop desktop;
  desktop.windows = {{1, "Caf" + e + " menu", "caf" + e, 1, 1, 0},
                     {2, wide, zhong + zhong, 2, 2, 0},
                     {3, "a" + wide, "K", 3, 3, 0},
                     {4, grin + " smile", grin, 4, 4, 0},
                     {5, "Cafe" + acute, "e" + acute, 5, 5, 0},
                     {6, "bad\xFF\xC3(", "x\x80", 6, 6, 0},
                     {7, over_limit, "K", 7, 7, 0}};
  auto spaces = [](std::size_t n) { return std::string(n, ' '); };
  std::string wide14;
  for (int i = 0; i < 14; ++i) wide14 += zhong;
  const std::string a13 = "a" + wide14.substr(0, 13 * 3);
  const std::string a253 = std::string(253, 'a');
  struct Case {
    const char* name;
    std::uint32_t code_page;
    std::string command;
    std::string out;
  };
  const Case cases[] = {
      {"/L, UTF-8", kCpUtf8, "brisquel /L",
       kBannerLine + "  [Caf" + e + " menu" + spaces(19) + "] TID:$1 HWND:$1 PID:$1 PAR:$0\r\n" +
           "  [" + wide14 + "] TID:$2 HWND:$2 PID:$2 PAR:$0\r\n" +
           "  [" + a13 + " ] TID:$3 HWND:$3 PID:$3 PAR:$0\r\n" +
           "  [" + grin + " smile" + spaces(20) + "] TID:$4 HWND:$4 PID:$4 PAR:$0\r\n" +
           "  [Cafe" + acute + spaces(24) + "] TID:$5 HWND:$5 PID:$5 PAR:$0\r\n" +
           "  [bad\xFF\xC3(" + spaces(22) + "] TID:$6 HWND:$6 PID:$6 PAR:$0\r\n" +
           "  [" + std::string(28, 'a') + "] TID:$7 HWND:$7 PID:$7 PAR:$0\r\n"},
      {"/C, UTF-8", kCpUtf8, "brisquel /C",
       kBannerLine + "  [Caf" + e + " menu" + spaces(31) + "] [caf" + e + spaces(26) + "]\r\n" +
           "  [" + wide + spaces(10) + "] [" + zhong + zhong + spaces(26) + "]\r\n" +
           "  [a" + wide + spaces(9) + "] [K" + spaces(29) + "]\r\n" +
           "  [" + grin + " smile" + spaces(32) + "] [" + grin + spaces(28) + "]\r\n" +
           "  [Cafe" + acute + spaces(36) + "] [e" + acute + spaces(29) + "]\r\n" +
           "  [bad\xFF\xC3(" + spaces(34) + "] [x\x80" + spaces(28) + "]\r\n" +
           "  [" + a253 + "] [K" + spaces(29) + "]\r\n"},
      {"/F, UTF-8", kCpUtf8, "brisquel /F caf smile " + zhong + " bad aaaa",
       kBannerLine + kHeading + "    [caf]\r\n    [smile]\r\n    [" + zhong + "]\r\n    [bad]\r\n    [aaaa]\r\n" +
           "  Found [Caf" + e + " menu" + spaces(26) + "] TID:$1, HWND:$1, PID:$1\r\n" +
           "  Found [" + wide + spaces(5) + "] TID:$2, HWND:$2, PID:$2\r\n" +
           "  Found [a" + wide + spaces(4) + "] TID:$3, HWND:$3, PID:$3\r\n" +
           "  Found [" + grin + " smile" + spaces(27) + "] TID:$4, HWND:$4, PID:$4\r\n" +
           "  Found [Cafe" + acute + spaces(31) + "] TID:$5, HWND:$5, PID:$5\r\n" +
           "  Found [bad\xFF\xC3(" + spaces(29) + "] TID:$6, HWND:$6, PID:$6\r\n" +
           "  Found [" + a253 + "] TID:$7, HWND:$7, PID:$7\r\n  ErrorLevel(1)\r\n"},
      {"/L, single-byte", 1252, "brisquel /L",
       kBannerLine + "  [Caf" + e + " menu" + spaces(18) + "] TID:$1 HWND:$1 PID:$1 PAR:$0\r\n" +
           "  [" + wide.substr(0, 28) + "] TID:$2 HWND:$2 PID:$2 PAR:$0\r\n" +
           "  [" + ("a" + wide).substr(0, 28) + "] TID:$3 HWND:$3 PID:$3 PAR:$0\r\n" +
           "  [" + grin + " smile" + spaces(18) + "] TID:$4 HWND:$4 PID:$4 PAR:$0\r\n" +
           "  [Cafe" + acute + spaces(22) + "] TID:$5 HWND:$5 PID:$5 PAR:$0\r\n" +
           "  [bad\xFF\xC3(" + spaces(22) + "] TID:$6 HWND:$6 PID:$6 PAR:$0\r\n" +
           "  [" + std::string(28, 'a') + "] TID:$7 HWND:$7 PID:$7 PAR:$0\r\n"},
      {"/C, single-byte", 1252, "brisquel /C",
       kBannerLine + "  [Caf" + e + " menu" + spaces(30) + "] [caf" + e + spaces(25) + "]\r\n" +
           "  [" + wide + "] [" + zhong + zhong + spaces(24) + "]\r\n" +
           "  [a" + wide + "] [K" + spaces(29) + "]\r\n" +
           "  [" + grin + " smile" + spaces(30) + "] [" + grin + spaces(26) + "]\r\n" +
           "  [Cafe" + acute + spaces(34) + "] [e" + acute + spaces(27) + "]\r\n" +
           "  [bad\xFF\xC3(" + spaces(34) + "] [x\x80" + spaces(28) + "]\r\n" +
           "  [" + a253 + "\xE4] [K" + spaces(29) + "]\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process = Utf8ProcessFor(c.command);
    process.code_page = c.code_page;
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.exit_code, c.out.find("ErrorLevel(1)") == std::string::npos ? 0u : 1u);
    EXPECT_EQ(run.out, c.out);
  }
}

}  // namespace
}  // namespace brisquel
