#include "tools/cli.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_position.h"
#include "bench/bench_run.h"
#include "engine/board.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "orbel_version.h"
#include "random_games.h"
#include "records/record_file.h"
#include "store/game_store.h"
#include "temp_folder.h"
#include "test_positions.h"
#include "tools/analyse.h"

namespace orbel {
namespace {

namespace fs = std::filesystem;

struct TempFolder : testing::TempFolder {
    TempFolder() : testing::TempFolder("orbel-cli") {}

    std::string Save(const std::string& name, const GameRecord& record) const {
        const fs::path file = path / name;
        EXPECT_TRUE(WriteRecordFile(file, record).Ok());
        return file.string();
    }
};

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Cli(const std::vector<std::string>& args, const RootSearch& search = SearchRootValues) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err, search);
    return {status, out.str(), err.str()};
}

// Random legal moves from a new game until `stop` says the position is wanted; nullptr if
// no game of `tries` got there.
template <typename Stop>
std::unique_ptr<GameRecord> PlayUntil(int size, uint32_t seed, int tries, Stop stop) {
    std::mt19937 rng(seed);
    for (int game = 0; game < tries; ++game) {
        auto record = std::make_unique<GameRecord>();
        record->BoardSize = static_cast<int16_t>(size);
        BoardState b;
        StartPosition(b, size);
        for (int i = 1; i <= kMoveCapacity; ++i) {
            const testing::Offered offered(b);
            if (stop(offered.codes, offered.scores, offered.count)) return record;
            if (offered.count == 0) break;
            const int code = offered.Random(rng);
            testing::RecordMove(*record, code);
            testing::PlayMove(b, code);
            if (ScanLines(b).Any()) break;
        }
    }
    return nullptr;
}

std::vector<int> BestOf(const std::string& json) {
    const size_t start = json.find("\"best\":[") + 8;
    std::vector<int> best;
    std::istringstream list(json.substr(start, json.find(']', start) - start));
    for (std::string code; std::getline(list, code, ',');) best.push_back(std::stoi(code));
    return best;
}

TEST(analyse, new_five_by_five_game_values_every_move_zero) {
    TempFolder folder;
    GameRecord record;
    record.BoardSize = 5;
    const std::string file = folder.Save("new.txt", record);
    for (int level : {1, 2}) {
        const CliRun run = Cli({"analyse", "--level", std::to_string(level), file});
        EXPECT_EQ(run.status, kCliDone);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out,
                  "{\"size\":5,\"side_to_move\":1,\"move_number\":1,\"moves\":["
                  "{\"code\":41,\"cell\":8,\"direction\":2,\"score\":0},"
                  "{\"code\":63,\"cell\":12,\"direction\":6,\"score\":0},"
                  "{\"code\":72,\"cell\":14,\"direction\":4,\"score\":0},"
                  "{\"code\":94,\"cell\":18,\"direction\":8,\"score\":0}],\"level\":" +
                      std::to_string(level) +
                      ",\"value\":0.0,\"best\":[41,63,72,94],\"evaluation\":0.0,\"line\":[" +
                      (level == 1 ? "41" : "41,63") + "]}\n");
    }
    // Level 1 is the default.
    EXPECT_NE(Cli({"analyse", file}).out.find("\"level\":1,"), std::string::npos);
}

TEST(analyse, reports_the_position_the_record_reaches) {
    TempFolder folder;
    GameRecord record;
    record.Moves.Add({40, 41});
    record.Moves.Add({32, 41});
    const CliRun run = Cli({"analyse", "--level", "3", folder.Save("two.txt", record)});
    ASSERT_EQ(run.status, kCliDone) << run.err;
    EXPECT_EQ(run.out.rfind("{\"size\":9,\"side_to_move\":1,\"move_number\":3,\"moves\":[", 0), 0u);
    EXPECT_NE(run.out.find("\"level\":3,\"value\":"), std::string::npos);
    EXPECT_FALSE(BestOf(run.out).empty());
}

