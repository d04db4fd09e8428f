#include "runtime/failure_kinds.h"

#include <new>

#include "runtime/services.h"

namespace brisquel {

Exception::Exception(MessageId id, std::initializer_list<FormatArg> args, std::uintptr_t place)
    : place_(place) {
  char text[kMessageSize];
  int loaded = Process().LoadStringA(id, text, sizeof text);
  if (loaded < 0) loaded = 0;
  const FormatResult result =
      FormatInto(message_, sizeof message_, std::string_view(text, static_cast<std::size_t>(loaded)), args);
  length_ = result.status == FormatStatus::kOk ? result.length : 0;
}

EInOutError::EInOutError(std::int32_t io_code, std::uintptr_t place)
    : Exception(IoMessageFor(io_code), {io_code}, place), io_code_(io_code) {}

MessageId IoMessageFor(std::int32_t io_code) {
  switch (io_code) {
    case 2: return kMsgFileNotFound;
    case 3: return kMsgInvalidFilename;
    case 4: return kMsgTooManyOpenFiles;
    case 5: return kMsgFileAccessDenied;
    case 100: return kMsgEndOfFile;
    case 101: return kMsgDiskFull;
    case 106: return kMsgInvalidInput;
    default: return kMsgIoError;
  }
}

namespace {
alignas(EOutOfMemory) unsigned char out_of_memory_storage[sizeof(EOutOfMemory)];
const EOutOfMemory* out_of_memory = nullptr;
}  // namespace

void MakeOutOfMemoryRecord() {
  if (out_of_memory == nullptr) {
    out_of_memory = new (out_of_memory_storage) EOutOfMemory(kMsgOutOfMemory, {}, 0);
  }
}

const EOutOfMemory& OutOfMemoryRecord() {
  MakeOutOfMemoryRecord();
  return *out_of_memory;
}

}  // namespace brisquel
