// The command line split into arguments: blanks separate, double quotes
// group and are removed, no escape character, an empty pair of quotes is
// no argument.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisquel {

// Splits one argument from command-line position p; returns it and leaves
// p on the blank or NUL that ended it.
std::string NextArgument(const char*& p);

// The number of arguments after argument 0, read afresh from the process's
// command line.
std::int32_t ArgumentCount();

// Argument i (1-based); the empty text beyond the last or for i < 0;
// argument 0 is the program's file path.
std::string Argument(std::int32_t i);

// Arguments 1 to ArgumentCount() in order, split in one pass: the same
// texts as Argument(1), Argument(2), ... without re-reading the command
// line for each.
std::vector<std::string> AllArguments();

}  // namespace brisquel
