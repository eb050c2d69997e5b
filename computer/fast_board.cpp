#include "computer/fast_board.h"

namespace orbel {

void FastBoard::Load(const BoardState& b) {
    n = b.BoardSize;
    side = b.SideToMove == Blue ? kBlueSide : kRedSide;
    pairsCount = b.MoveNumber > 4;
    *this = FastBoard{n, side, pairsCount};
    hash = fast::kKeys.setting[n][pairsCount ? 1 : 0] ^ (side == kRedSide ? fast::kKeys.side : 0);
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column) {
            const int v = b.Board[row * n + column + 1];
            if (v != Empty) Toggle(row, column, v == Blue ? kBlueSide : kRedSide);
        }
    Recompute();
}

void FastBoard::Recompute() {
    int unordered[2] = {0, 0};
    for (int axis = 0; axis < 2; ++axis)
        for (int c = 0; c < 2; ++c)
            for (int line = 0; line < n; ++line) {
                const uint32_t x = lines[axis][c][line];
                unordered[c] += std::popcount(x & (x >> 1));
            }
    pairs = 2 * (unordered[kBlueSide] - unordered[kRedSide]);

    bool anyFive = false;
    for (int axis = 0; axis < 2; ++axis)
        for (int c = 0; c < 2; ++c)
            for (int line = 0; line < n; ++line) anyFive |= fast::Fives(lines[axis][c][line]) != 0;
    for (int d = 0; d < 2 * n - 1; ++d)
        anyFive |= (fast::Fives(diagonal[d]) | fast::Fives(antiDiagonal[d])) != 0;
    quiet = !anyFive;
}

bool FastBoard::MoveFromCode(int code, FastMove& m) const {
    const int cell = code / 5 - 1;
    if (cell < 0 || cell >= n * n) return false;
    const int row = cell / n;
    const int column = cell % n;
    const int half = code % 5;
    const bool alongRow = half == 2 || half == 3;
    const int axis = alongRow ? kAlongRow : kAlongColumn;
    const int line = alongRow ? row : column;
    const int placement = alongRow ? column : row;
    const bool forward = half == 3 || half == 1;
    if (line < 1 || line > n - 2) return false;
    const uint32_t occupied = lines[axis][kBlueSide][line] | lines[axis][kRedSide][line];
    if ((occupied >> placement) & 1) return false;
    const int target = forward ? placement + 1 : placement - 1;
    if (target < 1 || target > n - 2 || !((occupied >> target) & 1)) return false;
    int first = target;
    int last = target;
    if (forward)
        last = target + fast::OnesUp(occupied, target) - 1;
    else
        first = target - fast::OnesDown(occupied, target) + 1;
    if (forward ? last >= n - 2 : first <= 1) return false;
    m.code = static_cast<int16_t>(code);
    m.axis = static_cast<uint8_t>(axis);
    m.line = static_cast<uint8_t>(line);
    m.first = static_cast<uint8_t>(first);
    m.last = static_cast<uint8_t>(last);
    m.forward = forward;
    return true;
}

}  // namespace orbel
