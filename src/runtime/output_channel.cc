#include "runtime/output_channel.h"

#include <cstring>

#include "runtime/failure_kinds.h"
#include "runtime/services.h"

namespace brisquel {
namespace {

constexpr std::int32_t kNotOpenForOutput = 105;
constexpr std::int32_t kFileNotOpen = 103;

struct Channel {
  FileHandle handle = 0;
  bool open = false;
  bool flush_at_line_end = false;
  bool console = false;
  std::uint32_t fill = 0;
  char buffer[kOutputBufferSize];
};

Channel channel;
std::int32_t pending_io_result = 0;

// Standard output's opening: 0, or the code it failed with.
std::int32_t OpenChannel() {
  ProcessServices& process = Process();
  const FileHandle handle = process.GetStdHandle(kStdOutputHandle);
  if (handle == kInvalidHandleValue) return static_cast<std::int32_t>(process.GetLastError());
  const std::uint32_t type = process.GetFileType(handle);
  if (type == kFileTypeUnknown) {
    process.CloseHandle(handle);
    return kNotOpenForOutput;
  }
  channel.handle = handle;
  channel.open = true;
  channel.flush_at_line_end = type == kFileTypeChar;
  std::uint32_t mode = 0;
  channel.console = type == kFileTypeChar && process.GetConsoleMode(handle, &mode);
  return 0;
}

}  // namespace

void ResetOutputChannel() {
  channel = Channel{};
  pending_io_result = 0;
}

std::int32_t WriteOutBuffer() {
  if (channel.fill == 0) return 0;
  const std::uint32_t count = channel.fill;
  channel.fill = 0;
  return WriteWhole(channel.handle, channel.buffer, count);
}

void WriteOutputBytes(std::string_view bytes) {
  if (!channel.open) {
    const std::int32_t code = OpenChannel();
    if (code != 0) pending_io_result = code;
    if (!channel.open) {
      pending_io_result = kNotOpenForOutput;
      return;
    }
  }
  const char* data = bytes.data();
  std::size_t remaining = bytes.size();
  while (remaining > 0) {
    const std::uint32_t room = kOutputBufferSize - channel.fill;
    if (room > remaining) {
      std::memcpy(channel.buffer + channel.fill, data, remaining);
      channel.fill += static_cast<std::uint32_t>(remaining);
      return;
    }
    std::memcpy(channel.buffer + channel.fill, data, room);
    channel.fill = kOutputBufferSize;
    data += room;
    remaining -= room;
    const std::int32_t code = WriteOutBuffer();
    if (code != 0) {
      pending_io_result = code;
      return;
    }
  }
}

void WriteLineEnd() {
  WriteOutputBytes("\r\n");
  if (!channel.open) {
    pending_io_result = kFileNotOpen;
  } else if (channel.flush_at_line_end) {
    const std::int32_t code = WriteOutBuffer();
    if (code != 0) pending_io_result = code;
  }
}

__attribute__((noinline)) void CheckIoResult() {
  if (pending_io_result == 0) return;
  const std::int32_t code = pending_io_result;
  pending_io_result = 0;
  throw EInOutError(code, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
}

void WriteLine(std::string_view text) {
  WriteOutputBytes(text);
  WriteLineEnd();
  CheckIoResult();
}

std::int32_t PendingIoResult() { return pending_io_result; }

bool OutputIsConsole() { return channel.open && channel.console; }

}  // namespace brisquel
