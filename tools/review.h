// orbelfive-cli review: every completed move of a game record, valued at a level.
#pragma once

#include <string>

#include "computer/analysis.h"

namespace orbel {

// One reviewed move as one JSON object on one line, values as FormatTenths writes them.
std::string ReviewedMoveJson(const ReviewedMove& move, int level);

}  // namespace orbel
