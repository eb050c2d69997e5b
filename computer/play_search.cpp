#include "computer/play_search.h"

#include "computer/fast_search.h"

namespace orbel {

bool PlaySearch(BoardState& b, SearchTables& t, SearchRun& run) {
    static FastSearch search;
    return search.RootValues(b, t, run);
}

}  // namespace orbel
