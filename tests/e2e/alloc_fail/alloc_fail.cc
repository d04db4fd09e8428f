// Allocation-failure injector, loaded with LD_PRELOAD: makes the n-th call
// of malloc, calloc or realloc in the process fail (return null with
// ENOMEM), once or from then on.
//
//   BRISQUEL_ALLOC_FAIL_AT=N      the call that fails, counted from 1
//   BRISQUEL_ALLOC_FAIL_MODE=from every call from the N-th on fails
//                                 (otherwise only the N-th)
//   BRISQUEL_ALLOC_COUNT=FILE     keeps the count of calls made so far in
//                                 FILE (the first 8 bytes), even when the
//                                 process ends with _exit: how far a sweep
//                                 must go; the next 8 bytes are not 0 while
//                                 a dlopen is under way, so a process
//                                 that ended inside the system's loader
//                                 leaves them so
//
// Nothing here allocates; the settings are read at the first call.

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {

bool set_up = false;
uint64_t fail_at = 0;
bool from_then_on = false;
uint64_t calls = 0;
volatile uint64_t* shared_count = nullptr;  // [0] calls, [1] inside dlopen

void SetUp() {
  set_up = true;
  if (const char* at = getenv("BRISQUEL_ALLOC_FAIL_AT")) fail_at = strtoull(at, nullptr, 10);
  if (const char* mode = getenv("BRISQUEL_ALLOC_FAIL_MODE")) from_then_on = strcmp(mode, "from") == 0;
  if (const char* path = getenv("BRISQUEL_ALLOC_COUNT")) {
    const int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0 && ftruncate(fd, 2 * sizeof(uint64_t)) == 0) {
      void* map = mmap(nullptr, 2 * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (map != MAP_FAILED) shared_count = static_cast<volatile uint64_t*>(map);
    }
    if (fd >= 0) close(fd);
  }
}

bool ShouldFail() {
  if (!set_up) SetUp();
  ++calls;
  if (shared_count != nullptr) *shared_count = calls;
  if (fail_at == 0) return false;
  if (calls == fail_at || (from_then_on && calls > fail_at)) {
    errno = ENOMEM;
    return true;
  }
  return false;
}

}  // namespace

extern "C" void* malloc(size_t size) { return ShouldFail() ? nullptr : __libc_malloc(size); }

extern "C" void* calloc(size_t count, size_t size) {
  return ShouldFail() ? nullptr : __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) {
  return ShouldFail() ? nullptr : __libc_realloc(block, size);
}

// dlopen passed through, marked in the count file while it runs.
extern "C" void* dlopen(const char* file, int mode) {
  using Open = void* (*)(const char*, int);
  static Open next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
  static uint64_t depth = 0;  // a library's constructor may open another
  if (!set_up) SetUp();
  if (next == nullptr) return nullptr;  // as a dlopen that could not allocate
  if (shared_count != nullptr) shared_count[1] = ++depth;
  void* library = next(file, mode);
  if (shared_count != nullptr) shared_count[1] = --depth;
  return library;
}