TEST(analyse, a_line_for_the_side_to_move_is_worth_ten_thousand) {
    std::set<int> winners;
    const auto record =
        PlayUntil(9, 5150, 400, [&](const int16_t* codes, const Tenths* scores, int count) {
            winners.clear();
            for (int i = 1; i <= count; ++i)
                if (scores[i] == Whole(10000)) winners.insert(codes[i]);
            return !winners.empty();
        });
    ASSERT_NE(record, nullptr);
    TempFolder folder;
    const std::string file = folder.Save("win.txt", *record);
    for (const char* level : {"1", "2"}) {
        const CliRun run = Cli({"analyse", "--level", level, file});
        ASSERT_EQ(run.status, kCliDone) << run.err;
        EXPECT_NE(run.out.find("\"value\":10000.0,"), std::string::npos) << run.out;
        const std::vector<int> best = BestOf(run.out);
        EXPECT_EQ(std::set<int>(best.begin(), best.end()), winners);
        EXPECT_EQ(best.size(), winners.size());
    }
}

TEST(analyse, no_legal_move_gives_null_and_no_best) {
    const auto record =
        PlayUntil(5, 99, 100, [](const int16_t*, const Tenths*, int count) { return count == 0; });
    ASSERT_NE(record, nullptr);
    TempFolder folder;
    const CliRun run = Cli({"analyse", "--level", "3", folder.Save("full.txt", *record)});
    EXPECT_EQ(run.status, kCliDone);
    const std::string end =
        "\"moves\":[],\"level\":3,\"value\":null,\"best\":[],\"evaluation\":null,\"line\":[]}\n";
    ASSERT_GE(run.out.size(), end.size());
    EXPECT_EQ(run.out.substr(run.out.size() - end.size()), end);
}

TEST(analyse, a_root_where_every_push_loses_still_names_its_best_moves) {
    TempFolder folder;
    const std::string file = folder.Save("losing.rec", testing::EveryPushLosesRecord());
    const CliRun run = Cli({"analyse", "--level", "3", file}, FastRootSearch(1));
    EXPECT_NE(run.out.find("\"value\":-100000.6,\"best\":[11,21],"), std::string::npos) << run.out;
}

// The level before the one asked for holds the evaluation still, and the levels left
// after each move of the line give the next.
TEST(analyse, runs_the_search_it_is_given) {
    TempFolder folder;
    GameRecord record;
    record.BoardSize = 7;
    std::vector<int> levels;
    const RootSearch counting = [&](BoardState& b, SearchTables& t, SearchRun& run) {
        levels.push_back(run.level);
        return SearchRootValues(b, t, run);
    };
    const CliRun run = Cli({"analyse", "--level", "4", folder.Save("new.txt", record)}, counting);
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(levels, (std::vector<int>{3, 4, 3, 2, 1}));
}

// The value of one field of a line of JSON: the text up to the next ',' or '}' or, for a
// list, up to its ']'.
std::string Field(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const size_t at = json.find(key);
    if (at == std::string::npos) return "";
    const size_t start = at + key.size();
    const size_t end =
        json[start] == '[' ? json.find(']', start) + 1 : json.find_first_of(",}", start);
    return json.substr(start, end - start);
}

TEST(review, prints_one_line_per_move_with_its_value_the_best_and_a_loss_never_below_zero) {
    std::mt19937 rng(2026);
    const auto record = testing::RandomRecord(9, 30, rng);
    TempFolder folder;
    const std::string file = folder.Save("game.txt", *record);
    const CliRun run = Cli({"review", "--level", "3", file});
    ASSERT_EQ(run.status, kCliDone) << run.err;
    EXPECT_EQ(run.err, "");
    std::istringstream lines(run.out);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        ++count;
        ASSERT_EQ(line.front(), '{');
        ASSERT_EQ(line.back(), '}');
        EXPECT_EQ(Field(line, "move"), std::to_string(count));
        const std::string side = Field(line, "side");
        EXPECT_TRUE(side == "-1" || side == "1") << line;
        const int code = std::stoi(Field(line, "code"));
        EXPECT_EQ(std::stoi(Field(line, "cell")), PlacementOf(code)) << line;
        EXPECT_EQ(std::stoi(Field(line, "direction")), DirectionOf(code)) << line;
        EXPECT_EQ(Field(line, "cell"), std::to_string(record->Moves[count].placed)) << line;
        EXPECT_EQ(Field(line, "moved"), std::to_string(record->Moves[count].moved)) << line;
        EXPECT_EQ(Field(line, "level"), "3");
        const double value = std::stod(Field(line, "value"));
        const double best = std::stod(Field(line, "best_value"));
        const double loss = std::stod(Field(line, "loss"));
        const auto capped = [](double v) { return std::clamp(v, -20.0, 20.0); };
        EXPECT_NEAR(loss,
                    capped(std::stod(Field(line, "steady_best"))) -
                        capped(std::stod(Field(line, "steady_value"))),
                    1e-9)
            << line;
        // No move is worth more than the best, except that beside a line of the mover's
        // own, which the search takes at once, another push may win by more.
        EXPECT_TRUE(value <= best || (value >= 5000 && best >= 5000)) << line;
        EXPECT_GE(loss, 0.0) << line;
        EXPECT_FALSE(BestOf(line).empty()) << line;
        // Every value has one digit after the point, as analyse writes them.
        for (const char* name : {"value", "best_value", "steady_value", "steady_best", "loss"}) {
            const std::string text = Field(line, name);
            EXPECT_EQ(text.find('.'), text.size() - 2) << name << " in " << line;
        }
    }
    EXPECT_EQ(count, record->Moves.count());

    // Level 5 unless told; a record without moves has nothing to review.
    const CliRun fiveMoves = Cli({"review", folder.Save("five.txt", [] {
                                      GameRecord r;
                                      r.Moves.Add({40, 41});
                                      return r;
                                  }())});
    ASSERT_EQ(fiveMoves.status, kCliDone) << fiveMoves.err;
    EXPECT_EQ(Field(fiveMoves.out, "level"), "5");
    const CliRun none = Cli({"review", folder.Save("none.txt", GameRecord{})});
    EXPECT_EQ(none.status, kCliDone);
    EXPECT_EQ(none.out, "");
}

