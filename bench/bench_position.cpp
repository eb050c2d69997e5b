#include "bench/bench_position.h"

#include "engine/move_generation.h"

namespace orbel {

BenchPosition StoredPosition(int size, std::span<const int16_t> cells) {
    BenchPosition position;
    position.size = size;
    for (size_t i = 2; i + 1 < cells.size(); i += 2) position.moves.Add({cells[i], cells[i + 1]});
    return position;
}

bool SetUpBenchPosition(const BenchPosition& position, BoardState& b) {
    return ReplayMoves(position.size, position.moves, b).Ok();
}

bool WinInSight(const BoardState& b) {
    BoardState trial = b;
    int16_t moves[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    for (int side : {b.SideToMove, static_cast<int16_t>(-b.SideToMove)}) {
        trial.SideToMove = static_cast<int16_t>(side);
        int16_t count = 0;
        GenerateMoves(trial, {moves, scores, count});
        for (int i = 1; i <= count; ++i)
            if (scores[i] >= Whole(10000) || scores[i] <= Whole(-10000)) return true;
    }
    return false;
}

}  // namespace orbel
