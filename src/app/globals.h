// The program-wide state of a run.
#pragma once

#include <cstdint>
#include <string>

namespace brisquel {

// The exit code of a normal end: 0, or 1 once a search has matched.
extern std::int32_t ErrorLevel;
// Argument 1, trimmed, upper-cased, a leading '-' made '/'.
extern std::string Option;

}  // namespace brisquel
