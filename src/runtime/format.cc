#include "runtime/format.h"

#include <cstdint>

#include "runtime/failure_kinds.h"

namespace brisquel {

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
