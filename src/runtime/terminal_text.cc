#include "runtime/terminal_text.h"

#include <cstdint>

#include "base/utf8.h"

namespace brisquel {
namespace {

bool IsMaskedCodePoint(std::uint32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
         (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::size_t MaskTerminalControls(std::string_view text, bool utf8, char* out) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    std::uint32_t code = byte;
    const std::size_t sequence = utf8 ? DecodeUtf8(text, i, code) : 1;
    if (sequence == 0) {
      // Not UTF-8: a stray byte. Those of the C1 range would act as
      // controls on a terminal that reads 8-bit controls.
      out[length++] = (byte >= 0x80 && byte <= 0x9F) ? '?' : text[i];
      ++i;
    } else if (utf8 ? IsMaskedCodePoint(code) : (byte < 0x20 || byte == 0x7F)) {
      out[length++] = '?';
      i += sequence;
    } else {
      for (std::size_t k = 0; k < sequence; ++k) out[length++] = text[i + k];
      i += sequence;
    }
  }
  return length;
}

}  // namespace brisquel
