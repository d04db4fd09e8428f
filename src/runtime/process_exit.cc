#include "runtime/process_exit.h"

#include <cstdlib>

#include "runtime/output_channel.h"
#include "runtime/services.h"

namespace brisquel {
namespace {

LostOutputAction lost_output_action = nullptr;

}  // namespace

void OnLostOutput(LostOutputAction action) { lost_output_action = action; }

void EndProcess(std::uint32_t code) {
  std::uint32_t exit_code = code;
  const std::int32_t lost = WriteOutBuffer();
  if (lost != 0) {
    // Output that never arrived must not pass for success.
    if (lost_output_action != nullptr) lost_output_action(lost);
    exit_code = 1;
  }
  Process().ExitProcess(exit_code);
  std::abort();  // ExitProcess does not return
}

}  // namespace brisquel
