// The moves of a game as (placement cell, moved-to cell) pairs.
#pragma once

namespace orbel {

// The push direction of a recorded pair on an n x n board: +1 right, -1 left, +n down,
// -n up. The remainder takes the sign of the difference, as integer division truncates.
int DirectionFromCells(int n, int placed, int moved);

}  // namespace orbel
