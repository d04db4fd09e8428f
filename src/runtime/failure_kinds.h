// The program's failure kinds. A failure is raised where it arises and
// caught only at the top, where its kind name and message are reported.
// Making one allocates nothing: the message lives in the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "base/messages.h"
#include "runtime/format_into.h"

namespace brisquel {

class Exception {
 public:
  static constexpr std::size_t kMessageSize = 1024;

  virtual ~Exception() = default;
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;

  // The kind's name as printed in reports, e.g. "EInOutError".
  virtual const char* KindName() const = 0;
  std::string_view Message() const { return {message_, length_}; }
  // Code address where the failure was raised; 0 when not known.
  std::uintptr_t Place() const { return place_; }

 protected:
  // Loads message text id from the string table and fills its
  // placeholders with args.
  Exception(MessageId id, std::initializer_list<FormatArg> args, std::uintptr_t place);

 private:
  char message_[kMessageSize];
  std::size_t length_ = 0;
  std::uintptr_t place_ = 0;
};

#define BRISQUEL_FAILURE_KIND(Kind, Base)                                      \
  class Kind : public Base {                                                   \
   public:                                                                     \
    Kind(MessageId id, std::initializer_list<FormatArg> args, std::uintptr_t place) \
        : Base(id, args, place) {}                                             \
    const char* KindName() const override { return #Kind; }                    \
  };

BRISQUEL_FAILURE_KIND(EOutOfMemory, Exception)
BRISQUEL_FAILURE_KIND(EInvalidPointer, Exception)
BRISQUEL_FAILURE_KIND(EConvertError, Exception)
BRISQUEL_FAILURE_KIND(EListError, Exception)
BRISQUEL_FAILURE_KIND(EAccessViolation, Exception)
BRISQUEL_FAILURE_KIND(EPrivilege, Exception)
BRISQUEL_FAILURE_KIND(EControlC, Exception)
BRISQUEL_FAILURE_KIND(EStackOverflow, Exception)
BRISQUEL_FAILURE_KIND(EExternalException, Exception)
BRISQUEL_FAILURE_KIND(EIntError, Exception)
BRISQUEL_FAILURE_KIND(EDivByZero, EIntError)
BRISQUEL_FAILURE_KIND(ERangeError, EIntError)
BRISQUEL_FAILURE_KIND(EIntOverflow, EIntError)
BRISQUEL_FAILURE_KIND(EMathError, Exception)
BRISQUEL_FAILURE_KIND(EInvalidOp, EMathError)
BRISQUEL_FAILURE_KIND(EZeroDivide, EMathError)
BRISQUEL_FAILURE_KIND(EOverflow, EMathError)
BRISQUEL_FAILURE_KIND(EUnderflow, EMathError)

#undef BRISQUEL_FAILURE_KIND

// An output failure, with the code that caused it.
class EInOutError : public Exception {
 public:
  EInOutError(std::int32_t io_code, std::uintptr_t place);
  const char* KindName() const override { return "EInOutError"; }
  std::int32_t IoCode() const { return io_code_; }

 private:
  std::int32_t io_code_;
};

// The message number that the I/O message table gives for code.
MessageId IoMessageFor(std::int32_t io_code);

// The one out-of-memory record, made by StartRuntime; reporting it needs
// no memory.
const EOutOfMemory& OutOfMemoryRecord();
void MakeOutOfMemoryRecord();

}  // namespace brisquel
