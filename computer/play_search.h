// The search the game plays with.
#pragma once

#include "computer/search.h"
#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

// The fast search, set up on first use for as many threads as the machine has, and kept
// for the whole run. Same contract as SearchRootValues; one search at a time.
bool PlaySearch(BoardState& b, SearchTables& t, SearchRun& run);

}  // namespace orbel
