#include "runtime/format.h"

#include <algorithm>
#include <cstring>

#include "runtime/failures.h"

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

}  // namespace

FormatResult FormatInto(char* data, std::size_t size, std::string_view format,
                        std::initializer_list<FormatArg> args) {
  Area area(data, size);
  FormatResult result;
  const FormatArg* const arg_list = args.begin();
  const std::size_t arg_count = args.size();
  std::size_t index = 0;
  std::size_t i = 0;
  const std::size_t n = format.size();

  auto fail = [&](FormatStatus status, std::size_t spec_start, std::size_t spec_end) {
    result.status = status;
    result.length = 0;
    if (status != FormatStatus::kTooLong) {
      result.specifier = format.substr(spec_start, std::min(spec_end - spec_start, kSpecifierShown));
    }
    return result;
  };

  // Reads a run of digits or one asterisk at i; false when the format ends.
  auto read_number = [&](std::int64_t& value) {
    value = 0;
    if (i < n && format[i] == '*') {
      ++i;
      if (index < arg_count) {
        const FormatArg& arg = arg_list[index++];
        if (arg.kind() == FormatArg::Kind::kInteger) value = arg.integer();
      }
      return;
    }
    while (i < n && format[i] >= '0' && format[i] <= '9') {
      value = std::min(value * 10 + (format[i] - '0'), kNumberCap);
      ++i;
    }
  };

  while (i < n) {
    const char c = format[i];
    if (c != '%') {
      std::size_t run_end = format.find('%', i);
      if (run_end == std::string_view::npos) run_end = n;
      if (!area.Append(format.data() + i, run_end - i)) return fail(FormatStatus::kTooLong, 0, 0);
      i = run_end;
      continue;
    }
    if (i + 1 < n && format[i + 1] == '%') {
      if (!area.Append("%", 1)) return fail(FormatStatus::kTooLong, 0, 0);
      i += 2;
      continue;
    }

    const std::size_t spec_start = i++;
    bool left = false;
    std::int64_t width = 0;
    for (;;) {
      left = false;
      if (i < n && format[i] == '-') {
        left = true;
        ++i;
      }
      read_number(width);
      if (i < n && format[i] == ':') {
        ++i;
        index = width < 0 ? arg_count : static_cast<std::size_t>(width);
        continue;
      }
      break;
    }
    bool has_precision = false;
    std::int64_t precision = 0;
    if (i < n && format[i] == '.') {
      ++i;
      has_precision = true;
      read_number(precision);
    }
    if (i >= n) break;  // an unfinished specifier at the end is dropped
    const char letter = static_cast<char>(format[i] | 0x20);
    ++i;

    if (index >= arg_count) return fail(FormatStatus::kNoArgument, spec_start, i);
    const FormatArg& arg = arg_list[index++];

    char digits[24];
    const char* text = nullptr;
    std::size_t text_length = 0;
    bool negative = false;
    switch (arg.kind()) {
      case FormatArg::Kind::kInteger: {
        if (letter != 'd' && letter != 'u' && letter != 'x') {
          return fail(FormatStatus::kInvalid, spec_start, i);
        }
        const std::int32_t value = arg.integer();
        std::uint64_t magnitude = static_cast<std::uint32_t>(value);
        if (letter == 'd' && value < 0) {
          negative = true;
          magnitude = static_cast<std::uint64_t>(-static_cast<std::int64_t>(value));
        }
        const std::size_t first = Digits(magnitude, letter == 'x' ? 16 : 10, digits);
        text = digits + first;
        text_length = sizeof digits - first;
        break;
      }
      case FormatArg::Kind::kAddress: {
        if (letter != 'p') return fail(FormatStatus::kInvalid, spec_start, i);
        const std::size_t first = Digits(arg.address(), 16, digits);
        text = digits + first;
        text_length = sizeof digits - first;
        if (!has_precision || precision < 8) {
          has_precision = true;
          precision = 8;
        }
        break;
      }
      case FormatArg::Kind::kText:
        if (letter != 's') return fail(FormatStatus::kInvalid, spec_start, i);
        text = arg.text().data();
        text_length = arg.text().size();
        if (has_precision && precision >= 0 && static_cast<std::uint64_t>(precision) < text_length) {
          text_length = static_cast<std::size_t>(precision);
        }
        break;
    }

    std::int64_t zeros = 0;
    if (arg.kind() != FormatArg::Kind::kText && has_precision && precision >= 0 && precision < 16) {
      zeros = std::max<std::int64_t>(0, precision - static_cast<std::int64_t>(text_length));
    }
    const std::int64_t converted = (negative ? 1 : 0) + zeros + static_cast<std::int64_t>(text_length);
    if (width < 0) return fail(FormatStatus::kTooLong, 0, 0);
    const std::int64_t fill = width - converted;
    bool ok = left || area.Fill(' ', fill);
    ok = ok && (!negative || area.Append("-", 1));
    ok = ok && area.Fill('0', zeros);
    ok = ok && area.Append(text, text_length);
    ok = ok && (!left || area.Fill(' ', fill));
    if (!ok) return fail(FormatStatus::kTooLong, 0, 0);
  }
  result.length = area.length();
  return result;
}

std::string FormatLine(std::string_view format, std::initializer_list<FormatArg> args) {
  char area[kFormatAreaSize];
  const FormatResult result = FormatInto(area, sizeof area, format, args);
  const std::uintptr_t place = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  switch (result.status) {
    case FormatStatus::kOk:
      break;
    case FormatStatus::kNoArgument:
      throw EConvertError(kMsgArgumentMissing, {result.specifier}, place);
    case FormatStatus::kInvalid:
      throw EConvertError(kMsgInvalidFormat, {result.specifier}, place);
    case FormatStatus::kTooLong:
      throw EConvertError(kMsgFormatTooLong, {}, place);
  }
  return std::string(area, result.length);
}

std::string DecimalText(std::int32_t value) { return FormatLine("%d", {value}); }

}  // namespace brisquel
