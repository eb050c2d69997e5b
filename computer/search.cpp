#include "computer/search.h"

#include <algorithm>

#include "engine/move_rules.h"

namespace orbel {

namespace {

constexpr Tenths kWinThreshold = Whole(9999);

void SaveBoard(const BoardState& b, int16_t* save) {
    std::copy_n(b.Board, b.CellCount() + 1, save);
}
void RestoreBoard(BoardState& b, const int16_t* save) {
    std::copy_n(save, b.CellCount() + 1, b.Board);
}

void ApplySearchMove(BoardState& b, SearchTables& t, int index) {
    ApplyMoveCode(b, t.SearchMoves[t.SearchDepth][index]);
}

// A parent's value for candidate i can only fall as more replies are seen; once it is
// below the parent's best, the remaining replies cannot matter.
bool CutsOff(const SearchTables& t, int d, int i) {
    return t.SearchScores[d - 1][i] / 10 - t.SearchBest[d] < t.SearchBest[d - 1];
}

void LookAhead(BoardState& b, SearchTables& t, SearchRun& run, int i) {
    const int d = t.SearchDepth;
    if (run.Stopped()) return;

    // Step 1. The leaf is generated and cut in one pass, without sorting.
    if (d == run.level) {
        GenerateMovesPruned(b, t.Column(d), t.SearchScores[d - 1][i], t.SearchBest[d],
                            t.SearchBest[d - 1]);
        run.nodes += t.SearchCount[d];
        return;
    }

    // Step 2. Every reply, best static score first.
    GenerateMoves(b, t.Column(d));
    run.nodes += t.SearchCount[d];
    SortCandidates(t.Column(d));
    SaveBoard(b, t.SearchBoardSave[d]);
    t.SearchBest[d] = kNoScore;

    // Step 3. Value each reply in turn.
    const int count = t.SearchCount[d];
    for (int j = 1; j <= count; ++j) {
        // Step 3.1. A line of the mover's own ends the depth at once.
        if (t.SearchScores[d][j] > kWinThreshold) {
            if (t.SearchScores[d][j] > t.SearchBest[d]) t.SearchBest[d] = t.SearchScores[d][j];
            return;
        }
        // Steps 3.2 and 3.3. Play it and look one ply deeper.
        ApplySearchMove(b, t, j);
        ++t.SearchDepth;
        LookAhead(b, t, run, j);
        --t.SearchDepth;
        // Steps 3.4 and 3.5. Discounted static score less the best reply.
        t.SearchScores[d][j] = t.SearchScores[d][j] / 10 - t.SearchBest[d + 1];
        if (t.SearchScores[d][j] > t.SearchBest[d]) t.SearchBest[d] = t.SearchScores[d][j];
        // Steps 3.6 and 3.7. Take the move back; stop if the parent is already refuted.
        b.SideToMove = static_cast<int16_t>(-b.SideToMove);
        RestoreBoard(b, t.SearchBoardSave[d]);
        if (CutsOff(t, d, i) || run.Stopped()) return;
    }
}

}  // namespace

bool SearchRootValues(BoardState& b, SearchTables& t, SearchRun& run) {
    // Step 4. The root candidates, best static score first.
    t.SearchDepth = 1;
    GenerateMoves(b, t.Column(1));
    run.nodes += t.SearchCount[1];
    SortCandidates(t.Column(1));
    if (run.level <= 1) return !run.Stopped();

    // Step 5. Look ahead below each root candidate; the root itself is never cut.
    SaveBoard(b, t.SearchBoardSave[1]);
    t.SearchBest[1] = kNoScore;
    const int count = t.SearchCount[1];
    for (int i = 1; i <= count; ++i) {
        if (t.SearchScores[1][i] > kWinThreshold) break;
        ApplySearchMove(b, t, i);
        t.SearchDepth = 2;
        LookAhead(b, t, run, i);
        t.SearchDepth = 1;
        t.SearchScores[1][i] = t.SearchScores[1][i] / 10 - t.SearchBest[2];
        if (t.SearchScores[1][i] > t.SearchBest[1]) t.SearchBest[1] = t.SearchScores[1][i];
        b.SideToMove = static_cast<int16_t>(-b.SideToMove);
        RestoreBoard(b, t.SearchBoardSave[1]);
        if (run.Stopped()) return false;
    }
    return !run.Stopped();
}

int PickRootCandidate(const SearchTables& t, RandomSource& random) {
    const int count = t.SearchCount[1];
    if (count == 0) return 0;
    return 1 + CoinFlipWalk(
                   count, [&t](int i) { return t.SearchScores[1][i + 1]; }, random);
}

Tenths BestRootValue(const SearchTables& t) {
    // Only the root may fall below kNoScore (every candidate loses by running out of pushes),
    // so the best starts from the first candidate, not from that floor.
    if (t.SearchCount[1] == 0) return kNoScore;
    Tenths best = t.SearchScores[1][1];
    for (int i = 2; i <= t.SearchCount[1]; ++i) best = std::max(best, t.SearchScores[1][i]);
    return best;
}

int BestRootMoves(const SearchTables& t, int16_t* codes) {
    const Tenths best = BestRootValue(t);
    int n = 0;
    for (int i = 1; i <= t.SearchCount[1]; ++i)
        if (t.SearchScores[1][i] == best) codes[n++] = t.SearchMoves[1][i];
    return n;
}

}  // namespace orbel
