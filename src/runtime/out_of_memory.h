// What happens when a memory request cannot be met once the runtime has
// started. The report must not need memory itself: no exception is thrown
// for it, and every allocation the failure machinery makes on its first
// use is made at start-up.
#pragma once

namespace brisquel {

// Called by StartRuntime once the out-of-memory record exists: from then
// on an exhausted memory request is reported as that record with no throw.
// A C++ runtime that makes the state of its first throw from the heap is
// warmed up by its process services when they install the fault handler.
void PrepareFailurePath();

}  // namespace brisquel
