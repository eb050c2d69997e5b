#include "game/game_review.h"

namespace orbel {

ReviewEnd ReviewGame(Analyser& analyser, int size, const GameMoves& moves, int level,
                     const std::atomic<bool>* stop,
                     const std::function<void(const ReviewedMove&)>& onMove, int from) {
    BoardState b;
    // Every move is checked before the first is reported.
    if (!ReplayMoves(size, moves, b).Ok()) return ReviewEnd::Refused;
    ReplayMoves(size, moves, b, from - 1);
    ReviewedMove row;
    for (int number = from; number <= moves.count(); ++number) {
        if (!analyser.ReviewMove(b, MoveCodeOf(size, moves[number]), level, stop, row))
            return ReviewEnd::Stopped;
        onMove(row);
        PlayMove(b, moves[number]);
    }
    return ReviewEnd::Finished;
}

}  // namespace orbel
