// FormatInto and FormatLine over arbitrary format texts and argument lists,
// checked against a reference that follows the formatting rules on an
// unbounded string, reading each specifier its own way: the text after the
// percent sign as tokens first, then the specifier's written parts, then
// their values. Checks: the same status and bytes; an ok
// result of at most 4096 bytes; each failure raised by FormatLine as an
// EConvertError with its exact message.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "platform/fake/fake_process.h"
#include "runtime/failure_kinds.h"
#include "runtime/format.h"
#include "runtime/start_up.h"

namespace {

using brisquel::FormatArg;
using brisquel::FormatStatus;

constexpr std::size_t kMaxArgs = 8;
constexpr std::size_t kLongest = 4096;

struct Arg {
  bool integer;
  std::int32_t value;
  std::string text;
};

struct Reference {
  FormatStatus status = FormatStatus::kOk;
  std::string text;
  std::string specifier;
};

std::string Decimal(std::uint64_t value, unsigned base) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[value % base]);
    value /= base;
  } while (value != 0);
  return digits;
}

// The text after a percent sign as tokens: '-', '*', ':', '.', a whole run
// of digits ('0'), or any other single byte ('c'). Only as many as one
// specifier can use are made.
struct Token {
  char kind;
  std::string text;
};

std::vector<Token> Tokens(const std::string& format, std::size_t from) {
  std::vector<Token> tokens;
  std::size_t k = from;
  while (k < format.size() && (tokens.empty() || tokens.back().kind != 'c')) {
    const char c = format[k];
    if (c >= '0' && c <= '9') {
      const std::size_t digits_end = format.find_first_not_of("0123456789", k);
      const std::size_t end = digits_end == std::string::npos ? format.size() : digits_end;
      tokens.push_back({'0', format.substr(k, end - k)});
      k = end;
      continue;
    }
    tokens.push_back({c == '-' || c == '*' || c == ':' || c == '.' ? c : 'c', std::string(1, c)});
    ++k;
  }
  return tokens;
}

// A specifier in its written form: the numbers before each colon, the
// flag, width and precision after the last, and the letter. A number is
// "*", a run of digits, or empty.
struct Written {
  std::vector<std::string> indices;
  bool left = false;
  std::string width;
  bool has_precision = false;
  std::string precision;
  char letter = 0;
  std::size_t length = 0;  // bytes after the percent sign, letter included
  bool complete = false;
};

Written ReadWritten(const std::vector<Token>& tokens) {
  Written w;
  std::size_t t = 0;
  auto at = [&](char kind) { return t < tokens.size() && tokens[t].kind == kind; };
  auto take_number = [&] {
    if (at('*') || at('0')) return tokens[t++].text;
    return std::string();
  };
  for (;;) {
    w.left = at('-');
    if (w.left) ++t;
    w.width = take_number();
    if (!at(':')) break;
    ++t;
    w.indices.push_back(w.width);
  }
  if (at('.')) {
    ++t;
    w.has_precision = true;
    w.precision = take_number();
  }
  for (std::size_t k = 0; k < t; ++k) w.length += tokens[k].text.size();
  if (t < tokens.size()) {
    w.letter = tokens[t].text[0];
    w.length += 1;
    w.complete = true;
  }
  return w;
}

Reference Format(const std::string& format, const std::vector<Arg>& args) {
  Reference r;
  const std::int64_t count = static_cast<std::int64_t>(args.size());
  std::int64_t index = 0;
  std::size_t i = 0;
  const std::size_t n = format.size();
  auto too_long = [&] { return r.text.size() > kLongest; };
  auto fail = [&](FormatStatus status, std::size_t start) {
    r.status = status;
    r.text.clear();
    if (status != FormatStatus::kTooLong) r.specifier = format.substr(start, std::min<std::size_t>(i - start, 31));
    return r;
  };
  // A written number's value: "*" takes the current argument (0 for a text
  // or none left), digits saturate far above any limit, empty is 0.
  auto value_of = [&](const std::string& number) -> std::int64_t {
    if (number == "*") {
      if (index < 0 || index >= count) return 0;
      const Arg& a = args[static_cast<std::size_t>(index++)];
      return a.integer ? a.value : 0;
    }
    std::int64_t value = 0;
    for (char d : number) value = std::min<std::int64_t>(value * 10 + (d - '0'), std::int64_t{1} << 40);
    return value;
  };
  while (i < n) {
    if (format[i] != '%') {
      r.text.push_back(format[i++]);
      if (too_long()) return fail(FormatStatus::kTooLong, 0);
      continue;
    }
    if (i + 1 < n && format[i + 1] == '%') {
      r.text.push_back('%');
      i += 2;
      if (too_long()) return fail(FormatStatus::kTooLong, 0);
      continue;
    }
    const std::size_t start = i;
    const Written w = ReadWritten(Tokens(format, i + 1));
    if (!w.complete) break;
    i += 1 + w.length;
    for (const std::string& number : w.indices) index = value_of(number);
    const bool left = w.left;
    const std::int64_t width = value_of(w.width);
    const bool has_precision = w.has_precision;
    const std::int64_t precision = has_precision ? value_of(w.precision) : 0;
    char letter = w.letter;
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter + 32);
    if (index < 0 || index >= count) return fail(FormatStatus::kNoArgument, start);
    const Arg& a = args[static_cast<std::size_t>(index++)];
    std::string converted;
    if (a.integer && (letter == 'd' || letter == 'u' || letter == 'x')) {
      const bool negative = letter == 'd' && a.value < 0;
      const std::uint64_t magnitude =
          negative ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(a.value)) : static_cast<std::uint32_t>(a.value);
      std::string digits = Decimal(magnitude, letter == 'x' ? 16 : 10);
      if (has_precision && precision >= 0 && precision <= 15 && digits.size() < static_cast<std::size_t>(precision)) {
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
      }
      converted = (negative ? "-" : "") + digits;
    } else if (!a.integer && letter == 's') {
      converted = a.text;
      if (has_precision && precision >= 0 && converted.size() > static_cast<std::size_t>(precision)) {
        converted.resize(static_cast<std::size_t>(precision));
      }
    } else {
      return fail(FormatStatus::kInvalid, start);
    }
    if (width < 0) return fail(FormatStatus::kTooLong, 0);
    if (static_cast<std::uint64_t>(width) > converted.size()) {
      const std::uint64_t fill = static_cast<std::uint64_t>(width) - converted.size();
      if (fill > kLongest) return fail(FormatStatus::kTooLong, 0);
      const std::string spaces(static_cast<std::size_t>(fill), ' ');
      converted = left ? converted + spaces : spaces + converted;
    }
    r.text += converted;
    if (too_long()) return fail(FormatStatus::kTooLong, 0);
  }
  return r;
}

