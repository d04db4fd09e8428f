#include "base/text_columns.h"

#include <algorithm>

namespace brisquel {
namespace {

class SingleByte final : public TextColumns {
 public:
  TextCut Cut(std::string_view text, std::size_t max_columns, std::size_t max_bytes) const override {
    const std::size_t kept = std::min({text.size(), max_columns, max_bytes});
    return {kept, kept};
  }
};

const SingleByte single_byte;
const TextColumns* utf8_columns = nullptr;
bool text_is_utf8 = false;

}  // namespace

const TextColumns& SingleByteColumns() { return single_byte; }

void InstallUtf8Columns(const TextColumns& rule) { utf8_columns = &rule; }

void SetTextIsUtf8(bool utf8) { text_is_utf8 = utf8; }

bool TextIsUtf8() { return text_is_utf8; }

const TextColumns& ProgramColumns() {
  return TextIsUtf8() && utf8_columns != nullptr ? *utf8_columns : single_byte;
}

std::size_t ColumnsOf(std::string_view text) { return ProgramColumns().Cut(text, kNoLimit, kNoLimit).columns; }

std::string_view CutToColumns(std::string_view text, std::size_t columns) {
  return text.substr(0, ProgramColumns().Cut(text, columns, kNoLimit).bytes);
}

std::size_t CutToBytes(std::string_view text, std::size_t bytes) {
  return ProgramColumns().Cut(text, kNoLimit, bytes).bytes;
}

}  // namespace brisquel
