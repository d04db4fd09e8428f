// The few calls of sd-bus (libsystemd's D-Bus library) that the GNOME
// backend makes, loaded at run time. libsystemd is on every machine that
// runs GNOME, but the program must start, and start fast, where it is
// missing or unused: linking it would load it on every run on every
// desktop. The prototypes are those of the sd-bus manual pages; the types
// stay opaque, so no development package is needed either.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisquel {

struct SdBus;
struct SdBusMessage;
struct SdBusSlot;
// sd_bus_error as the manual pages give it.
struct SdBusError {
  const char* name;
  const char* message;
  int need_free;
};
using SdBusHandler = int (*)(SdBusMessage* message, void* user_data, SdBusError* error);

// The calls, as the library exports them.
struct SdBusLibrary {
  int (*open_user)(SdBus** bus);
  SdBus* (*close_unref)(SdBus* bus);
  int (*is_open)(SdBus* bus);
  int (*process)(SdBus* bus, SdBusMessage** message);
  int (*wait)(SdBus* bus, std::uint64_t timeout_usec);
  int (*new_method_call)(SdBus* bus, SdBusMessage** message, const char* destination, const char* path,
                         const char* interface, const char* member);
  int (*append)(SdBusMessage* message, const char* types, ...);
  int (*call_async)(SdBus* bus, SdBusSlot** slot, SdBusMessage* message, SdBusHandler callback,
                    void* user_data, std::uint64_t usec);
  SdBusSlot* (*slot_unref)(SdBusSlot* slot);
  SdBusMessage* (*message_ref)(SdBusMessage* message);
  SdBusMessage* (*message_unref)(SdBusMessage* message);
  const SdBusError* (*message_get_error)(SdBusMessage* message);
  int (*read)(SdBusMessage* message, const char* types, ...);
  int (*read_array)(SdBusMessage* message, char type, const void** data, std::size_t* size);
  int (*enter_container)(SdBusMessage* message, char type, const char* contents);
  int (*exit_container)(SdBusMessage* message);
  int (*skip)(SdBusMessage* message, const char* types);
};

// The library, loaded on the first call; null when libsystemd.so.0 cannot
// be loaded or lacks one of the calls; raises std::bad_alloc when memory
// runs out while it loads.
const SdBusLibrary* LoadSdBus();

}  // namespace brisquel
