#include "platform/shared_library.h"

#include <dlfcn.h>

#include <cstring>
#include <new>

namespace brisquel {

void* OpenSharedLibrary(const char* soname) {
  void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) return library;
  // The loader says why only in words: strerror's (the C locale's, as the
  // program sets none) where a call failed, its own where an allocation
  // did ("cannot allocate ...", "cannot create shared object descriptor",
  // "out of memory" when even the message could not be allocated).
  const char* why = dlerror();
  if (why == nullptr || std::strstr(why, "allocate") != nullptr || std::strstr(why, "memory") != nullptr ||
      std::strstr(why, "cannot create shared object descriptor") != nullptr) {
    throw std::bad_alloc();
  }
  return nullptr;
}

void* FindInSharedLibrary(void* library, const char* name) { return dlsym(library, name); }

}  // namespace brisquel
