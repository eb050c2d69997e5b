// Which search the tools run and how: passed in, so that a faster search giving the same
// values can stand in for the reference one.
#pragma once

#include <functional>

#include "computer/search.h"
#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

struct SearchOptions {
    int level = 1;
    int threads = 1;  // for a search that can use them; the reference runs on one
    RootSearch search = SearchRootValues;
};

}  // namespace orbel
