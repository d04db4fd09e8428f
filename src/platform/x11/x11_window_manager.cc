// The top-level windows are the root's children, topmost first, each
// window-manager frame replaced by the client window inside it. Every
// window's properties are asked for before any answer is read, so the walk
// costs a few round trips rather than several per window.

#include "platform/x11/x11_window_manager.h"

#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/x11/window_table.h"
#include "runtime/display_end.h"

namespace brisquel {
namespace {

// Titles and class names are read up to their first 1024 bytes; the
// program asks for at most 254 of them.
constexpr std::uint32_t kTextLongs = 256;

// How far below a top-level window the client is looked for, and among how
// many windows: window managers put it one or two levels inside their frame.
constexpr int kClientSearchDepth = 3;
constexpr std::size_t kClientSearchLimit = 1024;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The display's name as the user gave it, for messages: a fixed buffer,
// since the message is written on a path that allocates nothing.
struct DisplayName {
  char text[256];
  std::size_t length;
};

DisplayName NameOfDisplay() {
  DisplayName name{};
  const char* display = std::getenv("DISPLAY");
  const bool quoted = display != nullptr && *display != '\0';
  const std::string_view shown = quoted ? std::string_view(display) : "(DISPLAY is not set)";
  const std::size_t room = sizeof name.text - 2;
  const std::size_t count = std::min(shown.size(), room);
  if (quoted) name.text[name.length++] = '"';
  std::memcpy(name.text + name.length, shown.data(), count);
  name.length += count;
  if (quoted) name.text[name.length++] = '"';
  return name;
}

[[noreturn]] void EndWithoutDisplay(std::string_view what) {
  const DisplayName name = NameOfDisplay();
  EndForDisplay(what, std::string_view(name.text, name.length));
}

struct Atoms {
  xcb_atom_t wm_state = XCB_ATOM_NONE;
  xcb_atom_t net_wm_name = XCB_ATOM_NONE;
  xcb_atom_t utf8_string = XCB_ATOM_NONE;
  xcb_atom_t net_wm_pid = XCB_ATOM_NONE;
};

// One batch of the desktop, taken over an open connection.
class Snapshot {
 public:
  explicit Snapshot(xcb_connection_t* connection) : c_(connection) {}

  std::vector<WindowRecord> Take(xcb_window_t root);

 private:
  // Fails the run when the connection broke since the last check.
  void CheckConnection() const {
    if (xcb_connection_has_error(c_)) EndWithoutDisplay("lost the connection to display ");
  }
  std::vector<xcb_window_t> TopLevels(xcb_window_t root);
  std::vector<xcb_window_t> FindClients(const std::vector<xcb_window_t>& tops);
  std::vector<WindowRecord> ReadProperties(const std::vector<xcb_window_t>& windows);
  void ReadMissingProcessIds(std::vector<WindowRecord>& records);

  xcb_get_property_cookie_t AskProperty(xcb_window_t window, xcb_atom_t property,
                                        xcb_atom_t type, std::uint32_t longs) {
    return xcb_get_property(c_, 0, window, property, type, 0, longs);
  }

  xcb_connection_t* c_;
  Atoms atoms_;
};

std::vector<WindowRecord> Snapshot::Take(xcb_window_t root) {
  // The extension's presence comes back with the atoms, in the same trip.
  xcb_prefetch_extension_data(c_, &xcb_res_id);
  static constexpr std::string_view kNames[] = {"WM_STATE", "_NET_WM_NAME", "UTF8_STRING",
                                                "_NET_WM_PID"};
  xcb_atom_t* targets[] = {&atoms_.wm_state, &atoms_.net_wm_name, &atoms_.utf8_string,
                           &atoms_.net_wm_pid};
  xcb_intern_atom_cookie_t cookies[std::size(kNames)];
  // only_if_exists: reading the desktop must not create atoms on it.
  for (std::size_t i = 0; i < std::size(kNames); ++i) {
    cookies[i] = xcb_intern_atom(c_, 1, static_cast<std::uint16_t>(kNames[i].size()),
                                 kNames[i].data());
  }
  for (std::size_t i = 0; i < std::size(kNames); ++i) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c_, cookies[i], nullptr));
    if (reply) *targets[i] = reply->atom;
  }
  CheckConnection();

  std::vector<WindowRecord> records = ReadProperties(FindClients(TopLevels(root)));
  ReadMissingProcessIds(records);
  return records;
}

std::vector<xcb_window_t> Snapshot::TopLevels(xcb_window_t root) {
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, root), nullptr));
  CheckConnection();
  if (!tree) return {};
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int count = xcb_query_tree_children_length(tree.get());
  // The server lists the root's children bottom first; the walk goes top first.
  return std::vector<xcb_window_t>(std::make_reverse_iterator(children + count),
                                   std::make_reverse_iterator(children));
}

