// Text operations on byte strings. Positions count from 1; no locale is
// consulted; bytes compare unsigned. None of them fails: out-of-range
// counts give the empty text or 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brisquel {

// True for a byte of value 32 or less.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// s without the blanks at its start and end.
std::string_view TrimBlanks(std::string_view s);

// s with a..z replaced by A..Z; every other byte unchanged.
std::string UpperAscii(std::string_view s);

// 1-based position of the first occurrence of sought in searched; 0 when
// there is none or either text is empty.
std::int32_t FindText(std::string_view sought, std::string_view searched);

// The first n bytes of s (all of s when n >= its length, empty when n <= 0).
std::string_view LeftPart(std::string_view s, std::int32_t n);

// The bytes of buffer up to its first NUL among the first size bytes.
std::string_view BufferText(const char* buffer, std::size_t size);

// Copies text the way GetWindowTextA and LoadStringA do: at most
// max_count - 1 bytes, cut on a character boundary, and a NUL; returns the
// count copied. With
// max_count < 1 it touches nothing.
int CopyText(std::string_view text, char* buffer, int max_count);

// Copies a path the way GetModuleFileNameA does: text and a NUL when they
// fit in size bytes (returns the text's length), else the first size bytes
// (returns size).
std::uint32_t CopyModulePath(std::string_view text, char* buffer, std::uint32_t size);

// Same length, same bytes.
inline bool TextEquals(std::string_view a, std::string_view b) { return a == b; }

}  // namespace brisquel
