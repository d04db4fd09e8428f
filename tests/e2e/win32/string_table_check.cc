// Proves that a program's string-table resource holds exactly the
// program's message list: every id loads with LoadStringA and equals the
// list's text, and the table holds no other string.
//
//   string_table_check.exe PROGRAM
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <string_view>

#include "base/messages.h"

namespace {

int strings_found = 0;

// A string-table block is 16 counted UTF-16 strings.
BOOL CALLBACK CountStrings(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR) {
  HRSRC found = FindResourceA(module, name, type);
  const auto* words = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
  const DWORD size_words = SizeofResource(module, found) / sizeof(WORD);
  DWORD at = 0;
  for (int i = 0; i < 16 && at < size_words; ++i) {
    if (words[at] != 0) ++strings_found;
    at += 1 + words[at];
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: string_table_check PROGRAM\n");
    return 2;
  }
  HMODULE program = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!program) {
    std::fprintf(stderr, "cannot load %s, error %lu\n", argv[1], GetLastError());
    return 2;
  }
  static constexpr std::uint32_t ids[] = {
#define MESSAGE(name, id, text) id,
#include "base/messages.def"
#undef MESSAGE
  };
  const std::size_t count = std::size(ids);
  int faults = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char buffer[1024];
    const int length = LoadStringA(program, ids[i], buffer, sizeof buffer);
    const std::string_view loaded(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (loaded != brisquel::FindMessage(ids[i])) {
      std::printf("message %u: loaded [%.*s]\n", ids[i], static_cast<int>(loaded.size()),
                  loaded.data());
      ++faults;
    }
  }
  EnumResourceNamesA(program, RT_STRING, CountStrings, 0);
  if (strings_found != static_cast<int>(count)) {
    std::printf("the table holds %d strings, the list %u\n", strings_found,
                static_cast<unsigned>(count));
    ++faults;
  }
  std::printf("%u messages, %d faults\n", static_cast<unsigned>(count), faults);
  return faults == 0 ? 0 : 1;
}
