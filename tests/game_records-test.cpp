#include "game/game_records.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/move_rules.h"
#include "fake_game_view.h"
#include "game/controller.h"
#include "random_games.h"

namespace orbel {
namespace {

using testing::FakeView;
using testing::HandComputer;
using testing::ManualScheduler;

struct Table {
    std::unique_ptr<GameState> state = std::make_unique<GameState>();
    FakeView view;
    HandComputer computer;
    ManualScheduler clock;
    std::unique_ptr<GameController> game;

    void Open(int size, const GameRecord* loaded = nullptr) {
        state->board.BoardSize = static_cast<int16_t>(size);
        game = std::make_unique<GameController>(*state, view, computer, clock);
        if (loaded)
            game->Form_Load(*loaded);
        else
            game->Form_Load();
        game->SelectLevel(0);
    }
    // A random legal move, made with the three clicks.
    bool PlayRandomMove(std::mt19937& rng) {
        BoardState copy = state->board;
        const testing::Offered offered(copy);
        if (offered.count == 0) return false;
        const int code = offered.Random(rng);
        game->btn_Board_Click(PlacementOf(code));
        game->img_dir_Click(DirectionOf(code));
        game->img_dir_Click(0);
        return true;
    }
};

TEST(game_records, a_saved_game_reads_back_move_for_move_on_every_size) {
    std::mt19937 rng(77);
    for (int size = 5; size <= 17; size += 2) {
        Table played;
        played.Open(size);
        played.game->img_Player_Click(0);  // a colour chosen, so the record keeps it
        std::vector<std::vector<int16_t>> positions;
        for (int move = 0; move < 40 && played.PlayRandomMove(rng); ++move)
            positions.emplace_back(played.state->board.Board,
                                   played.state->board.Board + size * size + 1);
        const GameRecord saved = RecordOfGame(*played.state);
        ASSERT_EQ(saved.RecordCount, static_cast<int>(positions.size()));
        EXPECT_EQ(saved.ComputerSideChoice, Blue);

        GameRecord read;
        ASSERT_TRUE(ParseGameRecord(FormatGameRecord(saved), read).Ok()) << size;

        Table replay;
        replay.state->board.BoardSize = 9;  // the record brings its own size
        replay.Open(read.BoardSize, &read);
        EXPECT_EQ(replay.state->board.BoardSize, size);
        EXPECT_EQ(replay.state->ComputerSide, Blue);
        for (size_t i = 0; i < positions.size(); ++i) {
            replay.game->Forward();
            replay.clock.RunAll();
            ASSERT_TRUE(
                std::equal(positions[i].begin(), positions[i].end(), replay.state->board.Board))
                << "size " << size << " move " << i + 1;
        }
        EXPECT_EQ(replay.state->board.MoveNumber, played.state->board.MoveNumber);
    }
}

TEST(game_records, only_completed_moves_are_saved) {
    Table t;
    t.Open(7);
    t.game->btn_Board_Click(18);
    t.game->img_dir_Click(2);  // pushed, not yet confirmed
    const GameRecord record = RecordOfGame(*t.state);
    EXPECT_EQ(record.RecordCount, 0);
    EXPECT_EQ(record.BoardSize, 7);
    EXPECT_EQ(record.ComputerSideChoice, Red);
    EXPECT_EQ(FormatGameRecord(record), " 7 \r\n-1 \r\n 0 \r\n");
}

}  // namespace
}  // namespace orbel
