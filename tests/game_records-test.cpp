// The record a game saves (Game::Record) and a read record it replays (Game::TakeRecord),
// played on the table the controller tests use.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/move_rules.h"
#include "game/game.h"
#include "game_table.h"
#include "random_games.h"
#include "records/record_file.h"

namespace orbel {
namespace {

using testing::Table;

// A random legal move, made with the three clicks; false when the side to move has none.
bool PlayRandomMove(Table& table, std::mt19937& rng) {
    BoardState copy = table.board();
    const testing::Offered offered(copy);
    if (offered.count == 0) return false;
    const int code = offered.Random(rng);
    table.PersonMoves(PlacementOf(code), DirectionOf(code));
    return true;
}

TEST(game_records, a_saved_game_reads_back_move_for_move_on_every_size) {
    std::mt19937 rng(77);
    for (int size = 5; size <= 17; size += 2) {
        SCOPED_TRACE(size);
        Table played;
        played.Open(size, 0);
        played.play().ChooseColour(Red);  // a colour chosen, so the record keeps it
        ASSERT_EQ(played.state().ComputerSideChoice, Blue);
        std::vector<std::vector<int16_t>> positions;
        for (int move = 0; move < 40 && PlayRandomMove(played, rng); ++move)
            positions.emplace_back(played.board().Board, played.board().Board + size * size + 1);
        ASSERT_EQ(played.board().MoveNumber, static_cast<int>(positions.size()) + 1);
        const GameRecord saved = played.game->Record();
        ASSERT_EQ(saved.Moves.count(), static_cast<int>(positions.size()));
        EXPECT_EQ(saved.BoardSize, size);
        EXPECT_EQ(saved.ComputerSideChoice, Blue);

        GameRecord read;
        ASSERT_TRUE(ParseGameRecord(FormatGameRecord(saved), read).Ok());

        // A game of another size is open when the record is read: it brings its own.
        Table replay;
        replay.Open(size == 9 ? 7 : 9, 0);
        replay.Open(read, 0);
        EXPECT_EQ(replay.board().BoardSize, size);
        EXPECT_EQ(replay.shown().boardSize, size);
        EXPECT_EQ(replay.state().ComputerSide, Blue);
        EXPECT_EQ(replay.history().Record, saved.Moves);
        EXPECT_EQ(replay.board().MoveNumber, 1);
        EXPECT_EQ(replay.shown().forwardShown, !positions.empty());
        for (size_t i = 0; i < positions.size(); ++i) {
            replay.play().StepForward();
            replay.clock.RunAll();
            ASSERT_TRUE(std::equal(positions[i].begin(), positions[i].end(), replay.board().Board))
                << "move " << i + 1;
        }
        EXPECT_EQ(replay.board().MoveNumber, played.board().MoveNumber);
        EXPECT_FALSE(replay.shown().forwardShown);
    }
}

TEST(game_records, only_completed_moves_are_saved) {
    Table t;
    t.Open(7, 0);
    t.play().ChooseCell(18);
    t.play().ChoosePush(kDown);  // pushed, not yet confirmed
    const GameRecord record = t.game->Record();
    EXPECT_TRUE(record.Moves.empty());
    EXPECT_EQ(record.BoardSize, 7);
    EXPECT_EQ(record.ComputerSideChoice, Red);
    EXPECT_EQ(FormatGameRecord(record), " 7 \r\n-1 \r\n 0 \r\n");

    // Confirmed, the move is saved.
    t.play().ChoosePush(0);
    const GameRecord confirmed = t.game->Record();
    ASSERT_EQ(confirmed.Moves.count(), 1);
    EXPECT_EQ(confirmed.Moves[1], (PlayedMove{18, 25}));
}

}  // namespace
}  // namespace orbel
