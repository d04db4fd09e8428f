// Libraries a backend loads only when its desktop is tried, so that the
// program starts as fast without them and runs where they are not installed.
#pragma once

namespace brisquel {

// Opens the library named soname, every symbol bound now. Returns null when
// the library is not there or cannot be used (no library of this machine's
// kind by that name). Memory running out while it loads raises
// std::bad_alloc: a library that is there is never taken for one that is
// not, which would send the program to another desktop, or the user to
// install what they have.
void* OpenSharedLibrary(const char* soname);

// The address of name in library, or null when it has none.
void* FindInSharedLibrary(void* library, const char* name);

// Sets *call to name's address in library; false when it has none.
template <typename Call>
bool FindCall(void* library, const char* name, Call* call) {
  *call = reinterpret_cast<Call>(FindInSharedLibrary(library, name));
  return *call != nullptr;
}

}  // namespace brisquel
