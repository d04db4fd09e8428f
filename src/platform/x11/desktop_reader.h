// Reads an X desktop over a display connection: which windows are the
// top-level ones in stacking order, and their details a batch at a time.
// Included by the X11 backend's files only.
#pragma once

#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/window_table.h"
#include "platform/x11/display_connection.h"
#include "platform/x11/x11_text.h"

namespace brisquel {

// Windows whose requests are in flight together: a few thousand requests,
// so that a batch costs two round trips and its replies little memory.
inline constexpr std::size_t kWindowsPerBatch = 1024;

class DesktopReader {
 public:
  explicit DesktopReader(DisplayConnection& connection) : connection_(connection) {}

  // The top-level windows, topmost first: the root's children, each
  // window-manager frame replaced by the client window inside it. Learns
  // the atoms and extensions that ReadRecords needs.
  std::vector<WindowHandle> TopLevelWindows();

  // The records of windows, in the same order; a window that has gone has
  // handle 0.
  std::vector<WindowRecord> ReadRecords(std::span<const WindowHandle> windows);

 private:
  struct Atoms {
    xcb_atom_t wm_state = XCB_ATOM_NONE;
    xcb_atom_t net_wm_name = XCB_ATOM_NONE;
    xcb_atom_t utf8_string = XCB_ATOM_NONE;
    xcb_atom_t net_wm_pid = XCB_ATOM_NONE;
    xcb_atom_t client_list_stacking = XCB_ATOM_NONE;
    xcb_atom_t compound_text = XCB_ATOM_NONE;
    xcb_atom_t supporting_wm_check = XCB_ATOM_NONE;
    xcb_atom_t mutter_frame_for = XCB_ATOM_NONE;
  };

  // The root's children topmost first; learns the atoms, whether a window
  // manager runs and whether X-Resource is there, in the same round trip.
  std::vector<xcb_window_t> RootChildren();
  // The clients the window manager lists, topmost first; empty when it
  // lists none. Also learns the window manager's check window, or none.
  std::vector<xcb_window_t> ListedClients(xcb_window_t& check);
  // For each listed client, its frame among tops, found from the order
  // alone where the window manager's own windows match its list one to
  // one (tried next to every other window); empty where they do not.
  // sorted_tops is tops in ascending order of id.
  std::vector<xcb_window_t> FramesInListOrder(const std::vector<xcb_window_t>& listed,
                                              const std::vector<xcb_window_t>& tops,
                                              const std::vector<xcb_window_t>& sorted_tops,
                                              xcb_window_t check);
  // For each window, the root's child (one of sorted_tops, the root's
  // children in ascending order of id) it lies in; none when it has gone
  // or lies too deep.
  std::vector<xcb_window_t> FramesOf(const std::vector<xcb_window_t>& windows,
                                     const std::vector<xcb_window_t>& sorted_tops);
  // For each top-level window, the client inside it found by WM_STATE; the
  // window itself when none carries it; none when it has gone.
  std::vector<xcb_window_t> SearchClients(const std::vector<xcb_window_t>& tops);
  // Of windows[places], those that name the client they frame in
  // _MUTTER_FRAME_FOR, each with its client, in ascending order of frame.
  std::vector<std::pair<xcb_window_t, xcb_window_t>> FramedClients(
      const std::vector<xcb_window_t>& windows, const std::vector<std::size_t>& places);
  void SearchBatch(std::span<const xcb_window_t> tops, std::span<xcb_window_t> clients);

  // Says which windows' WM_NAME it has read already.
  std::vector<bool> ReadFirstPass(std::span<const WindowHandle> windows, std::vector<WindowRecord>& records);
  void ReadSecondPass(std::vector<WindowRecord>& records, const std::vector<bool>& name_read);
  void ReadServerProcessIds(std::vector<WindowRecord>& records);
  TextEncoding EncodingOf(xcb_atom_t type) const;

  DisplayConnection& connection_;
  Atoms atoms_;
  bool managed_ = false;      // a window manager holds the root's redirection
  bool has_resource_ = false;  // the server has X-Resource
  // The clients (the base of their ids) with a window titled in WM_NAME
  // alone, in ascending order: their later windows are asked for WM_NAME
  // in the first pass.
  std::vector<std::uint32_t> wm_name_clients_;
};

}  // namespace brisquel
