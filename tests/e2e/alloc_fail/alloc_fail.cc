// Allocation-failure injector, loaded with LD_PRELOAD: makes the n-th call
// of malloc, calloc or realloc in the process fail (return null with
// ENOMEM), once or from then on.
//
//   BRISQUEL_ALLOC_FAIL_AT=N      the call that fails, counted from 1
//   BRISQUEL_ALLOC_FAIL_MODE=from every call from the N-th on fails
//                                 (otherwise only the N-th)
//   BRISQUEL_ALLOC_COUNT=FILE     keeps the count of calls made so far in
//                                 FILE (8 bytes), even when the process
//                                 ends with _exit: how far a sweep must go
//
// Nothing here allocates; the settings are read at the first call.

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
volatile uint64_t* shared_count = nullptr;

void SetUp() {
  set_up = true;
  if (const char* at = getenv("BRISQUEL_ALLOC_FAIL_AT")) fail_at = strtoull(at, nullptr, 10);
  if (const char* mode = getenv("BRISQUEL_ALLOC_FAIL_MODE")) from_then_on = strcmp(mode, "from") == 0;
  if (const char* path = getenv("BRISQUEL_ALLOC_COUNT")) {
    const int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0 && ftruncate(fd, sizeof(uint64_t)) == 0) {
      void* map = mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
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