// For each top-level window, the client inside it: the first window that
// carries WM_STATE in breadth-first order, topmost first within a level,
// down to kClientSearchDepth levels and kClientSearchLimit windows; the
// top-level window itself when none does; 0 when the top-level window is
// gone. Each round asks about a few more windows of every unfinished search,
// four times as many as the round before: a frame's client is usually its
// topmost child, found in the second round.
std::vector<xcb_window_t> Snapshot::FindClients(const std::vector<xcb_window_t>& tops) {
  struct Search {
    std::vector<xcb_window_t> queue;  // windows in the order they are examined
    std::vector<int> depths;
    std::size_t next = 0;             // the first window not yet asked about
    xcb_window_t client = XCB_WINDOW_NONE;
    bool done = false;
  };
  std::vector<Search> searches(tops.size());
  for (std::size_t i = 0; i < tops.size(); ++i) {
    searches[i].queue = {tops[i]};
    searches[i].depths = {0};
    searches[i].client = tops[i];
    // Without WM_STATE on the server no window carries it.
    searches[i].done = atoms_.wm_state == XCB_ATOM_NONE;
  }

  struct Ask {
    xcb_get_property_cookie_t state;
    xcb_query_tree_cookie_t tree;
  };
  std::vector<Ask> asks;
  for (std::size_t budget = 1; ; budget *= 4) {
    asks.clear();
    for (Search& search : searches) {
      if (search.done) continue;
      const std::size_t end = std::min(search.queue.size(), search.next + budget);
      for (std::size_t k = search.next; k < end; ++k) {
        // The children are asked for at once, in case the window lacks WM_STATE.
        const bool descend = search.depths[k] < kClientSearchDepth;
        asks.push_back({AskProperty(search.queue[k], atoms_.wm_state, XCB_ATOM_ANY, 0),
                        descend ? xcb_query_tree(c_, search.queue[k]) : xcb_query_tree_cookie_t{}});
      }
    }
    if (asks.empty()) break;
    std::size_t reply_index = 0;
    for (Search& search : searches) {
      if (search.done) continue;
      const std::size_t end = std::min(search.queue.size(), search.next + budget);
      for (std::size_t k = search.next; k < end; ++k) {
        const Ask& ask = asks[reply_index++];
        const bool descend = search.depths[k] < kClientSearchDepth;
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_get_property_reply_t> state(xcb_get_property_reply(c_, ask.state, &error));
        std::free(error);
        Reply<xcb_query_tree_reply_t> tree;
        if (descend) tree.reset(xcb_query_tree_reply(c_, ask.tree, nullptr));
        if (search.done) continue;  // every answer is read, so none stays queued
        if (!state) {
          // A window gone since it was listed: the top-level one is left out.
          if (k == 0) {
            search.client = XCB_WINDOW_NONE;
            search.done = true;
          }
        } else if (state->type != XCB_ATOM_NONE) {
          search.client = search.queue[k];
          search.done = true;
        } else if (tree) {
          const xcb_window_t* children = xcb_query_tree_children(tree.get());
          for (int n = xcb_query_tree_children_length(tree.get()); n > 0; --n) {
            if (search.queue.size() >= kClientSearchLimit) break;
            search.queue.push_back(children[n - 1]);
            search.depths.push_back(search.depths[k] + 1);
          }
        }
      }
      search.next = end;
      if (search.next == search.queue.size()) search.done = true;
    }
    CheckConnection();
  }

  std::vector<xcb_window_t> clients;
  clients.reserve(searches.size());
  for (const Search& search : searches) clients.push_back(search.client);
  return clients;
}

std::string PropertyText(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 8) return {};
  return std::string(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
}

std::uint32_t PropertyNumber(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 32 || reply->value_len < 1) return 0;
  std::uint32_t value;
  std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
  return value;
}

