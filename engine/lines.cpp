#include "engine/lines.h"

#include <algorithm>
#include <cstdlib>

namespace orbel {

namespace {

// Running sums over a line; a window of five holds one colour only when its two ends
// differ by +5 or -5.
struct WindowSums {
    int16_t sum[23] = {};  // indices -5..17
    int16_t& operator[](int i) { return sum[i + 5]; }
};

// Tells `found(colour, cell, step)` of every window of five that counts, giving a cell of
// the window and the step along its line. One scan serves the flags and the cell list, so
// the marks always show what decided the game.
template <class Found>
void Judge(int d, bool redCounts, int cell, int step, Found& found) {
    if (d == -5 && redCounts)
        found(Red, cell, step);
    else if (d == 5)
        found(Blue, cell, step);
}

template <class Found>
void ScanPushLine(const BoardState& b, Found& found) {
    WindowSums w;
    const int step = b.RunCount >= 2 ? b.PushLine[2].cell - b.PushLine[1].cell : 0;
    for (int k = 1; k <= b.RunCount; ++k) {
        w[k] = static_cast<int16_t>(w[k - 1] + b.Board[b.PushLine[k].cell]);
        Judge(w[k] - w[k - 5], true, b.PushLine[k].cell, step, found);
    }
}

template <class Found>
void ScanThrough(const BoardState& b, int centre, int step, bool redCounts, Found& found) {
    WindowSums w;
    int j = -1;
    while (j >= -4 && b.Board[centre + step * j] != Empty) --j;
    int m = j + 1;
    while (m <= 4 && b.Board[centre + step * m] != Empty) {
        w[m] = static_cast<int16_t>(w[m - 1] + b.Board[centre + step * m]);
        ++m;
    }
    for (int q = 0; q <= m - 1; ++q)
        Judge(w[q] - w[q - 5], redCounts, centre + step * q, step, found);
}

template <class Found>
void Scan(const BoardState& b, Found& found) {
    ScanPushLine(b, found);

    const int n = b.BoardSize;
    const int along = std::abs(b.PushLine[1].cell - b.PushLine[2].cell);
    const int across = along < 2 ? n : 1;
    const int steps[3] = {across, along + across, across - along};
    for (int pass = 0; pass < 3; ++pass)
        for (int k = 1; k <= b.PushCount; ++k)
            ScanThrough(b, b.PushLine[k].cell, steps[pass], pass == 0, found);
}

}  // namespace

LinesFound ScanLines(const BoardState& b) {
    LinesFound found;
    auto note = [&found](int colour, int, int) {
        if (colour == Red)
            found.RedFound = true;
        else
            found.BlueFound = true;
    };
    Scan(b, note);
    return found;
}

int FindLines(const BoardState& b) {
    const LinesFound found = ScanLines(b);
    if (found.RedFound && found.BlueFound) return -b.SideToMove;
    if (found.RedFound) return Red;
    if (found.BlueFound) return Blue;
    return 0;
}

void ListLineCells(const BoardState& b, CellList& out) {
    bool marked[kBoardEntries] = {};
    // The ring is empty, so a walk along a run of one colour stays on the board and in its line.
    auto mark = [&b, &marked](int colour, int cell, int step) {
        for (int c = cell; b.Board[c] == colour; c -= step) marked[c] = true;
        for (int c = cell + step; b.Board[c] == colour; c += step) marked[c] = true;
    };
    Scan(b, mark);
    out.count = 0;
    for (int c = 1; c <= b.CellCount(); ++c)
        if (marked[c]) out.cell[out.count++] = static_cast<int16_t>(c);
}

}  // namespace orbel
