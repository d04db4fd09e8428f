// FormatInto and FormatLine over arbitrary format texts and argument lists,
// checked against a reference that follows the formatting rules step by
// step on an unbounded string. Checks: the same status and bytes; an ok
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
#include "runtime/failures.h"
#include "runtime/format.h"
#include "runtime/process_end.h"

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
  // A number: digits, one asterisk (the current argument, 0 for a text or
  // none left), or nothing (0). Digits saturate far above any limit.
  auto number = [&]() -> std::int64_t {
    if (i < n && format[i] == '*') {
      ++i;
      if (index < 0 || index >= count) return 0;
      const Arg& a = args[static_cast<std::size_t>(index++)];
      return a.integer ? a.value : 0;
    }
    std::int64_t value = 0;
    while (i < n && format[i] >= '0' && format[i] <= '9') {
      value = std::min<std::int64_t>(value * 10 + (format[i] - '0'), std::int64_t{1} << 40);
      ++i;
    }
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
    const std::size_t start = i++;
    bool left;
    std::int64_t width;
    for (;;) {
      left = i < n && format[i] == '-';
      if (left) ++i;
      width = number();
      if (i < n && format[i] == ':') {
        ++i;
        index = width;
        continue;
      }
      break;
    }
    bool has_precision = false;
    std::int64_t precision = 0;
    if (i < n && format[i] == '.') {
      ++i;
      has_precision = true;
      precision = number();
    }
    if (i >= n) break;
    char letter = format[i++];
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
