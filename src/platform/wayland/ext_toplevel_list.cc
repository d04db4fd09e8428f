#include "platform/wayland/ext_toplevel_list.h"

namespace {

// The interface a new_id argument makes, by the argument's place.
const wl_interface* kToplevelTypes[] = {&ext_foreign_toplevel_handle_v1_interface};
const wl_interface* kNoTypes[] = {nullptr};

const wl_message kListRequests[] = {
    {"stop", "", kNoTypes},
    {"destroy", "", kNoTypes},
};
const wl_message kListEvents[] = {
    {"toplevel", "n", kToplevelTypes},
    {"finished", "", kNoTypes},
};
const wl_message kHandleRequests[] = {
    {"destroy", "", kNoTypes},
};
const wl_message kHandleEvents[] = {
    {"closed", "", kNoTypes},
    {"done", "", kNoTypes},
    {"title", "s", kNoTypes},
    {"app_id", "s", kNoTypes},
    {"identifier", "s", kNoTypes},
};

}  // namespace

extern "C" {

const wl_interface ext_foreign_toplevel_list_v1_interface = {
    "ext_foreign_toplevel_list_v1", 1, 2, kListRequests, 2, kListEvents,
};

const wl_interface ext_foreign_toplevel_handle_v1_interface = {
    "ext_foreign_toplevel_handle_v1", 1, 1, kHandleRequests, 5, kHandleEvents,
};

}  // extern "C"
