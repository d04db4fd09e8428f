#include "runtime/fault_table.h"

#include <iterator>
#include <new>
#include <string_view>

#include "runtime/services.h"

namespace brisquel {
namespace {

template <typename Kind>
Exception* Make(void* storage, MessageId message, std::initializer_list<FormatArg> args, std::uintptr_t place);

constexpr Fault kFaults[] = {
    {kStatusAccessViolation, Make<EAccessViolation>, kMsgAccessViolation, 216},
    {kStatusArrayBoundsExceeded, Make<ERangeError>, kMsgRangeError, 201},
    {kStatusFloatDenormalOperand, Make<EUnderflow>, kMsgUnderflow, 206},
    {kStatusFloatDivideByZero, Make<EZeroDivide>, kMsgZeroDivide, 200},
    {kStatusFloatInexactResult, Make<EInvalidOp>, kMsgInvalidOp, 207},
    {kStatusFloatInvalidOperation, Make<EInvalidOp>, kMsgInvalidOp, 207},
    {kStatusFloatOverflow, Make<EOverflow>, kMsgOverflow, 205},
    {kStatusFloatStackCheck, Make<EInvalidOp>, kMsgInvalidOp, 207},
    {kStatusFloatUnderflow, Make<EUnderflow>, kMsgUnderflow, 206},
    {kStatusIntegerDivideByZero, Make<EDivByZero>, kMsgDivByZero, 200},
    {kStatusIntegerOverflow, Make<EIntOverflow>, kMsgIntOverflow, 215},
    {kStatusPrivilegedInstruction, Make<EPrivilege>, kMsgPrivilege, 218},
    {kStatusStackOverflow, Make<EStackOverflow>, kMsgStackOverflow, 202},
    {kStatusControlCExit, Make<EControlC>, kMsgControlC, 217},
};
// Any other code; its message is filled with the code.
constexpr Fault kExternal = {0, Make<EExternalException>, kMsgExternalException, 217};

// Every kind adds nothing to Exception, so one record's room fits them all.
alignas(EExternalException) unsigned char fault_storage[sizeof(EExternalException)];

template <typename Kind>
Exception* Make(void* storage, MessageId message, std::initializer_list<FormatArg> args, std::uintptr_t place) {
  static_assert(sizeof(Kind) <= sizeof fault_storage && alignof(Kind) <= alignof(EExternalException));
  return new (storage) Kind(message, args, place);
}

}  // namespace

const Fault& FaultFor(std::uint32_t code) {
  for (const Fault& fault : kFaults) {
    if (fault.code == code) return fault;
  }
  return kExternal;
}

// The records whose messages take arguments are made apart, so that their
// buffers stay off the stack of the other faults' records: a stack
// overflow's report has little stack to spare.
[[gnu::noinline]] const Exception& AccessViolationRecord(const Fault& fault, std::uintptr_t fault_address,
                                                         std::uintptr_t info0, std::uintptr_t info1) {
  // "... at address <instruction>. Read|Write of address <accessed>"
  char access[16];
  const int length = Process().LoadStringA(info0 == 0 ? kMsgRead : kMsgWrite, access, sizeof access);
  const std::string_view access_text(access, length > 0 ? static_cast<std::size_t>(length) : 0);
  return *fault.make(fault_storage, fault.message,
                     {FormatArg::Address(fault_address), access_text, FormatArg::Address(info1)}, fault_address);
}

[[gnu::noinline]] const Exception& ExternalRecord(std::uint32_t code, std::uintptr_t fault_address) {
  return *kExternal.make(fault_storage, kExternal.message, {code}, fault_address);
}

const Exception& FaultRecord(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                             std::uintptr_t info1) {
  const Fault& fault = FaultFor(code);
  if (fault.code == kStatusAccessViolation) return AccessViolationRecord(fault, fault_address, info0, info1);
  if (&fault == &kExternal) return ExternalRecord(code, fault_address);
  return *fault.make(fault_storage, fault.message, {}, fault_address);
}

}  // namespace brisquel
