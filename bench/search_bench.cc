// Times the search and the window listing over a large fake desktop, with
// output going to a sink that discards it. Prints the median of the runs.
//   search_bench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_process.h"
#include "platform/posix/utf8_columns.h"
#include "reports/reports.h"
#include "runtime/failure_report.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

constexpr int kWindows = 10000;
constexpr int kTexts = 100;

// Process services whose standard output swallows everything.
class SinkProcess : public FakeProcess {
 public:
  bool WriteFile(FileHandle, const void*, std::uint32_t count, std::uint32_t* written) override {
    bytes += count;
    *written = count;
    return true;
  }
  std::uint64_t bytes = 0;
};

std::string Word(std::mt19937& random) {
  static const char* const kWords[] = {"Document", "Untitled", "Notepad", "Calculator", "Terminal", "Browser",
                                       "settings", "Mail",     "report",  "draft",      "Project",  "build",
                                       "window",   "Editor",   "- ",      "log",        "Viewer",   "Player"};
  return kWords[random() % (sizeof kWords / sizeof *kWords)];
}

FakeDesktop MakeDesktop() {
  std::mt19937 random(42);
  FakeDesktop desktop;
  desktop.record_calls = false;
  for (int i = 0; i < kWindows; ++i) {
    const std::size_t length = 60 + random() % 195;  // 60 to 254
    std::string title;
    while (title.size() < length) title += Word(random) + " " + std::to_string(random() % 100000) + " ";
    title.resize(length);
    desktop.windows.push_back({static_cast<WindowHandle>(0x10000 + i * 4), title, "BenchClass 0x12AB", 0x1000u + i,
                               0x2000u + i % 300, 0});
  }
  return desktop;
}

std::string CommandLine() {
  std::mt19937 random(7);
  std::string line = "brisquel /F";
  for (int i = 0; i < kTexts; ++i) line += " \"" + Word(random) + " " + std::to_string(random() % 1000) + "\"";
  return line;
}

template <typename Run>
double MedianMs(int runs, Run run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace
}  // namespace brisquel

int main(int argc, char** argv) {
  using namespace brisquel;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  FakeDesktop desktop = MakeDesktop();
  InstallUtf8Columns(Utf8Columns());
  std::printf("windows %d, search texts %d, runs %d (median)\n", kWindows, kTexts, runs);
  // Single-byte texts (the Windows program), then UTF-8 (the Linux one).
  for (const std::uint32_t code_page : {1252u, kCpUtf8}) {
    SinkProcess process;
    process.command_line = CommandLine();
    process.code_page = code_page;
    StartRuntime(process);
    SetConsoleReports(true);

    std::int32_t error_level = 0;
    const double search = MedianMs(runs, [&] { error_level = SearchReport(desktop); });
    const std::uint64_t search_bytes = process.bytes / runs;
    process.bytes = 0;
    const double listing = MedianMs(runs, [&] { WindowListReport(desktop); });
    const std::uint64_t listing_bytes = process.bytes / runs;

    const char* texts = code_page == kCpUtf8 ? "UTF-8" : "single-byte";
    std::printf("search  /F, %-11s: %8.2f ms  (%llu output bytes, ErrorLevel %d; target <= 20 ms)\n", texts, search,
                static_cast<unsigned long long>(search_bytes), error_level);
    std::printf("listing /L, %-11s: %8.2f ms  (%llu output bytes)\n", texts, listing,
                static_cast<unsigned long long>(listing_bytes));
  }
  return 0;
}
