// Build tool: makes the table of terminal widths from the Unicode
// Character Database (Debian's unicode-data), as C++ source on standard
// output.
//   make_width_table EastAsianWidth.txt DerivedGeneralCategory.txt
// A character takes no column when it is a non-spacing or enclosing mark
// (Mn, Me), a format character (Cf) but the soft hyphen, or a Hangul medial
// vowel or final consonant (U+1160-U+11FF, U+D7B0-U+D7FF), which join the
// syllable before them; two when its East Asian width is Wide or Fullwidth
// (the ideograph blocks are Wide unassigned too); one otherwise. The table
// lists the ranges of widths 0 and 2, in order.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kCodePoints = 0x110000;

// Calls take(first, last, value) for each line "FIRST[..LAST] ; VALUE # ...".
template <typename Take>
bool ReadRanges(const char* path, Take take) {
  std::ifstream in(path);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find('#'));
    const std::size_t semicolon = line.find(';');
    if (semicolon == std::string::npos) continue;
    std::string range = line.substr(0, semicolon), value;
    std::istringstream(line.substr(semicolon + 1)) >> value;
    const std::size_t dots = range.find("..");
    const auto first = static_cast<std::uint32_t>(std::stoul(range.substr(0, dots), nullptr, 16));
    const auto last = dots == std::string::npos ? first
                                                : static_cast<std::uint32_t>(std::stoul(range.substr(dots + 2), nullptr, 16));
    take(first, last, value);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_width_table EastAsianWidth.txt DerivedGeneralCategory.txt\n";
    return 2;
  }
  std::vector<std::uint8_t> width(kCodePoints, 1);
  // Unassigned code points of the ideograph blocks are Wide.
  for (const auto& [first, last] : {std::pair<std::uint32_t, std::uint32_t>{0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
                                    {0xF900, 0xFAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}}) {
    for (std::uint32_t c = first; c <= last; ++c) width[c] = 2;
  }
  const bool widths = ReadRanges(argv[1], [&](std::uint32_t first, std::uint32_t last, const std::string& value) {
    for (std::uint32_t c = first; c <= last && c < kCodePoints; ++c) width[c] = (value == "W" || value == "F") ? 2 : 1;
  });
  const bool categories = ReadRanges(argv[2], [&](std::uint32_t first, std::uint32_t last, const std::string& value) {
    if (value != "Mn" && value != "Me" && value != "Cf") return;
    for (std::uint32_t c = first; c <= last && c < kCodePoints; ++c) width[c] = 0;
  });
  if (!widths || !categories) {
    std::cerr << "make_width_table: cannot read the Unicode data\n";
    return 1;
  }
  width[0x00AD] = 1;  // the soft hyphen is shown
  for (std::uint32_t c = 0x1160; c <= 0x11FF; ++c) width[c] = 0;
  for (std::uint32_t c = 0xD7B0; c <= 0xD7FF; ++c) width[c] = 0;

  std::cout << "// Made by make_width_table from the Unicode Character Database.\n"
               "// The ranges of characters that take no column or two, in order.\n";
  std::cout << "constexpr WidthRange kWidthRanges[] = {\n";
  for (std::uint32_t c = 0; c < kCodePoints;) {
    std::uint32_t end = c;
    while (end + 1 < kCodePoints && width[end + 1] == width[c]) ++end;
    if (width[c] != 1) {
      char line[64];
      std::snprintf(line, sizeof line, "    {0x%05X, 0x%05X, %u},\n", c, end, width[c]);
      std::cout << line;
    }
    c = end + 1;
  }
  std::cout << "};\n";
  return std::cout.good() ? 0 : 1;
}
