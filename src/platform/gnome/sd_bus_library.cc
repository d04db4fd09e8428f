#include "platform/gnome/sd_bus_library.h"

#include <dlfcn.h>

namespace brisquel {
namespace {

// Looks up name in library into *call; false when it is missing.
template <typename Call>
bool Find(void* library, const char* name, Call* call) {
  *call = reinterpret_cast<Call>(dlsym(library, name));
  return *call != nullptr;
}

bool FindAll(void* library, SdBusLibrary& calls) {
  return Find(library, "sd_bus_open_user", &calls.open_user) &&
         Find(library, "sd_bus_close_unref", &calls.close_unref) &&
         Find(library, "sd_bus_is_open", &calls.is_open) &&
         Find(library, "sd_bus_process", &calls.process) &&
         Find(library, "sd_bus_wait", &calls.wait) &&
         Find(library, "sd_bus_message_new_method_call", &calls.new_method_call) &&
         Find(library, "sd_bus_message_append", &calls.append) &&
         Find(library, "sd_bus_call_async", &calls.call_async) &&
         Find(library, "sd_bus_slot_unref", &calls.slot_unref) &&
         Find(library, "sd_bus_message_ref", &calls.message_ref) &&
         Find(library, "sd_bus_message_unref", &calls.message_unref) &&
         Find(library, "sd_bus_message_get_error", &calls.message_get_error) &&
         Find(library, "sd_bus_message_read", &calls.read) &&
         Find(library, "sd_bus_message_read_array", &calls.read_array) &&
         Find(library, "sd_bus_message_enter_container", &calls.enter_container) &&
         Find(library, "sd_bus_message_exit_container", &calls.exit_container) &&
         Find(library, "sd_bus_message_skip", &calls.skip);
}

}  // namespace

const SdBusLibrary* LoadSdBus() {
  static SdBusLibrary calls{};
  static bool loaded = false;
  static bool tried = false;
  if (!tried) {
    tried = true;
    void* library = dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
    loaded = library != nullptr && FindAll(library, calls);
  }
  return loaded ? &calls : nullptr;
}

}  // namespace brisquel
