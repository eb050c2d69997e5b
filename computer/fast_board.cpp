#include "computer/fast_board.h"

namespace orbel {

void FastBoard::Load(const BoardState& b) {
    *this = FastBoard{};
    n = b.BoardSize;
    side = b.SideToMove == Blue ? kBlueSide : kRedSide;
    pairsCount = b.MoveNumber > 4;
    rowFactor = (1u << 16) / static_cast<uint32_t>(n) + 1;
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

}  // namespace orbel
