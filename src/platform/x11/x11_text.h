// Text properties of X windows as UTF-8: a property's bytes are read by the
// type it declares, so every text the program prints is in one encoding.
#pragma once

#include <string>
#include <string_view>

namespace brisquel {

// How a text property's bytes are encoded, from its declared type.
enum class TextEncoding {
  kLatin1,        // STRING, and any type not named below
  kUtf8,          // UTF8_STRING
  kCompoundText,  // COMPOUND_TEXT
};

// Latin-1 bytes as UTF-8 (bytes 128 to 255 become two bytes each).
std::string Latin1ToUtf8(std::string_view latin1);

// COMPOUND_TEXT as UTF-8: its Latin-1 and UTF-8 segments are decoded, the
// characters of any other character set become one '?' each, and control
// sequences are dropped. A text cut inside a sequence loses only that
// sequence.
std::string CompoundTextToUtf8(std::string_view compound);

// The bytes of a property of the given encoding as UTF-8.
std::string TextToUtf8(TextEncoding encoding, std::string_view bytes);

// The class a WM_CLASS value names: its second string (the class), else its
// first (the instance), else empty.
std::string_view ClassPart(std::string_view wm_class);

// The text up to its first NUL: a window call's text never holds one.
std::string_view UpToNul(std::string_view text);

}  // namespace brisquel
