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

void BuildNeighbourTable(BoardState& b) {
    const int n = b.BoardSize;
    for (int c = 1; c <= n * n; ++c) {
        int16_t* nb = b.NeighbourTable[c];
        nb[2] = static_cast<int16_t>(c <= n ? 0 : c - n);
        nb[4] = static_cast<int16_t>(c % n == 1 ? 0 : c - 1);
        nb[6] = static_cast<int16_t>(c % n == 0 ? 0 : c + 1);
        nb[8] = static_cast<int16_t>(c > n * n - n ? 0 : c + n);
    }
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
    if (b.Board[0] != Empty) return false;
    for (int c = 1; c <= n * n; ++c)
        if (IsOnRing(n, c) && b.Board[c] != Empty) return false;
    for (int c = n * n + 1; c < kBoardEntries; ++c)
        if (b.Board[c] != Empty) return false;
    return true;
}

}  // namespace orbel
