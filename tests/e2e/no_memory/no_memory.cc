// Preloaded into the program (LD_PRELOAD) to make memory run out on
// purpose: from the BRISQUEL_NO_MEMORY_FROM-th allocation call on (counted
// from 1 over the whole process, loader and libraries included), every
// allocation fails with ENOMEM; with BRISQUEL_NO_MEMORY_ONCE=1 only that
// one call fails. Unset, nothing fails. The real work is glibc's own
// allocator under its internal names, so no lookup (which could allocate)
// is needed.
#include <errno.h>
#include <stddef.h>
#include <stdlib.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

unsigned long calls = 0;
unsigned long fail_from = 0;  // 0: never
bool once = false;
bool read_settings = false;

unsigned long Number(const char* text) {
  unsigned long n = 0;
  for (; text != nullptr && *text >= '0' && *text <= '9'; ++text) n = n * 10 + static_cast<unsigned long>(*text - '0');
  return n;
}

// True when this allocation call is to fail.
bool Fails() {
  if (!read_settings) {
    read_settings = true;
    fail_from = Number(getenv("BRISQUEL_NO_MEMORY_FROM"));
    const char* o = getenv("BRISQUEL_NO_MEMORY_ONCE");
    once = o != nullptr && o[0] == '1';
  }
  ++calls;
  if (fail_from == 0 || calls < fail_from || (once && calls != fail_from)) return false;
  errno = ENOMEM;
  return true;
}

}  // namespace

extern "C" {

void* malloc(size_t size) { return Fails() ? nullptr : __libc_malloc(size); }

void* calloc(size_t count, size_t size) { return Fails() ? nullptr : __libc_calloc(count, size); }

void* realloc(void* block, size_t size) {
  if (block != nullptr && size == 0) return __libc_realloc(block, size);  // a release
  return Fails() ? nullptr : __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

void* memalign(size_t alignment, size_t size) { return Fails() ? nullptr : __libc_memalign(alignment, size); }

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** block, size_t alignment, size_t size) {
  if (Fails()) return ENOMEM;
  void* p = __libc_memalign(alignment, size);
  if (p == nullptr) return ENOMEM;
  *block = p;
  return 0;
}

}  // extern "C"
