#include "platform/fake/fake_process.h"

#include "base/messages.h"
#include "base/text.h"

namespace brisquel {

std::u16string WidenBytes(std::string_view text) {
  std::u16string wide;
  for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
  return wide;
}

const char16_t* FakeProcess::GetCommandLineW() {
  wide_answer_ = wide_command_line.empty() ? WidenBytes(command_line) : wide_command_line;
  return wide_answer_.c_str();
}

std::uint32_t FakeProcess::GetModuleFileNameA(char* buffer, std::uint32_t size) {
  return CopyModulePath(module_path, buffer, size);
}

FileHandle FakeProcess::GetStdHandle(std::int32_t which) {
  if ((which == kStdOutputHandle && stdout_invalid) || (which == kStdErrorHandle && stderr_invalid)) {
    last_error_ = 6;
    return kInvalidHandleValue;
  }
  return which == kStdOutputHandle ? kStdOut : which == kStdErrorHandle ? kStdErr : kInvalidHandleValue;
}

std::uint32_t FakeProcess::GetFileType(FileHandle handle) {
  return handle == kStdOut ? stdout_type : kFileTypeChar;
}

bool FakeProcess::GetConsoleMode(FileHandle handle, std::uint32_t* mode) {
  bool console = false;
  if (handle == kStdOut) console = stdout_console.value_or(stdout_type == kFileTypeChar);
  if (handle == kStdErr) console = stderr_console.value_or(true);
  if (!console) {
    last_error_ = 6;
    return false;
  }
  *mode = 0x3;
  return true;
}

bool FakeProcess::WriteFile(FileHandle handle, const void* data, std::uint32_t count, std::uint32_t* written) {
  std::string bytes(static_cast<const char*>(data), count);
  if (handle == kStdOut) {
    ++stdout_write_calls;
    const bool fails = fail_stdout_write != 0 && (stdout_write_calls == fail_stdout_write ||
                                                  (fail_all_stdout_from_there && stdout_write_calls > fail_stdout_write));
    if (fails) {
      writes.push_back({handle, bytes, true});
      last_error_ = fail_code;
      *written = 0;
      return false;
    }
  }
  if (handle == kStdOut && stdout_write_calls == zero_stdout_write) {
    writes.push_back({handle, "", false});
    *written = 0;
    return true;
  }
  if (short_write_limit > 0 && count > short_write_limit) {
    bytes.resize(short_write_limit);
    count = short_write_limit;
  }
  writes.push_back({handle, bytes, false});
  *written = count;
  return true;
}

int FakeProcess::MessageBoxA(const char* text, const char* caption, std::uint32_t) {
  message_boxes.push_back(std::string(caption) + "|" + text);
  return 1;
}

int FakeProcess::LoadStringA(std::uint32_t id, char* buffer, int size) {
  const auto entry = strings.find(id);
  if (entry != strings.end()) return CopyText(entry->second, buffer, size);
  return CopyMessage(id, buffer, size);
}

std::string FakeProcess::StdOut() const {
  std::string out;
  for (const Write& w : writes) {
    if (w.handle == kStdOut && !w.failed) out += w.bytes;
  }
  return out;
}

std::string FakeProcess::StdErr() const {
  std::string out;
  for (const Write& w : writes) {
    if (w.handle == kStdErr && !w.failed) out += w.bytes;
  }
  return out;
}

}  // namespace brisquel
