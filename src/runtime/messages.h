// Numbers of the program's message texts (see messages.def).
#pragma once

#include <cstdint>
#include <string_view>

namespace brisquel {

enum MessageId : std::uint32_t {
#define MESSAGE(name, id, text) name = id,
#include "runtime/messages.def"
#undef MESSAGE
};

// The compiled-in string table that backends without a resource section
// serve LoadStringA from; empty view for an unknown id.
std::string_view FindMessage(std::uint32_t id);

// LoadStringA served from the compiled-in table: copies entry id into
// buffer (at most size - 1 bytes and a NUL) and returns its length.
int CopyMessage(std::uint32_t id, char* buffer, int size);

// Every id in the list, in list order, for checks that all are loadable.
const std::uint32_t* AllMessageIds(std::size_t* count);

}  // namespace brisquel
