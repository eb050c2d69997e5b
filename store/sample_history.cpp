#include "store/sample_history.h"

#include <memory>

#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "store/game_store.h"

namespace orbel {

bool RandomMove(BoardState& b, GameMoves& moves, std::mt19937& rng) {
    int16_t codes[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    int16_t count = 0;
    GenerateMoves(b, {codes, scores, count});
    if (count == 0) return false;
    const int code = codes[1 + rng() % count];
    const int placed = PlacementOf(code);
    const PlayedMove move{static_cast<int16_t>(placed),
                          static_cast<int16_t>(placed + StepOf(b.BoardSize, DirectionOf(code)))};
    if (PlayMove(b, move) != MoveFault::None) return false;
    moves.Add(move);
    return true;
}

// Games of 10 to 80 random moves; the few that reach their end are kept as ended, the
// others as given up.
void FillHistory(const std::filesystem::path& file, int games) {
    GameStore store(file, GameStore::TellStandardError);
    std::mt19937 rng(10000);
    auto b = std::make_unique<BoardState>();
    for (int g = 0; g < games; ++g) {
        KeptGame game;
        game.boardSize = static_cast<int16_t>(kSmallestSize + 2 * (rng() % 7));
        game.level = static_cast<int16_t>(rng() % 12);
        game.computerSide = rng() % 2 ? Red : Blue;
        StartPosition(*b, game.boardSize);
        const int length = 10 + static_cast<int>(rng() % 71);
        while (game.moves.count() < length && RandomMove(*b, game.moves, rng))
            if (!HasLegalMove(*b)) game.over = true;
        store.GameChanged(game);
        store.GameLeft(game);
        if (g % 500 == 499) store.WaitUntilWritten();
    }
}

}  // namespace orbel
