// Numbers of the program's message texts (see messages.def), and the
// compiled-in string table of the programs that have no resource section.
#pragma once

#include <cstdint>
#include <string_view>

namespace brisquel {

enum MessageId : std::uint32_t {
#define MESSAGE(name, id, text) name = id,
#include "base/messages.def"
#undef MESSAGE
};

// The compiled-in string table that backends without a resource section
// serve LoadStringA from; empty view for an unknown id.
std::string_view FindMessage(std::uint32_t id);

// LoadStringA served from the compiled-in table: copies entry id into
// buffer (at most size - 1 bytes and a NUL) and returns its length.
int CopyMessage(std::uint32_t id, char* buffer, int size);

}  // namespace brisquel
