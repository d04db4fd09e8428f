#include "runtime/format_into.h"

#include <algorithm>
#include <cstring>

#include "base/text_columns.h"

namespace brisquel {
namespace {

constexpr std::size_t kSpecifierShown = 31;
// Widths and precisions above this cannot fit any area; reading stops
// growing the number here so that long digit runs do not overflow.
constexpr std::int64_t kNumberCap = std::int64_t{1} << 40;

// Appends to the caller's area; reports when the area would be full.
class Area {
 public:
  Area(char* data, std::size_t size) : data_(data), size_(size) {}

  bool Append(const char* bytes, std::size_t count) {
    if (count >= size_ - length_) return false;
    std::memcpy(data_ + length_, bytes, count);
    length_ += count;
    return true;
  }
  bool Fill(char c, std::int64_t count) {
    if (count <= 0) return true;
    if (static_cast<std::uint64_t>(count) >= size_ - length_) return false;
    std::memset(data_ + length_, c, static_cast<std::size_t>(count));
    length_ += static_cast<std::size_t>(count);
    return true;
  }
  std::size_t length() const { return length_; }

 private:
  char* data_;
  std::size_t size_;
  std::size_t length_ = 0;
};

// Writes the digits of value in base into the end of digits[]; returns the
// first digit's index.
std::size_t Digits(std::uint64_t value, unsigned base, char (&digits)[24]) {
  std::size_t at = sizeof digits;
  do {
    digits[--at] = "0123456789ABCDEF"[value % base];
    value /= base;
  } while (value != 0);
  return at;
}

// One specifier as read from the format text.
struct Specifier {
  bool left = false;
  std::int64_t width = 0;
  bool has_precision = false;
  std::int64_t precision = 0;
  char letter = 0;  // lower case
};

// Reads the format text and the argument list in step.
class Reader {
 public:
  Reader(std::string_view format, std::initializer_list<FormatArg> args)
      : format_(format), args_(args.begin()), arg_count_(args.size()) {}

  bool AtEnd() const { return i_ >= format_.size(); }
  std::size_t position() const { return i_; }
  std::string_view format() const { return format_; }

  // The literal run from here to the next percent sign, or "%" for a pair
  // of them; empty when a specifier starts here.
  std::string_view Literal() {
    const std::size_t start = i_;
    if (format_[i_] != '%') {
      i_ = std::min(format_.find('%', i_), format_.size());
      return format_.substr(start, i_ - start);
    }
    if (i_ + 1 < format_.size() && format_[i_ + 1] == '%') {
      i_ += 2;
      return format_.substr(start, 1);
    }
    return {};
  }

  // Reads the specifier whose percent sign is here, through its conversion
  // letter; false when the format ends inside it.
  bool ParseSpecifier(Specifier& specifier) {
    ++i_;
    for (;;) {
      specifier.left = Take('-');
      specifier.width = Number();
      if (!Take(':')) break;
      index_ = specifier.width < 0 ? arg_count_ : static_cast<std::size_t>(specifier.width);
    }
    specifier.has_precision = Take('.');
    if (specifier.has_precision) specifier.precision = Number();
    if (AtEnd()) return false;
    specifier.letter = static_cast<char>(format_[i_++] | 0x20);
    return true;
  }

  // The argument at the current index, which then advances; null when none
  // is left.
  const FormatArg* NextArgument() { return index_ < arg_count_ ? &args_[index_++] : nullptr; }

 private:
  bool Take(char c) {
    if (AtEnd() || format_[i_] != c) return false;
    ++i_;
    return true;
  }

  // A run of digits, one asterisk (the next argument's value: 0 for a text
  // or when none is left), or nothing (0).
  std::int64_t Number() {
    if (Take('*')) {
      const FormatArg* arg = NextArgument();
      return arg && arg->kind() == FormatArg::Kind::kInteger ? arg->integer() : 0;
    }
    std::int64_t value = 0;
    while (!AtEnd() && format_[i_] >= '0' && format_[i_] <= '9') {
      value = std::min(value * 10 + (format_[i_] - '0'), kNumberCap);
      ++i_;
    }
    return value;
  }

