// What the analysis should show, found afresh by an analyser of the test's own, and the
// results written as plain values to compare.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_position.h"
#include "computer/analysis.h"
#include "engine/move_rules.h"
#include "game/game_review.h"
#include "game/game_state.h"

namespace orbel::testing {

// A level as a person reads it: every candidate (code, value, kind, best, the level its
// decided value was first known) in the order shown, then the best value and set, the
// evaluation and the level the best value was first known decided.
struct LevelSummary {
    int level = 0;
    std::vector<std::tuple<int, Tenths, ValueKind, bool, int>> moves;
    Tenths bestValue = 0;
    std::vector<int> bestSet;
    Tenths evaluation = 0;
    int decidedAt = 0;
    bool operator==(const LevelSummary&) const = default;
};

inline LevelSummary Summary(const LevelAnalysis& a) {
    LevelSummary s;
    s.level = a.level;
    for (int i = 0; i < a.count; ++i) {
        const AnalysedMove& m = a.moves[i];
        s.moves.emplace_back(m.code, m.value, m.kind, m.best, m.decidedAt);
    }
    s.bestValue = a.best.value;
    s.bestSet.assign(a.best.codes, a.best.codes + a.best.count);
    s.evaluation = a.evaluation;
    s.decidedAt = a.decidedAt;
    return s;
}

// A review row as a person reads it.
using RowSummary =
    std::tuple<int, int, int, int, int, Tenths, Tenths, std::vector<int>, Tenths, Tenths, Tenths>;

inline RowSummary Summary(const ReviewedMove& m) {
    return {m.moveNumber,  m.side,
            m.code,        m.placed,
            m.moved,       m.value,
            m.best.value,  std::vector<int>(m.best.codes, m.best.codes + m.best.count),
            m.steadyValue, m.steadyBest,
            m.loss};
}

inline std::string Cells(const BoardState& b) {
    std::string text;
    for (int c = 1; c <= b.CellCount(); ++c)
        text += b.Board[c] == Blue ? 'B' : b.Board[c] == Red ? 'R' : '.';
    return text + (b.SideToMove == Blue ? " Blue" : " Red") + " move " +
           std::to_string(b.MoveNumber);
}

inline bool SamePosition(const BoardState& a, const BoardState& b) {
    return Cells(a) == Cells(b);
}

// A 13 x 13 opening of three moves, Red to move, whose deepening to level 11 takes long
// enough to be caught in the middle. The computer plays Blue.
inline GameRecord LongAnalysisRecord() {
    GameRecord record;
    for (const BenchPosition& p : BenchPositions()) {
        if (p.size != 13 || p.moves.count() != 3) continue;
        record.BoardSize = 13;
        record.ComputerSideChoice = Blue;
        record.Moves = p.moves;
    }
    return record;
}

class Reference {
  public:
    // The last of levels 1 to `level`, deepened afresh; level 0 when it failed.
    LevelSummary Analyse(const BoardState& position, int level) {
        LevelSummary last;
        analyser_->Deepen(position, level, nullptr,
                          [&last](const LevelAnalysis& a) { last = Summary(a); });
        return last;
    }

    // The line the search expects after `first` at `level`.
    std::vector<int> Line(const BoardState& position, int first, int level) {
        ExpectedLine line;
        if (!analyser_->ExpectLine(position, first, level, nullptr, line)) return {};
        return {line.codes, line.codes + line.count};
    }

    // The rows of the first `count` moves of a game on a board of `size`.
    std::vector<RowSummary> Review(int size, const GameMoves& moves, int count, int level) {
        std::vector<RowSummary> rows;
        GameMoves first = moves;
        first.Keep(std::min(count, moves.count()));
        ReviewGame(*analyser_, size, first, level, nullptr,
                   [&rows](const ReviewedMove& row) { rows.push_back(Summary(row)); });
        return rows;
    }

  private:
    std::unique_ptr<Analyser> analyser_ = std::make_unique<Analyser>();
};

}  // namespace orbel::testing
