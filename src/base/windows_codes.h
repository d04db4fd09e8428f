// The Windows numbers the program speaks in on every platform: system
// error codes (what GetLastError gives) and structured-exception codes.
// Backends that are not Windows translate their own errors and signals
// into these, so that reports read the same everywhere.
#pragma once

#include <cstdint>

namespace brisquel {

// System error codes.
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorWriteFault = 29;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorBrokenPipe = 109;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorFileTooLarge = 223;
inline constexpr std::uint32_t kErrorNoData = 232;  // the pipe is being closed
inline constexpr std::uint32_t kErrorIoDevice = 1117;
inline constexpr std::uint32_t kErrorDiskQuotaExceeded = 1295;

// Structured-exception codes.
inline constexpr std::uint32_t kStatusAccessViolation = 0xC0000005;
inline constexpr std::uint32_t kStatusIllegalInstruction = 0xC000001D;
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

}  // namespace brisquel
