#include "platform/posix/utf8_columns.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "base/utf8.h"

#include <cstdint>

namespace brisquel {
namespace {

struct WidthRange {
  std::uint32_t first;
  std::uint32_t last;
  std::uint32_t columns;
};

#include "width_table.inc"

// The bidirectional overrides and isolates: a terminal is shown '?' for
// each, so they take a column on every output, as other controls do.
bool IsBidiControl(std::uint32_t character) {
  return (character >= 0x202A && character <= 0x202E) || (character >= 0x2066 && character <= 0x2069);
}

std::size_t ColumnsOf(std::uint32_t character) {
  if (character < 0x20 || (character >= 0x7F && character <= 0x9F) || IsBidiControl(character)) return 1;
  const auto range = std::upper_bound(std::begin(kWidthRanges), std::end(kWidthRanges), character,
                                      [](std::uint32_t c, const WidthRange& r) { return c < r.first; });
  if (range == std::begin(kWidthRanges)) return 1;
  const WidthRange& candidate = *std::prev(range);
  return character <= candidate.last ? candidate.columns : 1;
}

class Utf8 final : public TextColumns {
 public:
  TextCut Cut(std::string_view text, std::size_t max_columns, std::size_t max_bytes) const override {
    TextCut kept;
    while (kept.bytes < text.size()) {
      std::size_t length = 1;
      std::size_t columns = 1;
      if (static_cast<unsigned char>(text[kept.bytes]) >= 0x80) {
        std::uint32_t character = 0;
        const std::size_t decoded = DecodeUtf8(text, kept.bytes, character);
        if (decoded > 0) {
          length = decoded;
          columns = ColumnsOf(character);
        }
      }
      if (length > max_bytes - kept.bytes || columns > max_columns - kept.columns) break;
      kept.bytes += length;
      kept.columns += columns;
    }
    return kept;
  }
};

const Utf8 utf8;

}  // namespace

const TextColumns& Utf8Columns() { return utf8; }

}  // namespace brisquel
