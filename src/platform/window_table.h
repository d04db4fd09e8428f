// The desktop as the window calls see it, for every backend that reads its
// whole desktop at once: the top-level windows in walk order, with what
// the calls report about each. A backend fills the table at each walk's
// start (TableWindowManager::ReadDesktop), either with every record at
// once or with the windows alone and a loader that reads their records a
// batch at a time as the walk reaches them, so that memory is bounded by
// the batch, not by the desktop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_manager.h"

namespace brisquel {

// One top-level window as the window calls report it. process_id 0 means
// unknown; parent 0 means none; handle 0 marks a window that has gone.
// thread_id is left unset where the desktop names no thread (X, Wayland,
// KDE, GNOME): the process id stands for it. wide_title is the title as
// GetWindowTextW gives it, where title is in an ANSI code page that may
// have lost characters; empty where title is UTF-8, which then answers for
// it.
struct WindowRecord {
  WindowHandle handle = 0;
  std::string title;
  std::string class_name;
  std::uint32_t process_id = 0;
  WindowHandle parent = 0;
  std::optional<std::uint32_t> thread_id = std::nullopt;
  std::u16string wide_title = {};  // initialised, so that brace lists may leave it out
};

// Reads the records of windows, one per window in the same order.
using RecordLoader = std::function<std::vector<WindowRecord>(std::span<const WindowHandle>)>;

// Answers the per-window calls with the results the window-manager seam
// gives for them; an unknown or vanished handle fails each call.
class WindowTable {
 public:
  // Replaces the table with records, in walk order. A handle that occurs
  // twice keeps its first place, so that the walk always ends; a record
  // with handle 0 is left out.
  void Assign(std::vector<WindowRecord> records);

  // Replaces the table with windows in walk order, whose records load
  // reads, at most batch windows a call, when the walk or a call reaches
  // them. Repeated handles as for Assign; a window load marks gone is
  // skipped.
  void AssignLazily(std::vector<WindowHandle> windows, std::size_t batch, RecordLoader load);

  // The first window, or 0 when there is none.
  WindowHandle First();
  // The window after window in walk order; 0 at the end or when unknown.
  WindowHandle Next(WindowHandle window);

  int Title(WindowHandle window, char* buffer, int max_count);
  // The title in UTF-16: the record's wide_title, else its title read as
  // UTF-8.
  int WideTitle(WindowHandle window, char16_t* buffer, int max_count);
  int ClassName(WindowHandle window, char* buffer, int max_count);
  // The thread id (the process id where the desktop names no thread), with
  // the process id stored; 0 and nothing stored when the window or its
  // process is unknown.
  std::uint32_t ThreadProcessId(WindowHandle window, std::uint32_t* process_id);
  WindowHandle Parent(WindowHandle window);

 private:
  // Sets the walk order; returns, for each of windows, whether it was kept.
  std::vector<bool> SetOrder(std::vector<WindowHandle> windows);
  void SortPlaces();
  // The place of window in the walk, or kNowhere.
  std::size_t PlaceOf(WindowHandle window);
  // The record at place, read with its batch when not at hand.
  const WindowRecord& At(std::size_t place);
  const WindowRecord* Find(WindowHandle window);
  WindowHandle LiveFrom(std::size_t place);

  std::vector<WindowHandle> order_;
  std::vector<std::pair<WindowHandle, std::uint32_t>> sorted_;  // handle, place; made when needed
  std::size_t last_ = 0;  // the place last asked about
  std::vector<WindowRecord> loaded_;  // the records of places first_ onwards
  std::size_t first_ = 0;
  std::size_t batch_ = 0;
  RecordLoader load_;
};

// Serves the six window calls from a WindowTable that the backend fills at
// the start of each walk: a backend that reads its whole desktop at once
// provides ReadDesktop and nothing else.
class TableWindowManager : public WindowManager {
 public:
  // Only the walk's start, with both names null, is served: it reads the
  // desktop afresh.
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override;
  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override;
  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override;
  int GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) override;
  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override;
  std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) override;
  WindowHandle GetParent(WindowHandle window) override;
  bool SawWholeDesktop() override { return whole_; }

 protected:
  // Fills table with the desktop as it is now. A display that cannot be
  // reached ends the run (platform/display_failure.h).
  virtual void ReadDesktop(WindowTable& table) = 0;

  // For ReadDesktop: the table holds only part of the desktop, as the line
  // NotePartialView (platform/display_failure.h) wrote says.
  void MarkPartial() { whole_ = false; }

 private:
  WindowTable table_;
  bool whole_ = true;
};

// Forwards every call to a target manager, so that a class that changes one
// call overrides that one alone. Before a target is set every call fails.
class WindowManagerWrapper : public WindowManager {
 public:
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override;
  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override;
  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override;
  int GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) override;
  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override;
  std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) override;
  WindowHandle GetParent(WindowHandle window) override;
  bool SawWholeDesktop() override;

 protected:
  WindowManager* Target() const { return target_.get(); }
  void SetTarget(std::unique_ptr<WindowManager> target) { target_ = std::move(target); }

 private:
  std::unique_ptr<WindowManager> target_;
};

}  // namespace brisquel