  std::string_view format_;
  const FormatArg* args_;
  std::size_t arg_count_;
  std::size_t index_ = 0;
  std::size_t i_ = 0;
};

// A converted argument before padding: sign, leading zeros, then text.
struct Converted {
  bool is_text = false;  // a text argument: its width is its columns
  bool negative = false;
  std::int64_t zeros = 0;
  std::string_view text;
  char digits[24];
};

// Converts arg by the specifier's letter; false when the two do not fit.
bool Convert(const FormatArg& arg, const Specifier& specifier, Converted& out) {
  std::int64_t least_digits = specifier.has_precision ? specifier.precision : -1;
  std::size_t first = 0;
  switch (arg.kind()) {
    case FormatArg::Kind::kText: {
      if (specifier.letter != 's') return false;
      out.text = arg.text();
      out.is_text = true;
      if (specifier.has_precision && specifier.precision >= 0) {
        out.text = CutToColumns(out.text, static_cast<std::size_t>(specifier.precision));
      }
      return true;
    }
    case FormatArg::Kind::kInteger: {
      if (specifier.letter != 'd' && specifier.letter != 'u' && specifier.letter != 'x') return false;
      const std::int32_t value = arg.integer();
      std::uint64_t magnitude = static_cast<std::uint32_t>(value);
      if (specifier.letter == 'd' && value < 0) {
        out.negative = true;
        magnitude = static_cast<std::uint64_t>(-static_cast<std::int64_t>(value));
      }
      first = Digits(magnitude, specifier.letter == 'x' ? 16 : 10, out.digits);
      break;
    }
    case FormatArg::Kind::kAddress:
      if (specifier.letter != 'p') return false;
      first = Digits(arg.address(), 16, out.digits);
      least_digits = std::max<std::int64_t>(least_digits, 8);
      break;
  }
  out.text = std::string_view(out.digits + first, sizeof out.digits - first);
  if (least_digits >= 0 && least_digits < 16) {
    out.zeros = std::max<std::int64_t>(0, least_digits - static_cast<std::int64_t>(out.text.size()));
  }
  return true;
}

// Appends the converted argument filled with spaces to the specifier's width (a
// text's width counted in columns), on the left or (with the minus flag)
// on the right; false when the area is full.
bool Pad(Area& area, const Specifier& specifier, const Converted& value) {
  std::int64_t length = (value.negative ? 1 : 0) + value.zeros + static_cast<std::int64_t>(value.text.size());
  if (value.is_text && specifier.width > 0) length = static_cast<std::int64_t>(ColumnsOf(value.text));
  const std::int64_t fill = specifier.width - length;
  return (specifier.left || area.Fill(' ', fill)) && (!value.negative || area.Append("-", 1)) &&
         area.Fill('0', value.zeros) && area.Append(value.text.data(), value.text.size()) &&
         (!specifier.left || area.Fill(' ', fill));
}

}  // namespace

FormatResult FormatInto(char* data, std::size_t size, std::string_view format,
                        std::initializer_list<FormatArg> args) {
  Area area(data, size);
  Reader reader(format, args);
  FormatResult result;
  auto fail = [&](FormatStatus status, std::size_t start) {
    result.status = status;
    if (status != FormatStatus::kTooLong) {
      result.specifier = format.substr(start, std::min(reader.position() - start, kSpecifierShown));
    }
    return result;
  };
  while (!reader.AtEnd()) {
    const std::size_t start = reader.position();
    const std::string_view literal = reader.Literal();
    if (!literal.empty()) {
      if (!area.Append(literal.data(), literal.size())) return fail(FormatStatus::kTooLong, 0);
      continue;
    }
    Specifier specifier;
    if (!reader.ParseSpecifier(specifier)) break;  // an unfinished specifier at the end is dropped
    const FormatArg* arg = reader.NextArgument();
    if (arg == nullptr) return fail(FormatStatus::kNoArgument, start);
    Converted value;
    if (!Convert(*arg, specifier, value)) return fail(FormatStatus::kInvalid, start);
    if (specifier.width < 0 || !Pad(area, specifier, value)) return fail(FormatStatus::kTooLong, 0);
  }
  result.length = area.length();
  return result;
}

}  // namespace brisquel
