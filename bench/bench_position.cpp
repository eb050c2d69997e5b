#include "bench/bench_position.h"

#include "engine/move_generation.h"
#include "records/replay.h"

namespace orbel {

bool SetUpBenchPosition(const BenchPosition& position, BoardState& b) {
    StartPosition(b, position.size);
    for (int i = 0; i < position.moves; ++i)
        if (PlayRecordedMove(b, position.cells[2 * i], position.cells[2 * i + 1]) !=
            RecordError::None)
            return false;
    return true;
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
