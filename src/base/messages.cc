#include "base/messages.h"

#include <iterator>

#include "base/text.h"

namespace brisquel {
namespace {

struct Entry {
  std::uint32_t id;
  std::string_view text;
};

constexpr Entry kTable[] = {
#define MESSAGE(name, id, text) {id, text},
#include "base/messages.def"
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
  return CopyText(FindMessage(id), buffer, size);
}

}  // namespace brisquel
