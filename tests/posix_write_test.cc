#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>

#include "platform/process.h"
#include "runtime/output_channel.h"
#include "runtime/services.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

// Starts the runtime on the real process services, as the program starts,
// and opens a pipe whose writing end does not block.
void StartOnNonBlockingPipe(std::unique_ptr<ProcessServices>& process, int fds[2]) {
  static const char* const argv[] = {"brisquel", nullptr};
  process = NewDefaultProcessServices(1, argv);
  StartRuntime(*process);
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK), 0);
}

// Standard output may be a non-blocking pipe (set so by the program that
// made it) with a slow reader: a full pipe is waited on, never a failure,
// and every byte arrives once, in order.
TEST(PosixWrite, NonBlockingPipeIsWaitedOnUntilAllBytesArrive) {
  struct Case {
    const char* name;
    std::size_t total;
    std::size_t piece;  // bytes handed over per WriteWhole call
  };
  for (const Case& c : {Case{"one large write", 300000, 300000}, Case{"128-byte blocks", 200000, 128}}) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<ProcessServices> process;
    int fds[2];
    ASSERT_NO_FATAL_FAILURE(StartOnNonBlockingPipe(process, fds));
    std::string sent(c.total, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>('a' + i % 23);
    std::string received;
    std::thread reader([&] {
      char chunk[4096];
      ssize_t n;
      while ((n = read(fds[0], chunk, sizeof chunk)) > 0) {
        received.append(chunk, static_cast<std::size_t>(n));
        usleep(200);  // slower than the writer, so that the pipe fills
      }
    });
    std::int32_t code = 0;
    for (std::size_t at = 0; at < sent.size() && code == 0; at += c.piece) {
      const std::size_t count = std::min(c.piece, sent.size() - at);
      code = WriteWhole(static_cast<FileHandle>(fds[1]), sent.data() + at, static_cast<std::uint32_t>(count));
    }
    close(fds[1]);
    reader.join();
    close(fds[0]);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent);
  }
}

// A pipe whose reader has gone is failure 232, whether the writer would
// block or not.
TEST(PosixWrite, ClosedNonBlockingPipeFailsWith232) {
  std::unique_ptr<ProcessServices> process;
  int fds[2];
  ASSERT_NO_FATAL_FAILURE(StartOnNonBlockingPipe(process, fds));
  close(fds[0]);
  const std::string bytes(1000, 'x');
  EXPECT_EQ(WriteWhole(static_cast<FileHandle>(fds[1]), bytes.data(), static_cast<std::uint32_t>(bytes.size())), 232);
  close(fds[1]);
}

}  // namespace
}  // namespace brisquel