template <std::size_t... I>
brisquel::FormatResult CallWith(char* area, std::size_t size, const std::string& format,
                                const std::array<FormatArg, kMaxArgs>& a, std::index_sequence<I...>) {
  return brisquel::FormatInto(area, size, format, {a[I]...});
}

template <std::size_t... I>
std::string LineWith(const std::string& format, const std::array<FormatArg, kMaxArgs>& a, std::index_sequence<I...>) {
  return brisquel::FormatLine(format, {a[I]...});
}

// Calls f with the first count arguments as one initializer list.
template <typename F>
auto WithArgs(std::size_t count, F&& f) {
  switch (count) {
    case 0: return f(std::make_index_sequence<0>{});
    case 1: return f(std::make_index_sequence<1>{});
    case 2: return f(std::make_index_sequence<2>{});
    case 3: return f(std::make_index_sequence<3>{});
    case 4: return f(std::make_index_sequence<4>{});
    case 5: return f(std::make_index_sequence<5>{});
    case 6: return f(std::make_index_sequence<6>{});
    case 7: return f(std::make_index_sequence<7>{});
    default: return f(std::make_index_sequence<8>{});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brisquel;
  FuzzedDataProvider input(data, size);
  std::vector<Arg> args(input.ConsumeIntegralInRange<std::size_t>(0, kMaxArgs));
  for (Arg& a : args) {
    a.integer = input.ConsumeBool();
    if (a.integer) {
      // Small values (widths, indices) are the interesting ones.
      a.value = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::int32_t>(-8, 4100)
                                    : input.ConsumeIntegral<std::int32_t>();
    } else {
      a.text = input.ConsumeRandomLengthString(300);
    }
  }
  const std::string format = input.ConsumeRemainingBytesAsString();

  std::array<FormatArg, kMaxArgs> list{FormatArg(0), FormatArg(0), FormatArg(0), FormatArg(0),
                                        FormatArg(0), FormatArg(0), FormatArg(0), FormatArg(0)};
  for (std::size_t k = 0; k < args.size(); ++k) {
    list[k] = args[k].integer ? FormatArg(args[k].value) : FormatArg(std::string_view(args[k].text));
  }

  const Reference want = Format(format, args);
  // One byte of slack after the area, so that a write past it is seen.
  std::vector<char> area(kFormatAreaSize + 1, '\x5A');
  const FormatResult got = WithArgs(args.size(), [&](auto seq) {
    return CallWith(area.data(), kFormatAreaSize, format, list, seq);
  });
  FUZZ_CHECK(area[kFormatAreaSize] == '\x5A', "a byte written past the area");
  FUZZ_CHECK(got.status == want.status, "status differs from the reference");
  if (got.status == FormatStatus::kOk) {
    FUZZ_CHECK(got.length <= kLongest, "an ok result longer than 4096 bytes");
    FUZZ_CHECK(std::string(area.data(), got.length) == want.text, "bytes differ from the reference");
  } else if (got.status != FormatStatus::kTooLong) {
    FUZZ_CHECK(std::string(got.specifier) == want.specifier, "named specifier differs");
  }

  FakeProcess process;
  StartRuntime(process);
  std::string message;
  bool raised = false;
  try {
    const std::string line = WithArgs(args.size(), [&](auto seq) { return LineWith(format, list, seq); });
    FUZZ_CHECK(line == want.text, "FormatLine differs from FormatInto");
  } catch (const EConvertError& failure) {
    raised = true;
    message = failure.Message();
  }
  FUZZ_CHECK(raised == (want.status != FormatStatus::kOk), "FormatLine raised or did not");
  switch (want.status) {
    case FormatStatus::kOk:
      break;
    case FormatStatus::kNoArgument:
      FUZZ_CHECK(message == "No argument for format '" + want.specifier + "'", message);
      break;
    case FormatStatus::kInvalid:
      FUZZ_CHECK(message == "Format '" + want.specifier + "' invalid or incompatible with argument", message);
      break;
    case FormatStatus::kTooLong:
      FUZZ_CHECK(message == "Format result longer than 4096 characters", message);
      break;
  }
  return 0;
}