TEST(bench, analysis_times_deepening_two_middle_games_and_reviewing_a_whole_game) {
    const CliRun run = Cli({"bench", "--analysis", "--level", "3"});
    ASSERT_EQ(run.status, kCliDone) << run.err << run.out;
    EXPECT_EQ(run.out.rfind("analysis: levels 1 to 3, threads 1\n", 0), 0u) << run.out;
    const BenchPosition& game = ReviewBenchGame();
    EXPECT_NE(run.out.find("review: 13 x 13 game of " + std::to_string(game.moves.count()) +
                           " moves at level 5"),
              std::string::npos)
        << run.out;
    for (const char* line :
         {"     9     24  every           3", "    17     24  best only       3"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    // The review game is a whole game: its last move completes a line.
    BoardState b;
    StartPosition(b, game.size);
    for (int i = 1; i <= game.moves.count(); ++i) {
        ASSERT_FALSE(ScanLines(b).Any());
        ASSERT_EQ(PlayMove(b, game.moves[i]), MoveFault::None);
    }
    EXPECT_TRUE(ScanLines(b).Any());
}

TEST(cli, help_and_version_answer_on_stdout_with_status_zero) {
    for (const char* word : {"--help", "-h"}) {
        const CliRun run = Cli({word});
        EXPECT_EQ(run.status, kCliDone) << word;
        EXPECT_EQ(run.err, "") << word;
        EXPECT_EQ(run.out.rfind("usage: orbelfive-cli analyse", 0), 0u) << run.out;
        for (const char* mention : {"review", "bench", "--level", "--reference", "--threads",
                                    "--analysis", "--response", "history", " -v ", "--version"})
            EXPECT_NE(run.out.find(mention), std::string::npos) << "help lacks " << mention;
    }
    // -v as the game takes it.
    for (const char* word : {"--version", "-v"}) {
        const CliRun version = Cli({word});
        EXPECT_EQ(version.status, kCliDone) << word;
        EXPECT_EQ(version.err, "") << word;
        EXPECT_EQ(version.out, "orbelfive-cli " + std::string(kVersion) + "\n") << word;
    }
    // Only as the command: after one they are refused like any unknown option.
    EXPECT_EQ(Cli({"bench", "--version"}).status, kCliBadInput);
    EXPECT_EQ(Cli({"bench", "-v"}).status, kCliBadInput);
    EXPECT_EQ(Cli({"analyse", "-v", "game.txt"}).status, kCliBadInput);
}

TEST(cli, bad_input_gives_status_two_and_one_line_on_stderr_only) {
    TempFolder folder;
    GameRecord good;
    const std::string goodFile = folder.Save("good.txt", good);
    GameRecord ring;
    ring.BoardSize = 5;
    ring.Moves.Add({12, 13});
    ring.Moves.Add({12, 13});
    const std::string ringFile = folder.Save("ring.txt", ring);
    const std::string missing = (folder.path / "missing.txt").string();

    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {{}, {"usage"}},
        {{"play"}, {"unknown command 'play'"}},
        {{"analyse"}, {"missing the record file"}},
        {{"analyse", "--level"}, {"--level"}},
        {{"analyse", "--level", "0", goodFile}, {"--level", "'0'"}},
        {{"analyse", "--level", "12", goodFile}, {"'12'"}},
        {{"analyse", "--level", "3x", goodFile}, {"'3x'"}},
        {{"analyse", "--depth", "3", goodFile}, {"--depth"}},
        {{"analyse", goodFile, goodFile}, {"one record file"}},
        {{"analyse", missing}, {missing + ": ", "(error 1)"}},
        {{"analyse", ringFile}, {ringFile + ": ", "move 2", "outer ring", "(error 15)"}},
        {{"review"}, {"review: missing the record file"}},
        {{"review", "--level", "12", goodFile}, {"--level", "'12'"}},
        {{"review", "--depth", "3", goodFile}, {"review", "--depth"}},
        {{"review", goodFile, goodFile}, {"one record file"}},
        {{"review", missing}, {missing + ": ", "(error 1)"}},
        {{"review", ringFile}, {ringFile + ": ", "move 2", "outer ring", "(error 15)"}},
        {{"bench", "--analysis", "--reference"}, {"--analysis", "--reference"}},
        {{"bench", "--response", "--reference"}, {"--response", "--reference"}},
        {{"bench", "--response", "--analysis"}, {"--analysis or --response"}},
        {{"bench", "--response", "--threads", "2"}, {"--threads"}},
        {{"bench", "--review", "--level", "3"}, {"--review"}},
        {{"bench", "--threads", "0"}, {"--threads"}},
        {{"bench", "--level", "12"}, {"--level"}},
        {{"bench", "positions"}, {"'positions'"}},
        {{"history", "--all"}, {"history", "'--all'"}},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        const std::string what = c.args.empty() ? "(nothing)" : c.args[0];
        EXPECT_EQ(run.status, kCliBadInput) << what;
        EXPECT_EQ(run.out, "") << what;
        EXPECT_EQ(run.err.rfind("orbelfive-cli: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        for (const std::string& mention : c.mentions)
            EXPECT_NE(run.err.find(mention), std::string::npos) << run.err << " lacks " << mention;
    }
}

// The store in the player's data folder, read while the game may be writing it.
TEST(history, prints_the_players_record_from_the_data_folder_as_one_json_line) {
    TempFolder folder;
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string before = saved ? saved : "";
    setenv("XDG_DATA_HOME", folder.path.c_str(), 1);
    const fs::path file = folder.path / "orbelfive" / "games.db";
    ASSERT_EQ(GameStore::PlayerFile(), file);

    const CliRun none = Cli({"history"});
    EXPECT_EQ(none.status, kCliDone);
    EXPECT_EQ(none.out.rfind("{\"played\":0,", 0), 0u) << none.out;
    EXPECT_NE(none.out.find(",\"games\":[]}\n"), std::string::npos) << none.out;

    {
        GameStore store(file, {});
        KeptGame game;
        game.boardSize = 7;
        game.moves.Add({18, 25});
        store.GameChanged(game);
        store.GameLeft(game);
        game.level = 0;
        store.GameChanged(game);
        store.GameLeft(game);
        store.WaitUntilWritten();
        const CliRun kept = Cli({"history"});
        EXPECT_EQ(kept.status, kCliDone);
        EXPECT_EQ(std::count(kept.out.begin(), kept.out.end(), '\n'), 1);
        for (const char* fact :
             {"\"played\":1,", "\"abandoned\":1,", "\"two_player\":1,",
              "{\"level\":1,\"played\":1,", "{\"size\":7,\"played\":1,",
              "\"size\":7,\"level\":0,\"colour\":null,\"result\":\"abandoned\",\"moves\":1}",
              "\"size\":7,\"level\":1,\"colour\":\"blue\",\"result\":\"abandoned\",\"moves\":1}]}"})
            EXPECT_NE(kept.out.find(fact), std::string::npos) << kept.out << " lacks " << fact;
    }

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const CliRun newer = Cli({"history"});
    EXPECT_EQ(newer.status, kCliBadInput);
    EXPECT_EQ(newer.out, "");
    EXPECT_NE(newer.err.find("newer Orbel Five"), std::string::npos) << newer.err;
    if (saved)
        setenv("XDG_DATA_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

TEST(bench, signature_is_stable_and_agrees_with_the_reference) {
    const auto two = BenchPositions().subspan(7, 2);
    SearchOptions options;
    options.level = 1;
    std::ostringstream first, second, third;
    const BenchSummary a = RunBench(two, options, false, first);
    const BenchSummary b = RunBench(two, options, true, second);
    EXPECT_GT(a.nodes, 0u);
    EXPECT_EQ(a.nodes, b.nodes);
    EXPECT_EQ(a.signature, b.signature);
    EXPECT_EQ(b.referenceSignature, b.signature);
    EXPECT_NE(second.str().find("same results"), std::string::npos);
    // A different level decides differently, and the signature shows it.
    options.level = 2;
    EXPECT_NE(RunBench(two, options, false, third).signature, a.signature);
}

// What `orbelfive-cli bench` prints as the signature of the fast search at the bench level.
// A change meant to alter what the search decides records the new value here and says so
// in its commit message; any other change must leave it as it is.
constexpr std::string_view kRecordedBenchSignature = "73c62176666000ad";

TEST(bench, fast_search_gives_the_recorded_signature_on_one_and_two_threads) {
    for (int threads : {1, 2}) {
        // Plain `bench`, as `make bench` runs it, is one thread.
        std::vector<std::string> args = {"bench"};
        if (threads > 1) args.insert(args.end(), {"--threads", std::to_string(threads)});
        std::ostringstream out, err;
        ASSERT_EQ(RunCli(args, out, err, std::function<RootSearch(int)>(FastRootSearch)), kCliDone)
            << err.str();
        const std::string text = out.str();
        const std::string heading = "level " + std::to_string(kBenchLevel) + ", " +
                                    std::to_string(BenchPositions().size()) +
                                    " positions, threads " + std::to_string(threads);
        EXPECT_EQ(text.substr(0, text.find('\n')), heading);
        const size_t at = text.find("signature ", text.find("total nodes"));
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_EQ(text.substr(at + 10, 16), kRecordedBenchSignature) << text;
    }
}

TEST(bench, a_search_that_decides_differently_fails_the_comparison) {
    const RootSearch deeper = [](BoardState& b, SearchTables& t, SearchRun& run) {
        SearchRun other = run;
        other.level = run.level + 1;
        const bool done = SearchRootValues(b, t, other);
        run.nodes = other.nodes;
        return done;
    };
    const CliRun run = Cli({"bench", "--level", "1", "--reference", "--threads", "2"}, deeper);
    EXPECT_EQ(run.status, kCliFault);
    EXPECT_NE(run.out.find("RESULTS DIFFER"), std::string::npos);
    EXPECT_NE(run.out.find("threads 2"), std::string::npos);
    EXPECT_EQ(Cli({"bench", "--level", "1", "--reference"}).status, kCliDone);
}

TEST(bench, stored_positions_are_legal_openings_and_quiet_middle_games) {
    const auto positions = BenchPositions();
    EXPECT_GE(positions.size(), 12u);
    EXPECT_LE(positions.size(), 20u);
    std::set<int> sizes;
    int middleGames = 0;
    for (const BenchPosition& position : positions) {
        BoardState b;
        StartPosition(b, position.size);
        for (int i = 1; i <= position.moves.count(); ++i) {
            ApplyMoveCode(b, MoveCodeOf(position.size, position.moves[i]));
            ++b.MoveNumber;
            ASSERT_FALSE(ScanLines(b).Any()) << "a line before the position is reached";
        }
        BoardState checked;
        ASSERT_TRUE(SetUpBenchPosition(position, checked));
        EXPECT_TRUE(std::equal(b.Board, b.Board + kBoardEntries, checked.Board));
        sizes.insert(position.size);
        const int moves = position.moves.count();
        if (moves >= 15) {
            ++middleGames;
            EXPECT_LE(moves, 40);
            EXPECT_FALSE(WinInSight(b)) << "size " << position.size << ", " << moves;
        }
    }
    EXPECT_EQ(sizes, (std::set<int>{7, 9, 11, 13, 15, 17}));
    EXPECT_GE(middleGames, 6);
}

}  // namespace
}  // namespace orbel
