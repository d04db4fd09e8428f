#include "platform/gnome/sd_bus_library.h"

#include "platform/shared_library.h"

namespace brisquel {
namespace {

bool FindAll(void* library, SdBusLibrary& calls) {
  return FindCall(library, "sd_bus_open_user", &calls.open_user) &&
         FindCall(library, "sd_bus_close_unref", &calls.close_unref) &&
         FindCall(library, "sd_bus_is_open", &calls.is_open) &&
         FindCall(library, "sd_bus_process", &calls.process) &&
         FindCall(library, "sd_bus_wait", &calls.wait) &&
         FindCall(library, "sd_bus_message_new_method_call", &calls.new_method_call) &&
         FindCall(library, "sd_bus_message_append", &calls.append) &&
         FindCall(library, "sd_bus_call_async", &calls.call_async) &&
         FindCall(library, "sd_bus_slot_unref", &calls.slot_unref) &&
         FindCall(library, "sd_bus_message_ref", &calls.message_ref) &&
         FindCall(library, "sd_bus_message_unref", &calls.message_unref) &&
         FindCall(library, "sd_bus_message_get_error", &calls.message_get_error) &&
         FindCall(library, "sd_bus_message_read", &calls.read) &&
         FindCall(library, "sd_bus_message_read_array", &calls.read_array) &&
         FindCall(library, "sd_bus_message_enter_container", &calls.enter_container) &&
         FindCall(library, "sd_bus_message_exit_container", &calls.exit_container) &&
         FindCall(library, "sd_bus_message_skip", &calls.skip);
}

}  // namespace

const SdBusLibrary* LoadSdBus() {
  static SdBusLibrary calls{};
  static bool loaded = false;
  static bool tried = false;
  if (!tried) {
    tried = true;
    void* library = OpenSharedLibrary("libsystemd.so.0");
    loaded = library != nullptr && FindAll(library, calls);
  }
  return loaded ? &calls : nullptr;
}

}  // namespace brisquel
