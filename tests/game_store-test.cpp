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
#include <memory>
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

// Empty when the store holds `e`, and opens again as a sound store; else what differs.
std::string Differs(const std::filesystem::path& file, const Expected& e) {
    std::string problem;
    const std::optional<StoreContents> contents = ReadStore(file, problem);
    if (!contents) return "unreadable: " + problem;
    if (contents->current != e.current) return "another game in hand";
    if (contents->history.games.size() != e.finished.size()) return "another number of games";
    GameStore store(file, {});
    if (!store.Problem().empty()) return store.Problem();
    for (size_t i = 0; i < e.finished.size(); ++i) {
        const std::optional<GameRecord> record =
            store.FinishedRecord(contents->history.games[e.finished.size() - 1 - i].id);
        if (!record || record->Moves.count() != e.finished[i].count())
            return "game " + std::to_string(i) + " lost moves";
        if (!(record->Moves == e.finished[i])) return "game " + std::to_string(i) + " changed";
    }
    return "";
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
        const std::string acknowledged = Differs(file, AfterSteps(steps, acked));
        if (acknowledged.empty()) {
            longest = std::max(longest, size_t{acked});
            continue;
        }
        ASSERT_LT(acked, steps.size()) << "kill " << k << ": " << acknowledged;
        ASSERT_EQ(Differs(file, AfterSteps(steps, acked + 1)), "")
            << "kill " << k << " after " << acked << " of " << steps.size()
            << " changes; without the last: " << acknowledged;
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

std::string Bytes(const std::filesystem::path& file) {
    if (!std::filesystem::is_regular_file(file)) return {};
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Sql(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// A store with a few finished games in it, closed.
void StoreWithGames(const std::filesystem::path& file) {
    GameStore store(file, {});
    for (const Step& step : Script(3, 4))
        step.left ? store.GameLeft(step.game) : store.GameChanged(step.game);
}

// The person makes the first move offered and the computer answers.
void PlayARound(testing::Table& table) {
    BoardState b = table.board();
    const testing::Offered offered(b);
    ASSERT_GT(offered.count, 0);
    table.PersonMoves(PlacementOf(offered.codes[1]), DirectionOf(offered.codes[1]));
    table.ComputerAnswers();
}

// Three runs of the program: the game left open comes back as it stood, and once a size
// is chosen instead it goes into the history as abandoned.
TEST(game_store, a_game_left_open_continues_or_is_abandoned_for_another) {
    TempFolder folder("orbel-store-runs");
    const std::filesystem::path file = folder.path / "games.db";
    KeptGame left;
    {
        GameStore store(file, {});
        testing::Table table;
        store.Attach(*table.game);
        EXPECT_FALSE(store.Unfinished());
        table.Open(9, 3);
        PlayARound(table);
        PlayARound(table);
        left = KeepGame(table.state());
    }
    {
        GameStore store(file, {});
        testing::Table table;
        store.Attach(*table.game);
        ASSERT_TRUE(store.Unfinished());
        EXPECT_EQ(*store.Unfinished(), left);
        ASSERT_TRUE(store.Continue(*table.game));
        table.Show(1);
        EXPECT_EQ(KeepGame(table.state()), left);
        PlayARound(table);
        left = KeepGame(table.state());
        EXPECT_TRUE(store.ReadHistory().games.empty());
    }
    GameStore store(file, {});
    testing::Table table;
    store.Attach(*table.game);
    EXPECT_EQ(store.Unfinished()->moves, left.moves);
    table.Open(7);
    EXPECT_FALSE(store.Unfinished());
    const PlayerHistory history = store.ReadHistory();
    ASSERT_EQ(history.games.size(), 1u);
    const FinishedGame& abandoned = history.games[0];
    EXPECT_TRUE(abandoned.size == 9 && abandoned.level == 3 &&
                abandoned.result == GameResult::Abandoned && abandoned.moves == 6);
}

TEST(game_store, bad_files_and_folders_cost_only_the_keeping) {
    using Path = std::filesystem::path;
    struct Case {
        const char* what;
        std::function<std::shared_ptr<void>(const Path& file)> make;
        bool keeps;  // a damaged file is set aside and a new store begun
        const char* says;
    };
    const Case cases[] = {
        {"not a database, with an older one already set aside",
         [](const Path& file) {
             std::ofstream(file) << std::string(3000, 'x');
             std::ofstream(file.string() + ".bad") << "set aside before";
             return nullptr;
         },
         true, "is damaged (file is not a database); it is kept as"},
        {"another program's database",
         [](const Path& file) {
             Sql(file, "CREATE TABLE t (x); INSERT INTO t VALUES (1);");
             return nullptr;
         },
         true, "not a store of Orbel Five's games"},
        {"a page of the history overwritten",
         [](const Path& file) {
             StoreWithGames(file);
             std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
             out.seekp(2 * 4096);
             out << std::string(4096, '\x55');
             return nullptr;
         },
         true, "is damaged (*** in database main *** Page"},
        {"a newer format",
         [](const Path& file) {
             StoreWithGames(file);
             Sql(file, "PRAGMA user_version = 99;");
             return nullptr;
         },
         false, "newer Orbel Five (format 99)"},
        {"in use by another running copy",
         [](const Path& file) { return std::make_shared<GameStore>(file, GameStore::Teller{}); },
         false, "in use by another running Orbel Five"},
        {"a file where the folder should be",
         [](const Path& file) {
             std::filesystem::remove(file.parent_path());
             std::ofstream(file.parent_path()) << "a file";
             return nullptr;
         },
         false, "cannot make the folder"},
        {"a folder where the database should be",
         [](const Path& file) {
             std::filesystem::create_directory(file);
             return nullptr;
         },
         false, "is not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder("orbel-store-bad");
        const Path file = folder.path / "orbelfive" / "games.db";
        std::filesystem::create_directories(file.parent_path());
        const std::shared_ptr<void> holder = c.make(file);
        const bool wasFile = std::filesystem::is_regular_file(file);
        const std::string before = Bytes(file);
        const std::string setAsideBefore = Bytes(file.string() + ".bad");
        std::vector<std::string> told;
        {
            GameStore store(file, [&told](const std::string& line) { told.push_back(line); });
            testing::Table table;
            store.Attach(*table.game);
            table.Open(7);
            PlayARound(table);
            PlayARound(table);
            EXPECT_EQ(table.board().MoveNumber, 5) << "the game plays on";
            store.WaitUntilWritten();
            EXPECT_EQ(store.Keeps(), c.keeps);
            EXPECT_EQ(store.Unfinished().has_value(), c.keeps);
            EXPECT_NE(store.Problem().find(c.says), std::string::npos) << store.Problem();
        }
        ASSERT_EQ(told.size(), 1u) << "said once";
        EXPECT_NE(told[0].find(c.says), std::string::npos) << told[0];
        if (!wasFile) continue;
        if (c.keeps) {
            const bool olderThere = !setAsideBefore.empty();
            EXPECT_EQ(Bytes(file.string() + ".bad"), olderThere ? setAsideBefore : before);
            if (olderThere) {
                EXPECT_EQ(Bytes(file.string() + ".bad.2"), before);
            }
        } else {
            EXPECT_EQ(Bytes(file), before) << "left as it was";
        }
    }
}

TEST(game_store, a_full_disk_costs_no_move_and_the_next_move_keeps_them_all) {
    TempFolder folder("orbel-store-full");
    const std::filesystem::path file = folder.path / "games.db";
    std::vector<std::string> told;
    GameStore store(file, [&told](const std::string& line) { told.push_back(line); });
    testing::Table table;
    store.Attach(*table.game);
    table.Open(9);
    PlayARound(table);
    store.WaitUntilWritten();

    // Every write of this program fails while the limit holds, as on a full disk.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full{0, limit.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    PlayARound(table);
    store.WaitUntilWritten();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(table.board().MoveNumber, 5) << "the moves are played";
    ASSERT_EQ(told.size(), 1u) << "said once";
    EXPECT_NE(store.Problem().find("trying again at the next move"), std::string::npos);
    std::string problem;
    EXPECT_EQ(ReadStore(file, problem)->current->moves.count(), 2);

    PlayARound(table);
    store.WaitUntilWritten();
    EXPECT_EQ(ReadStore(file, problem)->current, KeepGame(table.state()));
    EXPECT_EQ(store.Problem(), "");
}

}  // namespace
}  // namespace orbel
