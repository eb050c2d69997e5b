#include "records/history.h"

#include "engine/board.h"

namespace orbel {

int DirectionFromCells(int n, int placed, int moved) {
    const int d = moved - placed;
    const int dx = d % n;
    const int dy = d / n;
    int direction = 0;
    if (dy == 0 && dx > 0) direction = kRight;
    if (dy == 0 && dx < 0) direction = kLeft;
    if (dy > 0) direction = kDown;
    if (dy < 0) direction = kUp;
    return direction;
}

}  // namespace orbel
