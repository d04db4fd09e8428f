// The columns of UTF-8 text on a terminal, by the character widths of the
// Unicode Character Database.
#pragma once

#include "base/text_columns.h"

namespace brisquel {

// East Asian wide and fullwidth characters take two columns, combining
// marks and zero-width characters none, every other character one (a
// control character too, the bidirectional overrides and isolates among
// them: a terminal is shown '?' for it). A byte that begins no valid UTF-8
// sequence counts one column.
const TextColumns& Utf8Columns();

}  // namespace brisquel
