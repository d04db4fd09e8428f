// The Linux program: POSIX process services and the X11 window manager.
#include "app/brisquel.h"
#include "platform/posix/posix_process.h"
#include "platform/x11/x11_window_manager.h"

int main(int argc, char** argv) {
  auto process = brisquel::NewPosixProcessServices(argc, argv);
  auto windows = brisquel::NewX11WindowManager();
  brisquel::RunProgram(*process, *windows);
}
