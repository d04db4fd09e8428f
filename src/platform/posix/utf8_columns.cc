#include "platform/posix/utf8_columns.h"

#include <unistr.h>
#include <uniwidth.h>

#include <cstdint>

namespace brisquel {
namespace {

class Utf8 final : public TextColumns {
 public:
  TextCut Cut(std::string_view text, std::size_t max_columns, std::size_t max_bytes) const override {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    TextCut kept;
    while (kept.bytes < size) {
      std::size_t length = 1;
      std::size_t columns = 1;
      if (bytes[kept.bytes] >= 0x80) {
        ucs4_t character = 0;
        const int decoded = u8_mbtoucr(&character, bytes + kept.bytes, size - kept.bytes);
        if (decoded > 0) {
          length = static_cast<std::size_t>(decoded);
          const int width = uc_width(character, "UTF-8");
          columns = width < 0 ? 1 : static_cast<std::size_t>(width);
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
