// The store of the player's games: killed at random moments it keeps every completed change
// and nothing half-written; the record it reads is the one an independent count gives; bad
// files and folders cost only the keeping; a full disk costs nothing once it has room again.
#include "store/game_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/lines.h"
#include "game_table.h"
#include "random_games.h"
#include "temp_folder.h"

namespace orbel {
namespace {

using testing::TempFolder;

// Plays a random legal move; false when the side to move has none.
bool RandomMove(BoardState& b, GameMoves& moves, std::mt19937& rng) {
    const testing::Offered offered(b);
    if (offered.count == 0) return false;
    const int code = offered.Random(rng);
    const int placed = PlacementOf(code);
    const PlayedMove move{static_cast<int16_t>(placed),
                          static_cast<int16_t>(placed + StepOf(b.BoardSize, DirectionOf(code)))};
    EXPECT_EQ(PlayMove(b, move), MoveFault::None);
    moves.Add(move);
    return true;
}

// The side that won after the move just played, read from the rules themselves: Red or Blue,
// Empty for a tie; `ended` stays false while the game is open.
int16_t Winner(const BoardState& b, bool& ended) {
    const LinesFound lines = ScanLines(b);
    ended = lines.Any() || !HasLegalMove(b);
    if (lines.RedFound && lines.BlueFound) return Empty;
    if (lines.Any()) return lines.RedFound ? Red : Blue;
    return static_cast<int16_t>(-b.SideToMove);
}

// A run of what a game tells its keeper: games of random moves on small boards, each given
// up after a while or played to its end.
struct Step {
    bool left = false;
    KeptGame game;
};

std::vector<Step> Script(uint32_t seed, int games) {
    std::mt19937 rng(seed);
    std::vector<Step> steps;
    for (int g = 0; g < games; ++g) {
        KeptGame game;
        game.boardSize = static_cast<int16_t>(rng() % 2 ? 5 : 7);
        game.level = static_cast<int16_t>(rng() % 12);
        game.computerSide = rng() % 2 ? Red : Blue;
        BoardState b;
        StartPosition(b, game.boardSize);
        const int length = 3 + static_cast<int>(rng() % 40);
        for (int m = 0; m < length && !game.over && RandomMove(b, game.moves, rng); ++m) {
            Winner(b, game.over);
            game.backwardOffered = true;
            steps.push_back({false, game});
        }
        steps.push_back({true, game});
    }
    return steps;
}

// What the store must hold after the first `count` steps.
struct Expected {
    std::optional<KeptGame> current;
    std::vector<GameMoves> finished;  // oldest first
};

Expected AfterSteps(const std::vector<Step>& steps, size_t count) {
    Expected e;
    bool counted = false;
    for (size_t i = 0; i < count; ++i) {
        const Step& s = steps[i];
        if (!counted && (s.left ? !s.game.moves.empty() : s.game.over)) {
            e.finished.push_back(s.game.moves);
            counted = true;
        }
        e.current = s.left ? std::nullopt : std::optional(s.game);
        if (s.left) counted = false;
    }
    return e;
}

bool Holds(const std::filesystem::path& file, const Expected& e) {
    std::string problem;
    const std::optional<StoreContents> contents = ReadStore(file, problem);
    if (!contents || contents->current != e.current ||
        contents->history.games.size() != e.finished.size())
        return false;
    GameStore store(file, {});
    for (size_t i = 0; i < e.finished.size(); ++i) {
        const std::optional<GameRecord> record =
            store.FinishedRecord(contents->history.games[e.finished.size() - 1 - i].id);
        if (!record || record->RecordCount != e.finished[i].count()) return false;
        for (int m = 1; m <= record->RecordCount; ++m)
            if (record->RecordPlaced[m] != e.finished[i][m].placed ||
                record->RecordMoved[m] != e.finished[i][m].moved)
                return false;
    }
    return store.Problem().empty();
}

TEST(game_store, killed_at_random_moments_it_keeps_every_completed_change) {
    constexpr int kKills = 12;
    std::mt19937 rng(2024);
    int inFlight = 0;
    size_t longest = 0;
    for (int k = 0; k < kKills; ++k) {
        TempFolder folder("orbel-store-kill");
        const std::filesystem::path file = folder.path / "games.db";
        const std::vector<Step> steps = Script(static_cast<uint32_t>(k), 6);
        int acks[2];
        ASSERT_EQ(pipe(acks), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(acks[0]);
            GameStore store(file, {});
            for (size_t i = 0; i < steps.size(); ++i) {
                if (steps[i].left)
                    store.GameLeft(steps[i].game);
                else
                    store.GameChanged(steps[i].game);
                store.WaitUntilWritten();
                const uint32_t done = static_cast<uint32_t>(i + 1);
                if (write(acks[1], &done, sizeof done) != sizeof done) _exit(1);
            }
            _exit(0);
        }
        close(acks[1]);
        // A kill anywhere from the opening of the database to past the last change.
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        uint32_t acked = 0;
        for (uint32_t done = 0; read(acks[0], &done, sizeof done) == sizeof done;) acked = done;
        close(acks[0]);
        // The change being written when the kill came is there whole, or not at all.
        if (Holds(file, AfterSteps(steps, acked))) {
            longest = std::max(longest, size_t{acked});
            continue;
        }
        ASSERT_LT(acked, steps.size()) << "kill " << k;
        ASSERT_TRUE(Holds(file, AfterSteps(steps, acked + 1)))
            << "kill " << k << " after " << acked << " of " << steps.size() << " changes";
        ++inFlight;
    }
    std::printf("%d kills; %d found the change in flight written; up to %zu changes acknowledged\n",
                kKills, inFlight, longest);
}

// Games of random moves on small boards, some given up, some two-player, through the store;
// its figures and list against a count made here.
TEST(game_store, the_record_it_reads_is_the_games_it_was_given) {
    TempFolder folder("orbel-store-record");
    GameStore store(folder.path / "games.db", {});
    std::mt19937 rng(7);
    struct Played {
        int16_t size, level, computer;
        PersonResult result;
        int moves;
    };
    std::vector<Played> played;  // oldest first
    for (int g = 0; g < 120; ++g) {
        KeptGame game;
        game.boardSize = static_cast<int16_t>(rng() % 2 ? 5 : 7);
        game.level = static_cast<int16_t>(rng() % 12);
        game.computerSide = static_cast<int16_t>(rng() % 10 == 0 ? Empty : rng() % 2 ? Red : Blue);
        BoardState b;
        StartPosition(b, game.boardSize);
        const bool giveUp = rng() % 4 == 0;
        int16_t winner = Empty;
        while (!game.over && !(giveUp && game.moves.count() == 4) && RandomMove(b, game.moves, rng))
            winner = Winner(b, game.over);
        store.GameChanged(game);
        store.GameLeft(game);
        const int16_t person = static_cast<int16_t>(-game.computerSide);
        const PersonResult result = game.level == 0 || person == Empty ? PersonResult::TwoPlayer
                                    : !game.over                       ? PersonResult::Abandoned
                                    : winner == Empty                  ? PersonResult::Tie
                                    : winner == person                 ? PersonResult::Won
                                                                       : PersonResult::Lost;
        played.push_back(
            {game.boardSize, game.level, game.computerSide, result, game.moves.count()});
    }

    PlayerStatistics expected;
    int run = 0;
    for (const Played& p : played) {
        if (p.result == PersonResult::TwoPlayer) {
            ++expected.twoPlayer;
            continue;
        }
        for (Tally* t : {&expected.all, &expected.byLevel[p.level], &expected.bySize[p.size]}) {
            ++t->played;
            t->won += p.result == PersonResult::Won;
            t->lost += p.result == PersonResult::Lost;
            t->tied += p.result == PersonResult::Tie;
            t->abandoned += p.result == PersonResult::Abandoned;
        }
        run = p.result == PersonResult::Won ? run + 1 : 0;
        expected.longestStreak = std::max(expected.longestStreak, run);
    }
    expected.currentStreak = run;

    const PlayerHistory history = store.ReadHistory();
    EXPECT_EQ(history.statistics, expected);
    EXPECT_GT(expected.all.won * expected.all.lost * expected.all.abandoned * expected.twoPlayer, 0)
        << "the games must reach every kind of result";
    ASSERT_EQ(history.games.size(), played.size());
    for (size_t i = 0; i < played.size(); ++i) {
        const FinishedGame& got = history.games[played.size() - 1 - i];
        const Played& p = played[i];
        EXPECT_TRUE(got.size == p.size && got.level == p.level && got.computerSide == p.computer &&
                    got.ForPerson() == p.result && got.moves == p.moves)
            << "game " << i;
    }

    KeptGame inHand;
    inHand.boardSize = 9;
    store.GameChanged(inHand);
    ASSERT_TRUE(store.Reset());
    const PlayerHistory cleared = store.ReadHistory();
    EXPECT_TRUE(cleared.games.empty());
    EXPECT_EQ(cleared.statistics, PlayerStatistics{});
    std::string problem;
    EXPECT_EQ(ReadStore(folder.path / "games.db", problem)->current, inHand)
        << "the game in hand stays";
}

}  // namespace
}  // namespace orbel
