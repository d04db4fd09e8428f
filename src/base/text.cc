#include "base/text.h"

#include <algorithm>
#include <cstring>

#include "base/text_columns.h"

namespace brisquel {

std::string_view TrimBlanks(std::string_view s) {
  std::size_t first = 0;
  while (first < s.size() && IsBlank(s[first])) ++first;
  std::size_t end = s.size();
  while (end > first && IsBlank(s[end - 1])) --end;
  return s.substr(first, end - first);
}

std::string UpperAscii(std::string_view s) {
  std::string upper(s);
  for (char& c : upper) {
    // Branch-free, so that the loop vectorises.
    const unsigned char byte = static_cast<unsigned char>(c);
    c = static_cast<char>(byte - (static_cast<unsigned char>(byte - 'a') < 26 ? 32 : 0));
  }
  return upper;
}

std::int32_t FindText(std::string_view sought, std::string_view searched) {
  if (sought.empty() || searched.empty() || sought.size() > searched.size()) return 0;
  std::size_t at = searched.find(sought);
  return at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at + 1);
}

std::string_view LeftPart(std::string_view s, std::int32_t n) {
  if (n <= 0) return {};
  return s.substr(0, static_cast<std::size_t>(n));
}

std::string_view BufferText(const char* buffer, std::size_t size) {
  const void* nul = std::memchr(buffer, 0, size);
  return {buffer, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size};
}

int CopyText(std::string_view text, char* buffer, int max_count) {
  if (max_count < 1) return 0;
  const std::size_t count = CutToBytes(text, static_cast<std::size_t>(max_count - 1));
  if (count > 0) std::memcpy(buffer, text.data(), count);  // an empty view may have no data
  buffer[count] = '\0';
  return static_cast<int>(count);
}

std::uint32_t CopyModulePath(std::string_view text, char* buffer, std::uint32_t size) {
  if (text.size() >= size) {
    std::memcpy(buffer, text.data(), size);
    return size;
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace brisquel
