// The Linux program: POSIX process services and the X11 window manager.
#include <memory>
#include <new>

#include "app/brisquel.h"
#include "platform/posix/posix_process.h"
#include "platform/x11/x11_window_manager.h"

int main(int argc, char** argv) {
  std::unique_ptr<brisquel::ProcessServices> process;
  std::unique_ptr<brisquel::WindowManager> windows;
  try {
    process = brisquel::NewPosixProcessServices(argc, argv);
    windows = brisquel::NewX11WindowManager();
  } catch (const std::bad_alloc&) {
    brisquel::EndBeforeStartUp(203);  // out of memory before the runtime could start
  }
  brisquel::RunProgram(*process, *windows);
}
