// The response bench: how long the game's computer takes to answer with the analysis window
// open and with it closed.
#pragma once

#include <ostream>

namespace orbel {

// Times the game's computer (one thread per core, a fresh table each time) at `level` on
// every stored middle game, once with nothing else running and once right after stopping
// an analysis as the window runs it: the position deepened towards level 11 and its moves
// reviewed at level 5, each on a thread of its own, stopped (flag and wait) when the
// computer starts. Prints a line a position and the totals; false if the rules refuse a
// position.
bool RunResponseBench(int level, std::ostream& out);

}  // namespace orbel
