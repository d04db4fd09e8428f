// The table of operating-system faults: each Windows exception code with
// the failure kind it becomes, that kind's message and the runtime error
// number it ends the process with before the failure kinds are installed.
// Backends that catch faults another way (signals) report them under the
// same codes.
#pragma once

#include <cstdint>

#include "base/windows_codes.h"
#include "runtime/failure_kinds.h"

namespace brisquel {

// One row of the table. make places a record of the row's kind in storage
// with the message filled from args.
struct Fault {
  std::uint32_t code;
  Exception* (*make)(void* storage, MessageId message, std::initializer_list<FormatArg> args,
                     std::uintptr_t place);
  MessageId message;
  int runtime_error;
};

// The row for code; the row of EExternalException for a code in no row.
const Fault& FaultFor(std::uint32_t code);

// The runtime error number a fault code maps to when it arises before the
// failure kinds are installed.
inline int RuntimeErrorNumber(std::uint32_t fault_code) { return FaultFor(fault_code).runtime_error; }

// The failure the fault becomes, made in storage that is never on the heap
// (a fault may come from the memory manager itself). info0 and info1 are
// the exception record's first two information words. The record lives
// until the next call.
const Exception& FaultRecord(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                             std::uintptr_t info1);

}  // namespace brisquel
