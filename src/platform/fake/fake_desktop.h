// An in-memory desktop for tests: an ordered list of top-level windows,
// served through the shared window table, with faults injected on request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_table.h"

namespace brisquel {

struct FakeWindow {
  WindowHandle handle = 0;
  std::string title;
  std::string class_name;
  std::uint32_t thread = 0;
  std::uint32_t process = 0;
  WindowHandle parent = 0;
  // The title as GetWindowTextW gives it; empty: title widened (WidenBytes).
  std::u16string wide_title = {};  // initialised, so that brace lists may leave it out
};

class FakeDesktop : public TableWindowManager {
 public:
  std::vector<FakeWindow> windows;

  int fail_get_window_at = 0;        // the k-th GetWindow call returns 0
  WindowHandle fail_class_of = 0;    // GetClassNameA fails for this window
  WindowHandle fail_ids_of = 0;      // GetWindowThreadProcessId fails for this window
  WindowHandle destroy_at_visit = 0; // destroyed when the walk reaches it (its calls then fail)
  bool display_unreachable = false;  // FindWindowA ends the run as a backend whose display is gone
  bool partial_view = false;         // the walk sees part of the desktop, as a backend that says so

  // Every call made, e.g. "Find", "Next 5", "Text 5"; for order checks.
  std::vector<std::string> calls;
  bool record_calls = true;

  WindowHandle FindWindowA(const char* class_name, const char* window_name) override;
  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override;
  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override;
  int GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) override;
  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override;
  std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) override;
  WindowHandle GetParent(WindowHandle window) override;

 protected:
  void ReadDesktop(WindowTable& table) override;

 private:
  bool Destroyed(WindowHandle window) const;
  // Marks window destroyed when it is the one to destroy at its visit.
  WindowHandle Visit(WindowHandle window);
  void Record(const char* call, WindowHandle window);
  int get_window_calls_ = 0;
  std::vector<WindowHandle> destroyed_;
};

}  // namespace brisquel
