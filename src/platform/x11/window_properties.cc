// A batch of windows' details in two passes of pipelined requests. The
// first asks every window for _NET_WM_NAME, WM_CLASS and WM_TRANSIENT_FOR,
// and the server (X-Resource) for the processes of the windows' clients:
// the host's own record, right even for a client in a container. The
// second asks WM_NAME only of the windows without _NET_WM_NAME, and
// _NET_WM_PID only of those whose process the server could not name.
// Windows of a client that titles its windows in WM_NAME alone (an older
// toolkit does so for all of them) are asked for WM_NAME in the first pass
// once one of its windows has shown it, so that later batches of such a
// desktop need no second pass.

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/x11/desktop_reader.h"

namespace brisquel {
namespace {

// Titles and class names are read up to their first 512 bytes, which keeps
// a batch's replies small however long the titles are. The program shows
// at most 254 bytes of each, and UTF-8 and Latin-1 text never shrinks in
// conversion, so the cut is never seen (compound text of wide characters
// shown as '?' may come out shorter than it would whole).
constexpr std::uint32_t kTextLongs = 128;

std::string_view PropertyBytes(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 8) return {};
  return {static_cast<const char*>(xcb_get_property_value(reply)),
          static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

std::uint32_t PropertyNumber(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 32 || reply->value_len < 1) return 0;
  std::uint32_t value;
  std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
  return value;
}

xcb_get_property_cookie_t AskText(xcb_connection_t* c, WindowHandle window, xcb_atom_t property) {
  return xcb_get_property(c, 0, window, property, XCB_ATOM_ANY, 0, kTextLongs);
}

}  // namespace

TextEncoding DesktopReader::EncodingOf(xcb_atom_t type) const {
  if (type == atoms_.utf8_string && type != XCB_ATOM_NONE) return TextEncoding::kUtf8;
  if (type == atoms_.compound_text && type != XCB_ATOM_NONE) return TextEncoding::kCompoundText;
  return TextEncoding::kLatin1;
}

std::vector<WindowRecord> DesktopReader::ReadRecords(std::span<const WindowHandle> windows) {
  std::vector<WindowRecord> records(windows.size());
  for (std::size_t i = 0; i < windows.size(); ++i) records[i].handle = windows[i];
  const std::vector<bool> name_read = ReadFirstPass(windows, records);
  ReadSecondPass(records, name_read);
  return records;
}

std::vector<bool> DesktopReader::ReadFirstPass(std::span<const WindowHandle> windows,
                                               std::vector<WindowRecord>& records) {
  xcb_connection_t* c = connection_.get();
  struct Ask {
    xcb_get_property_cookie_t net_name, klass, transient_for, name;
    bool name_asked;
  };
  std::vector<Ask> asks;
  asks.reserve(windows.size());
  const bool has_net_name = atoms_.net_wm_name != XCB_ATOM_NONE;
  const std::uint32_t client_bits = ~xcb_get_setup(c)->resource_id_mask;
  for (WindowHandle window : windows) {
    Ask ask{};
    if (has_net_name) ask.net_name = AskText(c, window, atoms_.net_wm_name);
    ask.klass = AskText(c, window, XCB_ATOM_WM_CLASS);
    ask.transient_for = xcb_get_property(c, 0, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1);
    ask.name_asked = std::binary_search(wm_name_clients_.begin(), wm_name_clients_.end(), window & client_bits);
    if (ask.name_asked) ask.name = AskText(c, window, XCB_ATOM_WM_NAME);
    asks.push_back(ask);
  }
  std::vector<std::uint32_t> learned;  // clients seen titling in WM_NAME alone
  std::vector<bool> name_read(windows.size());
  ReadServerProcessIds(records);  // sends its request with these, and flushes
  for (std::size_t i = 0; i < asks.size(); ++i) {
    // Every answer is read, so none is left queued; a window whose
    // properties could not be read has gone.
    WindowRecord& record = records[i];
    Reply<xcb_get_property_reply_t> net_name;
    if (has_net_name) net_name = connection_.Await<xcb_get_property_reply_t>(asks[i].net_name);
    const auto klass = connection_.Await<xcb_get_property_reply_t>(asks[i].klass);
    const auto transient_for = connection_.Await<xcb_get_property_reply_t>(asks[i].transient_for);
    Reply<xcb_get_property_reply_t> name;
    if (asks[i].name_asked) name = connection_.Await<xcb_get_property_reply_t>(asks[i].name);
    if ((has_net_name && !net_name) || !klass || !transient_for || (asks[i].name_asked && !name)) {
      record.handle = 0;
      continue;
    }
    if (net_name) record.title = TextToUtf8(EncodingOf(net_name->type), UpToNul(PropertyBytes(net_name.get())));
    if (record.title.empty()) {
      if (name) {
        record.title = TextToUtf8(EncodingOf(name->type), UpToNul(PropertyBytes(name.get())));
        name_read[i] = true;
      } else {
        learned.push_back(record.handle & client_bits);
      }
    }
    record.class_name = TextToUtf8(EncodingOf(klass->type), ClassPart(PropertyBytes(klass.get())));
    record.parent = PropertyNumber(transient_for.get());
  }
  if (learned.empty()) return name_read;
  wm_name_clients_.insert(wm_name_clients_.end(), learned.begin(), learned.end());
  std::sort(wm_name_clients_.begin(), wm_name_clients_.end());
  wm_name_clients_.erase(std::unique(wm_name_clients_.begin(), wm_name_clients_.end()), wm_name_clients_.end());
  return name_read;
}

// One request names the processes of the clients of all the batch's
// windows; the server answers once per client, naming it by the base of its
// ids. A server that cannot tell leaves the process ids to _NET_WM_PID.
void DesktopReader::ReadServerProcessIds(std::vector<WindowRecord>& records) {
  xcb_connection_t* c = connection_.get();
  if (!has_resource_ || records.empty()) {
    connection_.Flush();
    return;
  }
  std::vector<xcb_res_client_id_spec_t> wanted;
  wanted.reserve(records.size());
  for (const WindowRecord& record : records) {
    wanted.push_back({record.handle, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
  }
  const auto cookie = xcb_res_query_client_ids(c, static_cast<std::uint32_t>(wanted.size()), wanted.data());
  connection_.Flush();
  const auto reply = connection_.Await<xcb_res_query_client_ids_reply_t>(cookie, true);
  if (!reply) return;
  const std::uint32_t client_bits = ~xcb_get_setup(c)->resource_id_mask;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pids;  // client's id base, pid
  for (auto ids = xcb_res_query_client_ids_ids_iterator(reply.get()); ids.rem > 0;
       xcb_res_client_id_value_next(&ids)) {
    const auto& [id, length] = *ids.data;
    if ((id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 && length >= 4) {
      pids.emplace_back(id.client & client_bits, *xcb_res_client_id_value_value(ids.data));
    }
  }
  std::sort(pids.begin(), pids.end());
  for (WindowRecord& record : records) {
    const std::uint32_t base = record.handle & client_bits;
    const auto found = std::lower_bound(pids.begin(), pids.end(), std::make_pair(base, std::uint32_t{0}));
    if (found != pids.end() && found->first == base) record.process_id = found->second;
  }
}

void DesktopReader::ReadSecondPass(std::vector<WindowRecord>& records, const std::vector<bool>& name_read) {
  xcb_connection_t* c = connection_.get();
  struct Ask {
    std::size_t record;
    bool name, pid;
    xcb_get_property_cookie_t name_cookie, pid_cookie;
  };
  std::vector<Ask> asks;
  const bool has_pid = atoms_.net_wm_pid != XCB_ATOM_NONE;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const WindowRecord& record = records[i];
    if (record.handle == 0) continue;
    Ask ask{i, record.title.empty() && !name_read[i], has_pid && record.process_id == 0, {}, {}};
    if (ask.name) ask.name_cookie = AskText(c, record.handle, XCB_ATOM_WM_NAME);
    if (ask.pid) ask.pid_cookie = xcb_get_property(c, 0, record.handle, atoms_.net_wm_pid, XCB_ATOM_CARDINAL, 0, 1);
    if (ask.name || ask.pid) asks.push_back(ask);
  }
  if (asks.empty()) return;
  connection_.Flush();
  for (const Ask& ask : asks) {
    WindowRecord& record = records[ask.record];
    Reply<xcb_get_property_reply_t> name, pid;
    if (ask.name) name = connection_.Await<xcb_get_property_reply_t>(ask.name_cookie);
    if (ask.pid) pid = connection_.Await<xcb_get_property_reply_t>(ask.pid_cookie);
    if ((ask.name && !name) || (ask.pid && !pid)) {
      record.handle = 0;
      continue;
    }
    if (name) record.title = TextToUtf8(EncodingOf(name->type), UpToNul(PropertyBytes(name.get())));
    if (pid) record.process_id = PropertyNumber(pid.get());
  }
}

}  // namespace brisquel
