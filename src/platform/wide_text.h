// Text in UTF-16, as the window and process calls ending in W give it,
// and its UTF-8 form, in which the program compares what a window and the
// user really wrote where the ANSI code page cannot hold it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace brisquel {

// The UTF-8 form of at most max_characters characters of text (a
// surrogate pair is one). A lone surrogate is written as the three bytes
// its value would take, so that no two texts share a form.
inline std::string Utf8FromUtf16(std::u16string_view text, std::size_t max_characters = std::string::npos) {
  std::string bytes;
  bytes.reserve(text.size());
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size() && characters < max_characters; ++i, ++characters) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return bytes;
}

// The UTF-16 form of UTF-8 text; each byte that starts no valid sequence
// (stray, cut, overlong, a surrogate or beyond U+10FFFF) becomes U+FFFD.
inline std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5                  ? 4
                                                                              : 0;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= kLeast[length] && c < 0x110000 && (c < 0xD800 || c >= 0xE000);
    if (!valid) {
      units.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return units;
}

// Copies text the way GetWindowTextW does: at most max_count - 1 code
// units and a NUL; returns the count copied. With max_count < 1 it touches
// nothing.
inline int CopyWideText(std::u16string_view text, char16_t* buffer, int max_count) {
  if (max_count < 1) return 0;
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(max_count - 1));
  text.copy(buffer, count);
  buffer[count] = u'\0';
  return static_cast<int>(count);
}

}  // namespace brisquel
