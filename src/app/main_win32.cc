// The Windows program: the Win32 backends under the one program.
#include "app/brisquel.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_window_manager.h"

int main() {
  static brisquel::Win32Process process;
  static brisquel::Win32WindowManager windows;
  brisquel::RunProgram(process, windows);
}
