// The formatter's one worker: fills a caller's fixed area, allocates
// nothing and throws nothing, so that failure reports can use it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace brisquel {

// One argument of a format: a signed 32-bit integer (conversions d, u, x),
// a text (s), or a code or data address (p: upper-case hexadecimal, at
// least eight digits).
class FormatArg {
 public:
  enum class Kind { kInteger, kText, kAddress };

  FormatArg(std::int32_t value) : kind_(Kind::kInteger), integer_(value) {}
  FormatArg(std::uint32_t value)
      : kind_(Kind::kInteger), integer_(static_cast<std::int32_t>(value)) {}
  FormatArg(std::string_view text) : kind_(Kind::kText), text_(text) {}
  FormatArg(const std::string& text) : kind_(Kind::kText), text_(text) {}
  FormatArg(const char* text) : kind_(Kind::kText), text_(text) {}
  static FormatArg Address(std::uintptr_t address) {
    FormatArg arg(0);
    arg.kind_ = Kind::kAddress;
    arg.address_ = address;
    return arg;
  }

  Kind kind() const { return kind_; }
  std::int32_t integer() const { return integer_; }
  std::string_view text() const { return text_; }
  std::uintptr_t address() const { return address_; }

 private:
  Kind kind_;
  std::int32_t integer_ = 0;
  std::string_view text_;
  std::uintptr_t address_ = 0;
};

enum class FormatStatus { kOk, kNoArgument, kInvalid, kTooLong };

struct FormatResult {
  FormatStatus status = FormatStatus::kOk;
  std::size_t length = 0;     // bytes placed in the area (valid for kOk)
  std::string_view specifier;  // the failing specifier, cut to 31 bytes
};

// Formats into area[0 .. size): the result fails as too long when it
// would fill all size bytes. Never allocates; never throws.
FormatResult FormatInto(char* area, std::size_t size, std::string_view format,
                        std::initializer_list<FormatArg> args);

inline constexpr std::size_t kFormatAreaSize = 4097;

}  // namespace brisquel
