// The analysis benchmark: how long the analysis takes a person to wait for.
#pragma once

#include <ostream>

namespace orbel {

// The deepest level of the analysis bench's Deepen runs unless told.
constexpr int kAnalysisBenchLevel = 7;

// Deepens levels 1 to `deepest` on the last 9 x 9 and the last 17 x 17 middle game of the
// bench positions, once with every candidate's value exact and once with only the best
// exact, each on a new analyser, and times the lines the search expects at that level and
// a step back from the game's end to its start; then reviews the whole 13 x 13 bench game
// at the review level. Prints a line for each level and each run. False if the rules
// refuse a position.
bool RunAnalysisBench(int deepest, int threads, std::ostream& out);

}  // namespace orbel
