// The program's entry: the services the build chose, then the program.
#include <memory>
#include <new>

#include "app/brisquel.h"
#include "platform/process.h"
#include "platform/window_manager.h"

namespace {

// Memory that runs out before the runtime has started ends the run with
// runtime error 203, with no throw: on an empty heap the throw itself
// could not be made. StartRuntime installs the reporting handler.
void EndWithRuntimeError203() { brisquel::EndBeforeStartUp(203); }

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<brisquel::ProcessServices> process;
  std::unique_ptr<brisquel::WindowManager> windows;
  std::set_new_handler(EndWithRuntimeError203);
  try {
    process = brisquel::NewDefaultProcessServices(argc, argv);
    windows = brisquel::NewDefaultWindowManager();
  } catch (const std::bad_alloc&) {
    brisquel::EndBeforeStartUp(203);  // out of memory before the runtime could start
  }
  brisquel::RunProgram(*process, *windows);
}
