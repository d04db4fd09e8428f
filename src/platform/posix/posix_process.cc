#include "platform/posix/posix_process.h"

#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/messages.h"
#include "base/text.h"
#include "base/windows_codes.h"
#include "platform/fault_report.h"
#include "platform/posix/utf8_columns.h"
#include "platform/wide_text.h"

namespace brisquel {
namespace {

// What a terminal does with the bytes written to it, as a Windows console
// mode: ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT.
constexpr std::uint32_t kTerminalConsoleMode = 0x3;

// A fault this close below the stack pointer is the stack running out.
constexpr std::uintptr_t kStackOverflowReach = 64 * 1024;

// The main stack: an address near its start, and how far it may grow
// (0: no limit known). A fault between that far below the start and the
// start itself is the stack running out, however large the frame was.
std::uintptr_t stack_start = 0;
std::uintptr_t stack_limit = 0;

alignas(16) char alternate_stack[64 * 1024];

std::uintptr_t ProgramCounter(const ucontext_t* context) {
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  return static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
  return static_cast<std::uintptr_t>(context->uc_mcontext.pc);
#else
  (void)context;
  return 0;
#endif
}

std::uintptr_t StackPointer(const ucontext_t* context) {
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
  return static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
  return static_cast<std::uintptr_t>(context->uc_mcontext.sp);
#else
  (void)context;
  return 0;
#endif
}

// 1 when the faulting access was a write, 0 for a read (or unknown).
std::uintptr_t WasWrite(const ucontext_t* context) {
#if defined(__x86_64__) || defined(__i386__)
  return (context->uc_mcontext.gregs[REG_ERR] & 2) ? 1 : 0;
#else
  (void)context;
  return 0;
#endif
}

std::uint32_t FaultCode(int signal, const siginfo_t* info, const ucontext_t* context) {
  switch (signal) {
    case SIGSEGV:
    case SIGBUS: {
      const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(info->si_addr);
      const std::uintptr_t sp = StackPointer(context);
      if (address != 0 && address < sp + 256 && sp - address < kStackOverflowReach) return kStatusStackOverflow;
      if (stack_limit != 0 && address < stack_start && stack_start - address <= stack_limit + kStackOverflowReach) {
        return kStatusStackOverflow;
      }
      return kStatusAccessViolation;
    }
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV: return kStatusIntegerDivideByZero;
        case FPE_INTOVF: return kStatusIntegerOverflow;
        case FPE_FLTDIV: return kStatusFloatDivideByZero;
        case FPE_FLTOVF: return kStatusFloatOverflow;
        case FPE_FLTUND: return kStatusFloatUnderflow;
        case FPE_FLTRES: return kStatusFloatInexactResult;
        case FPE_FLTSUB: return kStatusArrayBoundsExceeded;
        default: return kStatusFloatInvalidOperation;
      }
    case SIGILL:
      return info->si_code == ILL_PRVOPC ? kStatusPrivilegedInstruction : kStatusIllegalInstruction;
    default:
      return kStatusIllegalInstruction;
  }
}

void OnFault(int signal, siginfo_t* info, void* raw_context) {
  const auto* context = static_cast<const ucontext_t*>(raw_context);
  const std::uint32_t code = FaultCode(signal, info, context);
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  ReportFault(code, ProgramCounter(context), code == kStatusAccessViolation ? WasWrite(context) : 0,
              code == kStatusAccessViolation ? address : 0);
}

// One write(2) of at most count bytes: the count written, or -1 with errno
// set. A non-blocking descriptor that is full is waited on until it can
// take bytes again, as a blocking one would be; an interrupted call is
// made again.
ssize_t WriteSome(int fd, const void* data, std::size_t count) {
  for (;;) {
    const ssize_t n = ::write(fd, data, count);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    pollfd ready{fd, POLLOUT, 0};
    if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return -1;
  }
}

// The program's path once read: outside the process object, so that its
// page is touched only by a run that asks for it.
char module_path[4096];

int FindCodeSegment(dl_phdr_info* info, std::size_t, void* data) {
  // The first object listed is the program itself.
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type == PT_LOAD && (header.p_flags & PF_X)) {
      *static_cast<std::uintptr_t*>(data) = info->dlpi_addr + header.p_vaddr;
      return 1;
    }
  }
  return 1;
}

class PosixProcess final : public ProcessServices {
 public:
  PosixProcess(int argc, const char* const* argv)
      : command_line_(CommandLineFromArgv(argc, argv)), argument_zero_(argc > 0 ? argv[0] : "") {
    dl_iterate_phdr(FindCodeSegment, &code_base_);
  }

  const char* GetCommandLineA() override { return command_line_.c_str(); }

  // Made on the first call: the Linux program compares its UTF-8 texts as
  // they are and has no use for it.
  const char16_t* GetCommandLineW() override {
    if (wide_command_line_.empty()) wide_command_line_ = Utf16FromUtf8(command_line_);
    return wide_command_line_.c_str();
  }

