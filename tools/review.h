// orbelfive-cli review: every completed move of a game record, valued at a level.
#pragma once

#include <string>

#include "computer/analysis.h"

namespace orbel {

// The level `orbelfive-cli review` searches at unless told: Expert, five plies. A whole
// 13 x 13 game takes well under a second there.
constexpr int kReviewLevel = 5;

// One reviewed move as one JSON object on one line, values as FormatTenths writes them.
std::string ReviewedMoveJson(const ReviewedMove& move, int level);

}  // namespace orbel
