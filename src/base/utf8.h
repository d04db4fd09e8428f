// Reading UTF-8 one character at a time, for the rules that look at
// characters rather than bytes (terminal masking, terminal columns).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace brisquel {

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at
// text[i], with its code point in code; 0 when the bytes there are not one
// (a stray continuation byte, an overlong form, a surrogate, a sequence cut
// short or past U+10FFFF). i must be inside text.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& code);

}  // namespace brisquel
