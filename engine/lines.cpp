#include "engine/lines.h"

#include <cstdlib>

namespace orbel {

namespace {

// Running sums over a line; a window of five holds one colour only when its two ends
// differ by +5 or -5.
struct WindowSums {
    int16_t sum[23] = {};  // indices -5..17
    int16_t& operator[](int i) { return sum[i + 5]; }
};

void Judge(int d, bool redCounts, LinesFound& found) {
    if (d == -5 && redCounts)
        found.RedFound = true;
    else if (d == 5)
        found.BlueFound = true;
}

void ScanPushLine(const BoardState& b, LinesFound& found) {
    WindowSums w;
    for (int k = 1; k <= b.RunCount; ++k) {
        w[k] = static_cast<int16_t>(w[k - 1] + b.Board[b.PushLine[k].cell]);
        Judge(w[k] - w[k - 5], true, found);
    }
}

void ScanThrough(const BoardState& b, int centre, int step, bool redCounts, LinesFound& found) {
    WindowSums w;
    int j = -1;
    while (j >= -4 && b.Board[centre + step * j] != Empty) --j;
    int m = j + 1;
    while (m <= 4 && b.Board[centre + step * m] != Empty) {
        w[m] = static_cast<int16_t>(w[m - 1] + b.Board[centre + step * m]);
        ++m;
    }
    for (int q = 0; q <= m - 1; ++q) Judge(w[q] - w[q - 5], redCounts, found);
}

}  // namespace

LinesFound ScanLines(const BoardState& b) {
    LinesFound found;
    ScanPushLine(b, found);

    const int n = b.BoardSize;
    const int along = std::abs(b.PushLine[1].cell - b.PushLine[2].cell);
    const int across = along < 2 ? n : 1;
    const int steps[3] = {across, along + across, across - along};
    for (int pass = 0; pass < 3; ++pass)
        for (int k = 1; k <= b.PushCount; ++k)
            ScanThrough(b, b.PushLine[k].cell, steps[pass], pass == 0, found);
    return found;
}

int FindLines(const BoardState& b) {
    const LinesFound found = ScanLines(b);
    if (found.RedFound && found.BlueFound) return -b.SideToMove;
    if (found.RedFound) return Red;
    if (found.BlueFound) return Blue;
    return 0;
}

}  // namespace orbel