std::vector<WindowRecord> Snapshot::ReadProperties(const std::vector<xcb_window_t>& windows) {
  struct Ask {
    xcb_window_t window;
    xcb_get_property_cookie_t net_name, name, klass, pid, transient_for;
  };
  std::vector<Ask> asks;
  asks.reserve(windows.size());
  const bool has_net_name = atoms_.net_wm_name != XCB_ATOM_NONE && atoms_.utf8_string != XCB_ATOM_NONE;
  const bool has_pid = atoms_.net_wm_pid != XCB_ATOM_NONE;
  for (xcb_window_t window : windows) {
    if (window == XCB_WINDOW_NONE) continue;
    Ask ask{};
    ask.window = window;
    if (has_net_name) ask.net_name = AskProperty(window, atoms_.net_wm_name, atoms_.utf8_string, kTextLongs);
    ask.name = AskProperty(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, kTextLongs);
    ask.klass = AskProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, kTextLongs);
    if (has_pid) ask.pid = AskProperty(window, atoms_.net_wm_pid, XCB_ATOM_CARDINAL, 1);
    ask.transient_for = AskProperty(window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
    asks.push_back(ask);
  }

  std::vector<WindowRecord> records;
  records.reserve(asks.size());
  for (const Ask& ask : asks) {
    // Every answer is read, so none is left queued; a window whose
    // properties could not be read has gone and is left out.
    bool gone = false;
    auto read = [&](xcb_get_property_cookie_t cookie, bool asked) {
      if (!asked) return Reply<xcb_get_property_reply_t>();
      xcb_generic_error_t* error = nullptr;
      Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c_, cookie, &error));
      if (!reply) gone = true;
      std::free(error);
      return reply;
    };
    const auto net_name = read(ask.net_name, has_net_name);
    const auto name = read(ask.name, true);
    const auto klass = read(ask.klass, true);
    const auto pid = read(ask.pid, has_pid);
    const auto transient_for = read(ask.transient_for, true);
    if (gone) continue;

    WindowRecord record;
    record.handle = ask.window;
    record.title = UpToNul(PropertyText(net_name.get()));
    if (record.title.empty()) {
      const std::string text(UpToNul(PropertyText(name.get())));
      record.title = name->type == atoms_.utf8_string ? text : Latin1ToUtf8(text);
    }
    record.class_name = ClassPart(PropertyText(klass.get()));
    record.process_id = PropertyNumber(pid.get());
    record.parent = PropertyNumber(transient_for.get());
    records.push_back(std::move(record));
  }
  CheckConnection();
  return records;
}

// The X-Resource extension names the process of a window's client when the
// window does not state it itself. One request asks for many windows: the
// server answers once per client, naming it by the base of its ids.
void Snapshot::ReadMissingProcessIds(std::vector<WindowRecord>& records) {
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c_, &xcb_res_id);
  if (extension == nullptr || !extension->present) return;
  const std::uint32_t client_bits = ~xcb_get_setup(c_)->resource_id_mask;
  std::vector<xcb_res_client_id_spec_t> wanted;
  for (const WindowRecord& record : records) {
    if (record.process_id == 0) wanted.push_back({record.handle, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
  }
  // Kept well below the longest request a server must take.
  constexpr std::size_t kPerRequest = 4096;
  std::vector<xcb_res_query_client_ids_cookie_t> cookies;
  for (std::size_t i = 0; i < wanted.size(); i += kPerRequest) {
    const auto count = static_cast<std::uint32_t>(std::min(kPerRequest, wanted.size() - i));
    cookies.push_back(xcb_res_query_client_ids(c_, count, wanted.data() + i));
  }
  std::unordered_map<std::uint32_t, std::uint32_t> client_pids;
  for (const xcb_res_query_client_ids_cookie_t& cookie : cookies) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_res_query_client_ids_reply_t> reply(
        xcb_res_query_client_ids_reply(c_, cookie, &error));
    std::free(error);
    if (!reply) continue;
    for (auto ids = xcb_res_query_client_ids_ids_iterator(reply.get()); ids.rem > 0;
         xcb_res_client_id_value_next(&ids)) {
      const auto& [id, length] = *ids.data;  // the client's id base, and what is asked of it
      if ((id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 && length >= 4) {
        client_pids[id.client & client_bits] = *xcb_res_client_id_value_value(ids.data);
      }
    }
  }
  CheckConnection();
  for (WindowRecord& record : records) {
    if (record.process_id != 0) continue;
    const auto pid = client_pids.find(record.handle & client_bits);
    if (pid != client_pids.end()) record.process_id = pid->second;
  }
}

class X11WindowManager : public WindowManager {
 public:
  ~X11WindowManager() override {
    if (connection_ != nullptr) xcb_disconnect(connection_);
  }

  WindowHandle FindWindowA(const char* class_name, const char* window_name) override {
    // Only the walk's start, with no names, is served.
    if (class_name != nullptr || window_name != nullptr) return 0;
    if (connection_ == nullptr) Connect();
    table_.Assign(Snapshot(connection_).Take(root_));
    return table_.First();
  }

  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override {
    return command == kGwHwndNext ? table_.Next(window) : 0;
  }

  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override {
    return table_.Title(window, buffer, max_count);
  }

  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override {
    return table_.ClassName(window, buffer, max_count);
  }

  std::uint32_t GetWindowThreadProcessId(WindowHandle window,
                                         std::uint32_t* process_id) override {
    return table_.ThreadProcessId(window, process_id);
  }

  WindowHandle GetParent(WindowHandle window) override { return table_.Parent(window); }

 private:
  void Connect() {
    int screen_number = 0;
    connection_ = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(connection_)) EndWithoutDisplay("cannot open display ");
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) EndWithoutDisplay("cannot open display ");
    root_ = screens.data->root;
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_WINDOW_NONE;
  WindowTable table_;
};

}  // namespace

std::unique_ptr<WindowManager> NewX11WindowManager() {
  return std::make_unique<X11WindowManager>();
}

}  // namespace brisquel
