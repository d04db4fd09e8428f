// Formatted text for the reports: a thin typed front end over the one
// worker (format_into.h) that raises the formatter's failures.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "runtime/format_into.h"

namespace brisquel {

// The formatted text; raises EConvertError on a failure.
std::string FormatLine(std::string_view format, std::initializer_list<FormatArg> args);

// The signed decimal text of value.
std::string DecimalText(std::int32_t value);

}  // namespace brisquel
