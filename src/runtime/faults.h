// The table of operating-system faults: each Windows exception code with
// the failure kind it becomes, that kind's message and the runtime error
// number it ends the process with before the failure kinds are installed.
// Backends that catch faults another way (signals) report them under these
// codes.
#pragma once

#include <cstdint>

#include "runtime/failures.h"

namespace brisquel {

inline constexpr std::uint32_t kStatusAccessViolation = 0xC0000005;
inline constexpr std::uint32_t kStatusIllegalInstruction = 0xC000001D;  // in no row: an external exception
inline constexpr std::uint32_t kStatusArrayBoundsExceeded = 0xC000008C;
inline constexpr std::uint32_t kStatusFloatDenormalOperand = 0xC000008D;
inline constexpr std::uint32_t kStatusFloatDivideByZero = 0xC000008E;
inline constexpr std::uint32_t kStatusFloatInexactResult = 0xC000008F;
inline constexpr std::uint32_t kStatusFloatInvalidOperation = 0xC0000090;
inline constexpr std::uint32_t kStatusFloatOverflow = 0xC0000091;
inline constexpr std::uint32_t kStatusFloatStackCheck = 0xC0000092;
inline constexpr std::uint32_t kStatusFloatUnderflow = 0xC0000093;
inline constexpr std::uint32_t kStatusIntegerDivideByZero = 0xC0000094;
inline constexpr std::uint32_t kStatusIntegerOverflow = 0xC0000095;
inline constexpr std::uint32_t kStatusPrivilegedInstruction = 0xC0000096;
inline constexpr std::uint32_t kStatusStackOverflow = 0xC00000FD;
inline constexpr std::uint32_t kStatusControlCExit = 0xC000013A;

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

// The failure the fault becomes, made in storage that is never on the heap
// (a fault may come from the memory manager itself). info0 and info1 are
// the exception record's first two information words. The record lives
// until the next call.
const Exception& FaultRecord(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                             std::uintptr_t info1);

}  // namespace brisquel
