#include "platform/x11/x11_text.h"

#include <algorithm>
#include <cstddef>

namespace brisquel {
namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kCsi = 0x9B;
constexpr unsigned char kStx = 0x02;

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void AppendLatin1(std::string& out, unsigned char byte) {
  if (byte < 0x80) {
    out.push_back(static_cast<char>(byte));
  } else {
    out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
  }
}

// One half (GL or GR) of the compound-text code table: how many bytes a
// character of its current set takes, and whether that set is one this
// program decodes (ASCII on the left, Latin-1 on the right).
struct Half {
  int width = 1;
  bool known = true;
  int pending = 0;  // bytes of an unknown character seen so far
};

// Decodes compound text in one pass, keeping the designations in force.
class CompoundDecoder {
 public:
  explicit CompoundDecoder(std::string_view text) : text_(text) {}

  std::string Run() {
    while (at_ < text_.size()) {
      const auto byte = static_cast<unsigned char>(text_[at_]);
      if (utf8_ && byte != kEsc) {
        out_.push_back(static_cast<char>(byte));
        ++at_;
      } else if (byte == kEsc) {
        Escape();
      } else if (byte == kCsi) {
        ControlSequence();
      } else {
        Character(byte);
        ++at_;
      }
    }
    return out_;
  }

 private:
  void Character(unsigned char byte) {
    if (byte < 0x20 || byte == 0x7F) {
      out_.push_back(static_cast<char>(byte));  // NL and TAB; other controls as they are
    } else if (byte == 0x20) {
      out_.push_back(' ');
    } else if (byte < 0x80) {
      Graphic(gl_, byte);
    } else if (byte < 0xA0) {
      out_.push_back('?');  // C1 controls have no place in compound text
    } else {
      Graphic(gr_, byte);
    }
  }

  void Graphic(Half& half, unsigned char byte) {
    if (half.known) {
      AppendLatin1(out_, byte);  // ASCII on the left, Latin-1 on the right
    } else if (++half.pending >= half.width) {
      half.pending = 0;
      out_.push_back('?');
    }
  }

  // ESC, intermediate bytes 0x20 to 0x2F, a final byte 0x30 to 0x7E.
  void Escape() {
    const std::size_t start = ++at_;
    while (at_ < text_.size() && text_[at_] >= 0x20 && text_[at_] <= 0x2F) ++at_;
    if (at_ >= text_.size()) return;  // cut inside the sequence
    const std::string_view middle = text_.substr(start, at_ - start);
    const char final = text_[at_++];
    if (middle == "(") Designate(gl_, 1, final == 'B');
    else if (middle == ")") Designate(gr_, 1, false);
    else if (middle == "-") Designate(gr_, 1, final == 'A');
    else if (middle == "$(" || middle == "$") Designate(gl_, 2, false);
    else if (middle == "$)") Designate(gr_, 2, false);
    else if (middle == "%" && final == 'G') utf8_ = true;
    else if (middle == "%" && final == '@') utf8_ = false;
    else if (middle == "%/") ExtendedSegment(final);
  }

  static void Designate(Half& half, int width, bool known) {
    half.width = width;
    half.known = known;
    half.pending = 0;
  }

  // ESC % / F M L, then M L counted bytes: an encoding name, STX, its text.
  void ExtendedSegment(char final) {
    if (at_ + 2 > text_.size()) {
      at_ = text_.size();
      return;
    }
    const auto m = static_cast<unsigned char>(text_[at_]);
    const auto l = static_cast<unsigned char>(text_[at_ + 1]);
    at_ += 2;
    const std::size_t length = (static_cast<std::size_t>(m & 0x7F) << 7) | (l & 0x7F);
    const std::string_view segment = text_.substr(at_, length);
    at_ += segment.size();
    const std::size_t stx = segment.find(static_cast<char>(kStx));
    if (stx == std::string_view::npos) return;
    const std::string_view name = segment.substr(0, stx);
    const std::string_view bytes = segment.substr(stx + 1);
    if (SameLetters(name, "UTF-8")) {
      out_.append(bytes);
      return;
    }
    const int width = final - '0';
    if (width < 1 || width > 4) {
      if (!bytes.empty()) out_.push_back('?');
      return;
    }
    out_.append((bytes.size() + static_cast<std::size_t>(width) - 1) / static_cast<std::size_t>(width), '?');
  }

  // CSI, parameter bytes 0x30 to 0x3F, intermediates, a final 0x40 to 0x7E:
  // the direction marks, which have no counterpart in the output.
  void ControlSequence() {
    ++at_;
    while (at_ < text_.size()) {
      const auto byte = static_cast<unsigned char>(text_[at_++]);
      if (byte >= 0x40 && byte <= 0x7E) return;
      if (byte < 0x20 || byte > 0x3F) return;  // not a sequence after all
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string out_;
  Half gl_, gr_;
  bool utf8_ = false;
};

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
  // ASCII, as most titles are, is the same in both.
  const auto first_high = std::find_if(latin1.begin(), latin1.end(),
                                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  std::string utf8(latin1.begin(), first_high);
  if (first_high == latin1.end()) return utf8;
  utf8.reserve(latin1.size() + (latin1.end() - first_high));
  for (auto c = first_high; c != latin1.end(); ++c) AppendLatin1(utf8, static_cast<unsigned char>(*c));
  return utf8;
}

std::string CompoundTextToUtf8(std::string_view compound) {
  return CompoundDecoder(compound).Run();
}

std::string TextToUtf8(TextEncoding encoding, std::string_view bytes) {
  switch (encoding) {
    case TextEncoding::kUtf8: return std::string(bytes);
    case TextEncoding::kCompoundText: return CompoundTextToUtf8(bytes);
    case TextEncoding::kLatin1: break;
  }
  return Latin1ToUtf8(bytes);
}

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

std::string_view ClassPart(std::string_view wm_class) {
  const std::string_view instance = UpToNul(wm_class);
  std::string_view klass;
  if (instance.size() < wm_class.size()) klass = UpToNul(wm_class.substr(instance.size() + 1));
  return klass.empty() ? instance : klass;
}

}  // namespace brisquel
