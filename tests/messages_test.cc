#include "runtime/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace brisquel {
namespace {

using namespace std::string_literals;

// Two entries under one number would make the lookup serve the first and
// the resource compiler refuse the list.
TEST(Messages, IdsAreUnique) {
  std::size_t count = 0;
  const std::uint32_t* ids = AllMessageIds(&count);
  ASSERT_GT(count, 0u);
  const std::set<std::uint32_t> unique(ids, ids + count);
  EXPECT_EQ(unique.size(), count);
}

// Served the way LoadStringA serves a string table: at most size - 1
// bytes and a NUL, the count copied, nothing for an unknown number.
TEST(Messages, CopyMessageLoadsLikeLoadStringA) {
  struct Case {
    std::uint32_t id;
    int size;
    int copied;
    std::string buffer;  // bytes up to and with the NUL
  };
  const Case cases[] = {
      {kMsgDiskFull, 64, 9, "Disk full\0"s},
      {kMsgDiskFull, 10, 9, "Disk full\0"s},
      {kMsgDiskFull, 9, 8, "Disk ful\0"s},
      {kMsgDiskFull, 1, 0, "\0"s},
      {kMsgReportCaption, 64, 17, "Application Error\0"s},
      {kMsgIoError, 1024, 12, "I/O error %d\0"s},
      {7, 64, 0, "\0"s},  // no such entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " into " + std::to_string(c.size));
    std::string buffer(1100, '#');
    EXPECT_EQ(CopyMessage(c.id, buffer.data(), c.size), c.copied);
    EXPECT_EQ(buffer.substr(0, c.buffer.size()), c.buffer);
    EXPECT_EQ(buffer[c.buffer.size()], '#');
  }
  char untouched = '#';
  EXPECT_EQ(CopyMessage(kMsgDiskFull, &untouched, 0), 0);
  EXPECT_EQ(untouched, '#');
}

}  // namespace
}  // namespace brisquel
