// The review bench: how the review's scale reads real games, the facts behind a mistake's
// threshold and the cap of a value.
#pragma once

#include <ostream>

namespace orbel {

// Plays games of the computer against itself at each of levels 3 to 5 and games of random
// moves on every board size, from fixed seeds, to their ends; reviews every move at the
// review level and prints, for each kind of game, how many moves were mistakes and how many
// of the moves' open values lay within half the value cap. False if a review was refused.
bool RunReviewBench(std::ostream& out);

}  // namespace orbel