  std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) override {
    // Read on the first call, most runs making none; readlink is safe in
    // the fault handler, and the path is kept in a fixed buffer.
    if (module_path_length_ < 0) {
      const ssize_t length = readlink("/proc/self/exe", module_path, sizeof module_path);
      if (length > 0) {
        module_path_length_ = length;
      } else {
        const std::size_t copied = std::min(std::strlen(argument_zero_), sizeof module_path);
        std::memcpy(module_path, argument_zero_, copied);
        module_path_length_ = static_cast<ssize_t>(copied);
      }
    }
    return CopyModulePath(std::string_view(module_path, static_cast<std::size_t>(module_path_length_)),
                          buffer, size);
  }

  std::uintptr_t ModuleCodeBase() override { return code_base_; }

  void InstallFaultHandler() override {
    int here = 0;
    stack_start = reinterpret_cast<std::uintptr_t>(&here);
    rlimit limit{};
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) stack_limit = limit.rlim_cur;
    // A broken pipe, and a file grown past the size limit (ulimit -f), are
    // then failed writes (EPIPE, EFBIG), reported, not a silent end.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    stack_t stack{};
    stack.ss_sp = alternate_stack;
    stack.ss_size = sizeof alternate_stack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(fault, &action, nullptr);
  }

  FileHandle GetStdHandle(std::int32_t which) override {
    const int fd = which == kStdOutputHandle ? 1 : which == kStdErrorHandle ? 2 : which == -10 ? 0 : -1;
    if (fd < 0 || fcntl(fd, F_GETFD) == -1) {
      last_error_ = kErrorInvalidHandle;
      return kInvalidHandleValue;
    }
    return static_cast<FileHandle>(fd);
  }

  std::uint32_t GetFileType(FileHandle handle) override {
    struct stat status {};
    if (fstat(static_cast<int>(handle), &status) != 0) return kFileTypeUnknown;
    if (S_ISCHR(status.st_mode)) return kFileTypeChar;
    if (S_ISREG(status.st_mode)) return kFileTypeDisk;
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return kFileTypePipe;
    return kFileTypeUnknown;
  }

  bool GetConsoleMode(FileHandle handle, std::uint32_t* mode) override {
    if (isatty(static_cast<int>(handle)) != 1) return false;
    *mode = kTerminalConsoleMode;
    return true;
  }

  // One write(2), as WriteFile is one call: a partial write is reported as
  // such, and the caller writes the rest.
  bool WriteFile(FileHandle handle, const void* data, std::uint32_t count, std::uint32_t* written) override {
    const ssize_t n = WriteSome(static_cast<int>(handle), data, count);
    if (n < 0) {
      last_error_ = WindowsErrorFromErrno(errno);
      *written = 0;
      return false;
    }
    *written = static_cast<std::uint32_t>(n);
    return true;
  }

  std::uint32_t GetLastError() override { return last_error_; }
  // Window titles and class names reach the Linux program as UTF-8.
  std::uint32_t GetACP() override { return kCpUtf8; }

  bool CloseHandle(FileHandle handle) override { return ::close(static_cast<int>(handle)) == 0; }

  [[noreturn]] void ExitProcess(std::uint32_t code) override { _exit(static_cast<int>(code)); }

  int MessageBoxA(const char* text, const char* caption, std::uint32_t) override {
    // Without a desktop to show a box on, the caption and text go to
    // standard error.
    WriteAll(caption);
    WriteAll("\n");
    WriteAll(text);
    WriteAll("\n");
    return 1;
  }

  int LoadStringA(std::uint32_t id, char* buffer, int size) override {
    return CopyMessage(id, buffer, size);
  }

 private:
  static void WriteAll(const char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0) {
      const ssize_t n = WriteSome(2, text, length);
      if (n <= 0) return;
      text += n;
      length -= static_cast<std::size_t>(n);
    }
  }

  std::string command_line_;
  std::u16string wide_command_line_;
  const char* argument_zero_;
  ssize_t module_path_length_ = -1;  // module_path not read yet
  std::uintptr_t code_base_ = 0;
  std::uint32_t last_error_ = 0;
};

}  // namespace

std::string CommandLineFromArgv(int argc, const char* const* argv) {
  std::string line;
  // Argument 0 is always there (argc may be 0): an empty one would vanish
  // like "" and let argument 1 take its place, so the program's name
  // stands in for it.
  for (int i = 0; i < std::max(argc, 1); ++i) {
    std::string argument;
    bool blank = false;
    for (const char* p = i < argc ? argv[i] : ""; *p != '\0'; ++p) {
      if (*p == '"') continue;
      if (IsBlank(*p)) blank = true;
      argument.push_back(*p);
    }
    if (argument.empty()) {
      if (i > 0) continue;
      argument = "brisquel";
    }
    if (i > 0) line.push_back(' ');
    if (blank) {
      line.push_back('"');
      line += argument;
      line.push_back('"');
    } else {
      line += argument;
    }
  }
  return line;
}

std::uint32_t WindowsErrorFromErrno(int error) {
  switch (error) {
    case EPIPE: return kErrorNoData;
    case ENOSPC: return kErrorDiskFull;
    case EBADF: return kErrorInvalidHandle;
    case EACCES:
    case EPERM: return kErrorAccessDenied;
    case EFBIG: return kErrorFileTooLarge;
    case EDQUOT: return kErrorDiskQuotaExceeded;
    case EIO: return kErrorIoDevice;
    default: return kErrorGenFailure;
  }
}

std::unique_ptr<ProcessServices> NewDefaultProcessServices(int argc, const char* const* argv) {
  InstallUtf8Columns(Utf8Columns());  // GetACP answers kCpUtf8
  return std::make_unique<PosixProcess>(argc, argv);
}

// Writes the runtime error line to standard error.
void EndBeforeStartUp(int number) {
  // The message box's stand-in: caption, then text, on standard error.
  char line[32];
  const int length = RuntimeErrorLine(number, 0, line);
  line[length] = '\n';
  static constexpr char kCaption[] = "Error\n";
  if (::write(2, kCaption, sizeof kCaption - 1) > 0) {
    [[maybe_unused]] const ssize_t written = ::write(2, line, static_cast<std::size_t>(length) + 1);
  }
  _exit(number);
}

}  // namespace brisquel
