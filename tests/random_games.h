// Random legal games for the tests. Every generator is seeded, so each run plays the same
// games.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "engine/board.h"
#include "engine/game_moves.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "records/record_file.h"

namespace orbel::testing {

// The moves generation offers the side to move, in generation order, with their static
// scores. Generation works on `b` and is to leave it as it was.
struct Offered {
    explicit Offered(BoardState& b) { GenerateMoves(b, Column()); }

    CandidateColumn Column() { return {codes, scores, count}; }
    // One of the offered moves, each as likely as the others; there must be one.
    int Random(std::mt19937& rng) const { return codes[1 + rng() % count]; }

    int16_t codes[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    int16_t count = 0;
};

// Makes the move and counts it, as a completed move in the game does.
inline void PlayMove(BoardState& b, int code) {
    ApplyMoveCode(b, code);
    ++b.MoveNumber;
}

// Adds the move to the record as the window records it: the placement cell and the cell
// the placed orbel was pushed to.
inline void RecordMove(GameRecord& record, int code) {
    record.Moves.Add(PlayedMoveOf(record.BoardSize, code));
}

// Up to `moves` random legal moves from a new game, with a random computer's colour,
// recorded as the window records them. Moves go on after a completed line; the game stops
// early when the side to move has none.
inline std::unique_ptr<GameRecord> RandomRecord(int size, int moves, std::mt19937& rng) {
    auto record = std::make_unique<GameRecord>();
    record->BoardSize = static_cast<int16_t>(size);
    record->ComputerSideChoice = static_cast<int16_t>(static_cast<int>(rng() % 3) - 1);
    BoardState b;
    StartPosition(b, size);
    for (int i = 1; i <= moves; ++i) {
        const Offered offered(b);
        if (offered.count == 0) break;
        const int code = offered.Random(rng);
        RecordMove(*record, code);
        PlayMove(b, code);
    }
    return record;
}

// A position as a failed check prints it: its size, the level searched, the move, the side
// to move and the board row by row.
inline std::string Describe(const BoardState& b, int level) {
    std::string text = "size " + std::to_string(b.BoardSize) + ", level " + std::to_string(level) +
                       ", move " + std::to_string(b.MoveNumber) + ", " +
                       (b.SideToMove == Blue ? "Blue" : "Red") + " to move\n";
    for (int r = 0; r < b.BoardSize; ++r) {
        for (int c = 0; c < b.BoardSize; ++c) {
            const int v = b.Board[r * b.BoardSize + c + 1];
            text += v == Blue ? 'B' : v == Red ? 'R' : '.';
        }
        text += '\n';
    }
    return text;
}

}  // namespace orbel::testing
