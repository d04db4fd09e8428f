// The program's entry: the services the build chose, then the program.
#include <memory>
#include <new>

#include "app/brisquel.h"
#include "platform/process.h"
#include "platform/window_manager.h"

int main(int argc, char** argv) {
  std::unique_ptr<brisquel::ProcessServices> process;
  std::unique_ptr<brisquel::WindowManager> windows;
  try {
    process = brisquel::NewDefaultProcessServices(argc, argv);
    windows = brisquel::NewDefaultWindowManager();
  } catch (const std::bad_alloc&) {
    brisquel::EndBeforeStartUp(203);  // out of memory before the runtime could start
  }
  brisquel::RunProgram(*process, *windows);
}
