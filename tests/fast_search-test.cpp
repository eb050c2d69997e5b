#include "computer/fast_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "computer/search.h"
#include "random_games.h"
#include "test_positions.h"

namespace orbel {
namespace {

#ifdef NDEBUG
constexpr int kScale = 1;
#else
// Unoptimised and sanitizer builds run the same cases, fewer of them.
constexpr int kScale = 6;
#endif

// What the two searches must agree on: the row, its best value and who reaches it.
struct RootSummary {
    std::vector<int16_t> moves;
    Tenths best = kNoScore;
    std::vector<int16_t> bestMoves;
};

RootSummary Summarise(const SearchTables& t) {
    RootSummary s;
    s.moves.assign(t.SearchMoves[1] + 1, t.SearchMoves[1] + 1 + t.SearchCount[1]);
    if (t.SearchCount[1] == 0) return s;
    s.best = BestRootValue(t);
    s.bestMoves.resize(t.SearchCount[1]);
    s.bestMoves.resize(static_cast<std::size_t>(BestRootMoves(t, s.bestMoves.data())));
    return s;
}

std::string Describe(const BoardState& b, int level) {
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

class Referee {
  public:
    explicit Referee(const FastSearchOptions& options = {}) : fast_(options) {}

    // Both searches on copies of b; every difference is reported against the position.
    void Compare(const BoardState& b, int level) {
        BoardState forReference = b;
        BoardState forFast = b;
        SearchRun referenceRun;
        referenceRun.level = level;
        ASSERT_TRUE(SearchRootValues(forReference, *reference_, referenceRun));
        SearchRun fastRun;
        fastRun.level = level;
        ASSERT_TRUE(fast_.RootValues(forFast, *tables_, fastRun));

        const RootSummary expected = Summarise(*reference_);
        const RootSummary got = Summarise(*tables_);
        ASSERT_EQ(got.moves, expected.moves) << Describe(b, level);
        ASSERT_EQ(got.best, expected.best) << Describe(b, level);
        ASSERT_EQ(got.bestMoves, expected.bestMoves) << Describe(b, level);
        ASSERT_TRUE(std::equal(forFast.Board, forFast.Board + kBoardEntries, b.Board));
        ASSERT_EQ(forFast.SideToMove, b.SideToMove);
        ++compared_;
    }

    int Compared() const { return compared_; }
    FastSearch& Fast() { return fast_; }

  private:
    FastSearch fast_;
    std::unique_ptr<SearchTables> reference_ = std::make_unique<SearchTables>();
    std::unique_ptr<SearchTables> tables_ = std::make_unique<SearchTables>();
    int compared_ = 0;
};

int RandomInt(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// A game of legal moves that complete no line while others are left: mostly the best by
// static score (as the computer plays at level 1), otherwise random. When only lines are
// left it takes one and stops there, unless playOn is set; so some positions hold lines
// that are already complete.
BoardState RandomGame(int size, int plies, bool playOn, std::mt19937& rng) {
    BoardState b;
    StartPosition(b, size);
    std::bernoulli_distribution greedy(0.6);
    for (int k = 0; k < plies; ++k) {
        testing::Offered offered(b);
        const int count = offered.count;
        if (count == 0) break;
        SortCandidates(offered.Column());
        std::vector<int> quiet;
        for (int i = 1; i <= count; ++i)
            if (std::abs(offered.scores[i]) < Whole(10000)) quiet.push_back(i);
        const int choice = quiet.empty() ? RandomInt(rng, 1, count)
                           : greedy(rng)
                               ? quiet.front()
                               : quiet[RandomInt(rng, 0, static_cast<int>(quiet.size()) - 1)];
        testing::PlayMove(b, offered.codes[choice]);
        if (quiet.empty() && !playOn) break;
    }
    return b;
}

bool HasOwnLine(BoardState b) {
    const testing::Offered offered(b);
    for (int i = 1; i <= offered.count; ++i)
        if (offered.scores[i] > Whole(9999)) return true;
    return false;
}

// Mostly a position where the side to move cannot win at once: the root then has to be
// searched, which is where the two searches could part.
BoardState MiddleGame(int size, int plies, bool playOn, std::mt19937& rng) {
    BoardState b = RandomGame(size, plies, playOn, rng);
    for (int retry = 0; retry < 8 && HasOwnLine(b) && RandomInt(rng, 0, 5) > 0; ++retry)
        b = RandomGame(size, plies, playOn, rng);
    return b;
}

// The inner field filled at random to the given density: crowded boards are full of
// lines, threats of lines and sides with few or no pushes.
BoardState CrowdedBoard(int size, double density, std::mt19937& rng) {
    BoardState b;
    StartPosition(b, size);
    std::bernoulli_distribution filled(density);
    std::bernoulli_distribution blue(0.5);
    for (int c = 1; c <= size * size; ++c)
        b.Board[c] = IsOnRing(size, c) || !filled(rng) ? Empty : (blue(rng) ? Blue : Red);
    b.SideToMove = blue(rng) ? Blue : Red;
    b.MoveNumber = static_cast<int16_t>(RandomInt(rng, 1, 40));
    return b;
}

// Larger boards have many more pushes; their deeper cases are kept to early games so the
// step-by-step search stays quick.
int LevelFor(int size, int pieces, std::mt19937& rng) {
    const int most = size <= 9 ? 4 : (pieces < 24 ? 4 : 3);
    return RandomInt(rng, 1, most);
}

int Orbels(const BoardState& b) {
    int count = 0;
    for (int c = 1; c <= b.CellCount(); ++c) count += b.Board[c] != Empty;
    return count;
}

TEST(fast_search, agrees_with_the_step_by_step_search_on_games_of_every_size) {
    std::mt19937 rng(20240611);
    Referee referee;
    const int games = 4200 / kScale;
    for (int g = 0; g < games; ++g) {
        const int size = 5 + 2 * (g % 7);
        const int plies = RandomInt(rng, 0, size <= 9 ? size * size / 2 : 3 * size);
        const BoardState b = MiddleGame(size, plies, g % 5 == 0, rng);
        referee.Compare(b, LevelFor(size, Orbels(b), rng));
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(referee.Compared(), games);
}

TEST(fast_search, agrees_on_crowded_boards_with_lines_wins_and_sides_without_pushes) {
    std::mt19937 rng(77);
    Referee referee;
    const int boards = 2400 / kScale;
    for (int k = 0; k < boards; ++k) {
        // Small boards at every level up to 4; on larger ones a crowded field offers hundreds
        // of pushes, so they stay at levels 1 and 2.
        const int size = k % 4 == 3 ? 11 + 2 * (k / 4 % 4) : 5 + 2 * (k % 4);
        const BoardState b = CrowdedBoard(size, 0.45 + 0.5 * (k % 10) / 10.0, rng);
        referee.Compare(b, RandomInt(rng, 1, size <= 9 ? 4 : 2));
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(referee.Compared(), boards);
}

TEST(fast_search, agrees_at_levels_five_and_six) {
    std::mt19937 rng(5150);
    Referee referee;
    const int cases = 150 / kScale;
    for (int k = 0; k < cases; ++k) {
        // The same searcher takes each position at level 5, then 6: the second search meets
        // the first one's stored bounds.
        const int size = k % 5 == 4 ? 11 : 5 + 2 * (k % 3);
        const BoardState b =
            k % 3 == 0 && size <= 9
                ? CrowdedBoard(size, 0.7, rng)
                : MiddleGame(size, RandomInt(rng, 4, size <= 9 ? 24 : 12), false, rng);
        referee.Compare(b, 5);
        referee.Compare(b, 6);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(referee.Compared(), 2 * cases);
}

// Where the best value is that of a root whose every candidate loses by running out of
// pushes.
bool EveryRootValueLoses(const SearchTables& t) {
    if (t.SearchCount[1] == 0) return false;
    for (int i = 1; i <= t.SearchCount[1]; ++i)
        if (t.SearchScores[1][i] >= kNoScore) return false;
    return true;
}

TEST(fast_search, agrees_late_in_small_games_where_sides_run_out_of_pushes) {
    std::mt19937 rng(1717);
    Referee referee;
    auto reference = std::make_unique<SearchTables>();
    const int cases = 600 / kScale;
    int allLosing = 0;
    for (int k = 0; k < cases; ++k) {
        const int size = k % 3 == 2 ? 7 : 5;
        const int plies = size == 5 ? RandomInt(rng, 3, 9) : RandomInt(rng, 12, 30);
        const BoardState b = RandomGame(size, plies, true, rng);
        const int level = 3 + k % (size == 5 ? 4 : 2);
        referee.Compare(b, level);
        if (HasFatalFailure()) return;
        BoardState copy = b;
        SearchRun run;
        run.level = level;
        SearchRootValues(copy, *reference, run);
        if (EveryRootValueLoses(*reference)) {
            ++allLosing;
            // The best of a losing root is still a move: the computer must play it.
            int16_t codes[kMaxCandidates];
            ASSERT_GT(BestRootMoves(*reference, codes), 0) << Describe(b, level);
            ASSERT_LT(BestRootValue(*reference), kNoScore) << Describe(b, level);
        }
    }
    EXPECT_EQ(referee.Compared(), cases);
    // The case this test is for must come up, or it tests nothing.
    EXPECT_GE(allLosing, cases / 50);
}

TEST(fast_search, a_small_table_full_of_other_positions_changes_nothing) {
    std::mt19937 rng(31337);
    FastSearchOptions options;
    options.tableMegabytes = 1;
    options.threads = 1;
    Referee referee(options);
    const int cases = 400 / kScale;
    for (int k = 0; k < cases; ++k) {
        const int size = 7 + 2 * (k % 3);
        referee.Compare(MiddleGame(size, RandomInt(rng, 6, 30), false, rng), 4);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(referee.Compared(), cases);
}

TEST(fast_search, two_threads_find_what_one_finds) {
    std::mt19937 rng(4242);
    FastSearchOptions one;
    one.threads = 1;
    FastSearchOptions two;
    two.threads = 2;
    FastSearch single(one);
    FastSearch shared(two);
    auto a = std::make_unique<SearchTables>();
    auto b = std::make_unique<SearchTables>();
    const int cases = 40 / kScale + 2;
    for (int k = 0; k < cases; ++k) {
        const int size = 9 + 2 * (k % 3);
        BoardState position = MiddleGame(size, RandomInt(rng, 12, 30), false, rng);
        for (int level : {5, 7}) {
            BoardState first = position;
            BoardState second = position;
            SearchRun run1;
            run1.level = level;
            SearchRun run2;
            run2.level = level;
            ASSERT_TRUE(single.RootValues(first, *a, run1));
            ASSERT_TRUE(shared.RootValues(second, *b, run2));
            const RootSummary s1 = Summarise(*a);
            const RootSummary s2 = Summarise(*b);
            ASSERT_EQ(s2.moves, s1.moves) << Describe(position, level);
            ASSERT_EQ(s2.best, s1.best) << Describe(position, level);
            ASSERT_EQ(s2.bestMoves, s1.bestMoves) << Describe(position, level);
            ASSERT_TRUE(std::equal(second.Board, second.Board + kBoardEntries, position.Board));
        }
    }
}

TEST(fast_search, root_line_and_level_one_keep_the_static_scores) {
    // Blue to move with four in a column and room to push a fifth into place.
    const int N = 9;
    auto at = [](int r, int c) { return testing::CellAt(9, r, c); };
    BoardState b = testing::Position(N,
                                     {{at(3, 4), Blue},
                                      {at(4, 4), Blue},
                                      {at(6, 4), Blue},
                                      {at(7, 4), Blue},
                                      {at(5, 5), Blue},
                                      {at(5, 3), Red}},
                                     false);
    b.MoveNumber = 9;
    FastSearch fast;
    auto fastTables = std::make_unique<SearchTables>();
    auto statics = std::make_unique<SearchTables>();
    GenerateMoves(b, statics->Column(1));
    SortCandidates(statics->Column(1));
    ASSERT_EQ(statics->SearchScores[1][1], Whole(10000));
    for (int level : {1, 3, 6}) {
        SearchRun run;
        run.level = level;
        ASSERT_TRUE(fast.RootValues(b, *fastTables, run));
        ASSERT_EQ(fastTables->SearchCount[1], statics->SearchCount[1]);
        for (int i = 1; i <= statics->SearchCount[1]; ++i)
            EXPECT_EQ(fastTables->SearchScores[1][i], statics->SearchScores[1][i]) << i;
        EXPECT_EQ(run.nodes, static_cast<uint64_t>(statics->SearchCount[1]));
    }
}

TEST(fast_search, no_legal_push_leaves_an_empty_row) {
    BoardState b = testing::Position(
        5,
        {{7, Blue}, {8, Red}, {9, Blue}, {12, Red}, {14, Blue}, {17, Red}, {18, Blue}, {19, Red}});
    FastSearch fast;
    auto tables = std::make_unique<SearchTables>();
    SearchRun run;
    run.level = 5;
    EXPECT_TRUE(fast.RootValues(b, *tables, run));
    EXPECT_EQ(tables->SearchCount[1], 0);
}

TEST(fast_search, stop_flag_ends_a_long_search_with_the_board_intact) {
    // An early game where four plies ahead neither side is near a line: level 11 is a long
    // way from there.
    std::mt19937 rng(99);
    BoardState position;
    auto probe = std::make_unique<SearchTables>();
    FastSearch prober;
    for (;;) {
        position = RandomGame(13, 12, false, rng);
        SearchRun run;
        run.level = 4;
        prober.RootValues(position, *probe, run);
        if (probe->SearchCount[1] > 20 && std::abs(BestRootValue(*probe)) < Whole(100)) break;
    }
    for (int threads : {1, 2}) {
        FastSearchOptions options;
        options.threads = threads;
        Referee referee(options);
        FastSearch& fast = referee.Fast();
        auto tables = std::make_unique<SearchTables>();

        // Raised before the search starts.
        std::atomic<bool> stop{true};
        BoardState b = position;
        SearchRun early;
        early.level = 11;
        early.stop = &stop;
        EXPECT_FALSE(fast.RootValues(b, *tables, early));
        EXPECT_TRUE(std::equal(b.Board, b.Board + kBoardEntries, position.Board));

        // Raised while it runs.
        stop = false;
        SearchRun late;
        late.level = 11;
        late.stop = &stop;
        std::thread raiser([&stop] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            stop = true;
        });
        EXPECT_FALSE(fast.RootValues(b, *tables, late));
        raiser.join();
        EXPECT_TRUE(std::equal(b.Board, b.Board + kBoardEntries, position.Board));
        EXPECT_EQ(b.SideToMove, position.SideToMove);

        // A stopped search leaves nothing behind that spoils the next one.
        referee.Compare(MiddleGame(9, 20, false, rng), 4);
    }
}

}  // namespace
}  // namespace orbel
