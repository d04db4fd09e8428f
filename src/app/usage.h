// The usage text, shown for any option the program does not know.
#pragma once

namespace brisquel {

void Usage();

}  // namespace brisquel
