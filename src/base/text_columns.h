// How many terminal columns a text takes and where it may be cut: one rule
// for the whole program, chosen by its code page at start-up. Single-byte
// text (the Windows program) counts a byte a column; UTF-8 text (the Linux
// program) counts the columns its characters take on a terminal.
#pragma once

#include <cstddef>
#include <limits>
#include <string_view>

namespace brisquel {

inline constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

// The start of a text that a cut keeps.
struct TextCut {
  std::size_t bytes = 0;
  std::size_t columns = 0;
};

// A code page's rule for widths and cuts.
class TextColumns {
 public:
  virtual ~TextColumns() = default;
  // The longest start of text that ends on a character boundary and takes
  // at most max_columns columns and max_bytes bytes. A byte that begins no
  // valid character is a character of its own.
  virtual TextCut Cut(std::string_view text, std::size_t max_columns, std::size_t max_bytes) const = 0;
};

// Single-byte text: every byte is a character one column wide.
const TextColumns& SingleByteColumns();

// Makes rule the one for UTF-8 text. The program whose texts are UTF-8
// installs it before its run starts: its widths come from a library that
// the core does not include. Until then UTF-8 text is counted by bytes.
void InstallUtf8Columns(const TextColumns& rule);

// Whether the program's texts are UTF-8 (the Linux program) or single-byte
// (the Windows program's ANSI code page): set at start-up from the code
// page the process services report.
void SetTextIsUtf8(bool utf8);
bool TextIsUtf8();

// The program's rule: UTF-8 when its texts are, else single-byte.
const TextColumns& ProgramColumns();

// The columns text takes under the program's rule.
std::size_t ColumnsOf(std::string_view text);

// The longest start of text that takes at most columns columns, cut on a
// character boundary.
std::string_view CutToColumns(std::string_view text, std::size_t columns);

// The length of the longest start of text of at most bytes bytes that ends
// on a character boundary.
std::size_t CutToBytes(std::string_view text, std::size_t bytes);

}  // namespace brisquel
