// The benchmarks' timer: runs commands in turn (interleaved, so that a
// slow spell of the machine falls on all of them alike), each with its
// standard output read through a pipe as a script reads it, and prints
// each command's median and minimum wall time.
//   timer RUNS COMMAND... (each COMMAND one argument: words split on spaces,
//   run directly, with no shell in between)
// Prints one line per command: median ms, minimum ms, the command. The
// first round is a warm-up and is not counted. Exit status 1 when a command
// cannot be run.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::vector<std::string> Words(const std::string& command) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// One run of words, its output drained from a pipe: the wall time in ms,
// or a negative number when it could not be run.
double TimeOnce(const std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) return -1;
  const double start = NowMs();
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  char buffer[65536];
  while (read(out[0], buffer, sizeof buffer) > 0) {
  }
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const double elapsed = NowMs() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 127 ? -1 : elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: timer RUNS COMMAND...\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  std::vector<std::vector<std::string>> commands;
  for (int i = 2; i < argc; ++i) commands.push_back(Words(argv[i]));
  std::vector<std::vector<double>> times(commands.size());
  for (int round = 0; round <= runs; ++round) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
      const double ms = TimeOnce(commands[i]);
      if (ms < 0) {
        std::fprintf(stderr, "timer: cannot run %s\n", argv[i + 2]);
        return 1;
      }
      if (round > 0) times[i].push_back(ms);
    }
  }
  for (std::size_t i = 0; i < commands.size(); ++i) {
    std::vector<double>& t = times[i];
    std::sort(t.begin(), t.end());
    const std::size_t n = t.size();
    const double median = n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
    std::printf("%.3f %.3f %s\n", median, t.front(), argv[i + 2]);
  }
  return 0;
}
