#include "engine/move_generation.h"

#include <algorithm>
#include <utility>

#include "engine/lines.h"
#include "engine/move_rules.h"

namespace orbel {

int CountPairs(const BoardState& b, int colour) {
    int pairs = 0;
    const int cells = b.CellCount();
    for (int c = 1; c <= cells; ++c) {
        if (b.Board[c] != colour) continue;
        const int16_t* nb = b.NeighbourTable[c];
        for (int k = 2; k <= 8; k += 2)
            if (b.Board[nb[k]] == colour) ++pairs;
    }
    return pairs;
}

int EvaluateMove(const BoardState& b) {
    const int w = FindLines(b);
    if (w != 0) return 10000 * b.SideToMove * w;
    if (b.MoveNumber > 4) return CountPairs(b, b.SideToMove) - CountPairs(b, -b.SideToMove);
    return 0;
}

namespace {

// The push toward target c from its neighbour k: the placed orbel above pushes down,
// the one below pushes up, the one left pushes right, the one right pushes left.
constexpr int kPushTowardTarget[10] = {0, 0, kDown, 0, kRight, 0, kLeft, 0, kUp, 0};

void ClearColumn(const BoardState& b, CandidateColumn column) {
    const int n = b.BoardSize;
    column.count = 0;
    for (int i = 1; i <= (n + 1) * n && i <= kMaxCandidates; ++i) {
        column.moves[i] = 0;
        column.scores[i] = kNoScore;
    }
}

void SaveBoard(BoardState& b) {
    std::copy_n(b.Board + 1, b.CellCount(), b.BoardBackup + 1);
}
void RestoreBoard(BoardState& b) {
    std::copy_n(b.BoardBackup + 1, b.CellCount(), b.Board + 1);
}

// Runs every legal trial move in generation order; onCandidate returns false to stop
// with that trial still on the board.
template <typename OnCandidate>
void TryEveryMove(BoardState& b, CandidateColumn column, OnCandidate onCandidate) {
    const int n = b.BoardSize;
    const int16_t remembered = b.SelectedCell;
    SaveBoard(b);
    for (int c = n + 2; c <= n * n - n - 1; ++c) {
        if (b.Board[c] == Empty) continue;
        for (int k = 2; k <= 8; k += 2) {
            const int p = b.NeighbourTable[c][k];
            if (b.Board[p] != Empty) continue;
            b.SelectedCell = static_cast<int16_t>(p);
            b.Board[p] = b.SideToMove;
            const int direction = kPushTowardTarget[k];
            // The trial's run walk starts at the placed orbel's new cell, so a five it
            // completes along its own push is seen.
            if (RunPush(b, direction, RingRule::Check, Placed::StaysPut)) {
                ++column.count;
                column.moves[column.count] = static_cast<int16_t>(MoveCode(p, direction));
                column.scores[column.count] = Whole(EvaluateMove(b));
                if (!onCandidate(column.scores[column.count])) {
                    b.SelectedCell = remembered;
                    return;
                }
            }
            RestoreBoard(b);
        }
    }
    b.SelectedCell = remembered;
}

}  // namespace

bool HasLegalMove(const BoardState& b) {
    const int n = b.BoardSize;
    for (int c = n + 2; c <= n * n - n - 1; ++c) {
        if (b.Board[c] == Empty) continue;
        for (int k = 2; k <= 8; k += 2) {
            const int p = b.NeighbourTable[c][k];
            if (b.Board[p] != Empty) continue;
            // The far orbel of the line lands on the first empty cell beyond it.
            const int step = c - p;
            int landing = c;
            while (b.Board[landing] != Empty) landing += step;
            if (!IsOnRing(n, landing)) return true;
        }
    }
    return false;
}

void GenerateMoves(BoardState& b, CandidateColumn column) {
    ClearColumn(b, column);
    TryEveryMove(b, column, [](Tenths) { return true; });
}

void GenerateMovesPruned(BoardState& b, CandidateColumn column, Tenths parentScore, Tenths& best,
                         Tenths parentBest) {
    best = kNoScore;
    ClearColumn(b, column);
    TryEveryMove(b, column, [&](Tenths score) {
        if (score > best) best = score;
        return !(parentScore / 10 - best < parentBest);
    });
}

void SortCandidates(CandidateColumn column) {
    for (int i = 0; i < column.count; ++i) {
        Tenths best = 0;
        int j = 0;
        for (int m = i + 1; m <= column.count; ++m) {
            if (j == 0 || column.scores[m] > best) {
                best = column.scores[m];
                j = m;
            }
        }
        column.scores[j] = column.scores[i + 1];
        column.scores[i + 1] = best;
        std::swap(column.moves[j], column.moves[i + 1]);
    }
}

}  // namespace orbel
