#include "base/messages.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "test_support.h"

namespace brisquel {
namespace {

using namespace std::string_literals;

// Two entries under one number would make the lookup serve the first and
// the resource compiler refuse the list.
TEST(Messages, IdsAreUnique) {
  constexpr std::uint32_t kIds[] = {
#define MESSAGE(name, id, text) id,
#include "base/messages.def"
#undef MESSAGE
  };
  const std::size_t count = std::size(kIds);
  ASSERT_GT(count, 0u);
  const std::set<std::uint32_t> unique(std::begin(kIds), std::end(kIds));
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
    ExpectBoundedCopy([&](char* buffer, int size) { return CopyMessage(c.id, buffer, size); }, c.size, c.copied,
                      c.buffer);
  }
  char untouched = '#';
  EXPECT_EQ(CopyMessage(kMsgDiskFull, &untouched, 0), 0);
  EXPECT_EQ(untouched, '#');
}

}  // namespace
}  // namespace brisquel
