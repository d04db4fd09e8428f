#include "runtime/out_of_memory.h"

#include <new>

#include "runtime/failure_kinds.h"
#include "runtime/failure_report.h"

namespace brisquel {
namespace {

// Ends the process, so operator new never gets to throw std::bad_alloc:
// throwing needs memory of its own (the exception object, and on some
// runtimes thread-local storage made on first use).
void ReportOutOfMemory() { ReportFailure(OutOfMemoryRecord(), 0); }

}  // namespace

void PrepareFailurePath() { std::set_new_handler(ReportOutOfMemory); }

}  // namespace brisquel
