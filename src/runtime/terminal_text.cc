#include "runtime/terminal_text.h"

#include <cstdint>

namespace brisquel {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at text[i] (1 to 4) with its
// code point, or 0 when the bytes there are not one.
std::size_t Sequence(std::string_view text, std::size_t i, std::uint32_t& code) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = at(0);
  std::size_t length;
  unsigned char low = 0x80;  // the range of the first continuation byte
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if (!IsContinuation(at(k))) return 0;
    code = (code << 6) | (at(k) & 0x3F);
  }
  return length;
}

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
    const std::size_t sequence = utf8 ? Sequence(text, i, code) : 1;
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
