#include "runtime/messages.h"

#include <cstring>
#include <iterator>

namespace brisquel {
namespace {

struct Entry {
  std::uint32_t id;
  std::string_view text;
};

constexpr Entry kTable[] = {
#define MESSAGE(name, id, text) {id, text},
#include "runtime/messages.def"
#undef MESSAGE
};

constexpr std::uint32_t kIds[] = {
#define MESSAGE(name, id, text) id,
#include "runtime/messages.def"
#undef MESSAGE
};

}  // namespace

std::string_view FindMessage(std::uint32_t id) {
  for (const Entry& entry : kTable) {
    if (entry.id == id) return entry.text;
  }
  return {};
}

int CopyMessage(std::uint32_t id, char* buffer, int size) {
  if (size <= 0) return 0;
  const std::string_view text = FindMessage(id);
  const std::size_t length = text.size() < static_cast<std::size_t>(size - 1) ? text.size() : static_cast<std::size_t>(size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

const std::uint32_t* AllMessageIds(std::size_t* count) {
  *count = std::size(kIds);
  return kIds;
}

}  // namespace brisquel
