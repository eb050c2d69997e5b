#include "engine/board.h"

namespace orbel {

bool IsValidBoardSize(int n) {
    return n >= kSmallestSize && n <= kLargestSize && n % 2 == 1;
}

int CentreCell(int n) {
    return (n * n + 1) / 2;
}

bool IsOnRing(int n, int cell) {
    return cell <= n || cell > n * n - n || cell % n == 1 || cell % n == 0;
}

bool IsCorner(int n, int cell) {
    return cell == 1 || cell == n || cell == n * n - n + 1 || cell == n * n;
}

int StepOf(int n, int direction) {
    switch (direction) {
        case kDown:
            return n;
        case kLeft:
            return -1;
        case kRight:
            return 1;
        default:
            return -n;
    }
}

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

namespace {

// The cell beside `c` toward `k` (2 above, 4 left, 6 right, 8 below); 0 off the board.
int16_t Neighbour(int n, int c, int k) {
    switch (k) {
        case 2:
            return static_cast<int16_t>(c <= n ? 0 : c - n);
        case 4:
            return static_cast<int16_t>(c % n == 1 ? 0 : c - 1);
        case 6:
            return static_cast<int16_t>(c % n == 0 ? 0 : c + 1);
        default:
            return static_cast<int16_t>(c > n * n - n ? 0 : c + n);
    }
}

}  // namespace

void BuildNeighbourTable(BoardState& b) {
    const int n = b.BoardSize;
    for (int c = 1; c <= n * n; ++c)
        for (int k = 2; k <= 8; k += 2) b.NeighbourTable[c][k] = Neighbour(n, c, k);
}

void ClearBoard(BoardState& b) {
    const int n = b.BoardSize;
    // All of it: a game on a smaller board must not keep orbels of a larger one.
    for (int c = 0; c < kBoardEntries; ++c) b.Board[c] = Empty;
    b.Board[CentreCell(n)] = Red;
    b.SideToMove = Blue;
    b.MoveNumber = 1;
}

void StartPosition(BoardState& b, int size) {
    b.BoardSize = static_cast<int16_t>(size);
    ClearBoard(b);
    BuildNeighbourTable(b);
}

bool BoardIsSound(const BoardState& b) {
    const int n = b.BoardSize;
    if (!IsValidBoardSize(n) || b.Board[0] != Empty) return false;
    // A table built for another size, or never built, shows at the first inner cell.
    for (int k = 2; k <= 8; k += 2)
        if (b.NeighbourTable[n + 2][k] != Neighbour(n, n + 2, k)) return false;
    for (int c = 1; c <= n * n; ++c)
        if (IsOnRing(n, c) && b.Board[c] != Empty) return false;
    for (int c = n * n + 1; c < kBoardEntries; ++c)
        if (b.Board[c] != Empty) return false;
    return true;
}

}  // namespace orbel
