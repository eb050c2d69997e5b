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

#include "computer/fast_table.h"
#include "computer/search.h"
#include "random_games.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::Describe;

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

// Where the best value is that of a root whose every candidate loses by running out of
// pushes.
bool EveryRootValueLoses(const SearchTables& t) {
    if (t.SearchCount[1] == 0) return false;
    for (int i = 1; i <= t.SearchCount[1]; ++i)
        if (t.SearchScores[1][i] >= kNoScore) return false;
    return true;
}

class Referee {
  public:
    explicit Referee(const FastSearchOptions& options = {}) : fast_(options) {}

    // Both searches on copies of b, the fast one through RootValues and through Best; every
    // difference is reported against the position.
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

        // The same answer without tables, as the game asks for it.
        ASSERT_TRUE(fast_.Best(b, level, nullptr, *best_));
        ASSERT_EQ(best_->count, static_cast<int>(expected.bestMoves.size())) << Describe(b, level);
        if (best_->count > 0) {
            ASSERT_EQ(best_->value, expected.best) << Describe(b, level);
        }
        ASSERT_TRUE(
            std::equal(best_->codes, best_->codes + best_->count, expected.bestMoves.begin()))
            << Describe(b, level);

        if (EveryRootValueLoses(*reference_)) {
            ++allLosing_;
            // The best of a losing root is still a move: the computer must play it.
            ASSERT_GT(expected.bestMoves.size(), 0u) << Describe(b, level);
            ASSERT_LT(expected.best, kNoScore) << Describe(b, level);
        }
        ++compared_;
    }

    int Compared() const { return compared_; }
    int AllLosing() const { return allLosing_; }
    FastSearch& Fast() { return fast_; }

  private:
    FastSearch fast_;
    std::unique_ptr<SearchTables> reference_ = std::make_unique<SearchTables>();
    std::unique_ptr<SearchTables> tables_ = std::make_unique<SearchTables>();
    std::unique_ptr<BestMoves> best_ = std::make_unique<BestMoves>();
    int compared_ = 0;
    int allLosing_ = 0;
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

// One position of an agreement case and the levels it is compared at, in turn.
struct Trial {
    BoardState position;
    std::vector<int> levels;
};

// A family of positions on which the fast search must agree with the step-by-step one.
struct AgreementCase {
    const char* name;
    uint32_t seed;
    int cases;  // in an optimised build; kScale times fewer otherwise
    FastSearchOptions options;
    // The k-th trial, drawn from rng.
    Trial (*make)(int k, std::mt19937& rng);
    // Roots where every push loses by running out of pushes, per thousand cases at least:
    // the cases made for them must bring them up, or they test nothing.
    int allLosingPerMille = 0;
};

FastSearchOptions Options(int threads, std::size_t tableMegabytes) {
    FastSearchOptions options;
    options.threads = threads;
    options.tableMegabytes = tableMegabytes;
    return options;
}

// Games of every size, mostly where the side to move cannot win at once.
Trial GameOfEverySize(int g, std::mt19937& rng) {
    const int size = 5 + 2 * (g % 7);
    const int plies = RandomInt(rng, 0, size <= 9 ? size * size / 2 : 3 * size);
    BoardState b = MiddleGame(size, plies, g % 5 == 0, rng);
    const int level = LevelFor(size, Orbels(b), rng);
    return {b, {level}};
}

// Crowded boards with lines, wins and sides without pushes. Small boards at every level up
// to 4; on larger ones a crowded field offers hundreds of pushes, so they stay at levels 1
// and 2.
Trial CrowdedField(int k, std::mt19937& rng) {
    const int size = k % 4 == 3 ? 11 + 2 * (k / 4 % 4) : 5 + 2 * (k % 4);
    BoardState b = CrowdedBoard(size, 0.45 + 0.5 * (k % 10) / 10.0, rng);
    return {b, {RandomInt(rng, 1, size <= 9 ? 4 : 2)}};
}

// Levels 5 and 6: the same searcher takes each position at level 5, then 6, so the second
// search meets the first one's stored bounds.
Trial FiveThenSix(int k, std::mt19937& rng) {
    const int size = k % 5 == 4 ? 11 : 5 + 2 * (k % 3);
    BoardState b = k % 3 == 0 && size <= 9
                       ? CrowdedBoard(size, 0.7, rng)
                       : MiddleGame(size, RandomInt(rng, 4, size <= 9 ? 24 : 12), false, rng);
    return {b, {5, 6}};
}

// Late in small games, where sides run out of pushes.
Trial LateSmallGame(int k, std::mt19937& rng) {
    const int size = k % 3 == 2 ? 7 : 5;
    const int plies = size == 5 ? RandomInt(rng, 3, 9) : RandomInt(rng, 12, 30);
    BoardState b = RandomGame(size, plies, true, rng);
    return {b, {3 + k % (size == 5 ? 4 : 2)}};
}

// Middle games at level 4, for a table too small to hold them.
Trial MiddleGameAtFour(int k, std::mt19937& rng) {
    const int size = 7 + 2 * (k % 3);
    return {MiddleGame(size, RandomInt(rng, 6, 30), false, rng), {4}};
}

class Agreement : public ::testing::TestWithParam<AgreementCase> {};

TEST_P(Agreement, fast_search_finds_the_step_by_step_best_value_and_best_set) {
    const AgreementCase& c = GetParam();
    std::mt19937 rng(c.seed);
    Referee referee(c.options);
    const int cases = c.cases / kScale;
    int compared = 0;
    for (int k = 0; k < cases; ++k) {
        const Trial trial = c.make(k, rng);
        for (int level : trial.levels) {
            referee.Compare(trial.position, level);
            if (HasFatalFailure()) return;
            ++compared;
        }
    }
    EXPECT_EQ(referee.Compared(), compared);
    EXPECT_GE(referee.AllLosing() * 1000, cases * c.allLosingPerMille);
}

INSTANTIATE_TEST_SUITE_P(
    fast_search, Agreement,
    ::testing::Values(
        AgreementCase{"games_of_every_size", 20240611, 4200, {}, GameOfEverySize},
        AgreementCase{
            "crowded_boards_with_lines_wins_and_sides_without_pushes", 77, 2400, {}, CrowdedField},
        AgreementCase{"levels_five_and_six", 5150, 150, {}, FiveThenSix},
        AgreementCase{
            "late_in_small_games_where_sides_run_out_of_pushes", 1717, 600, {}, LateSmallGame, 20},
        AgreementCase{"a_small_table_full_of_other_positions", 31337, 400, Options(1, 1),
                      MiddleGameAtFour}),
    [](const ::testing::TestParamInfo<AgreementCase>& info) { return info.param.name; });

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

TEST(fast_search, exact_values_of_every_candidate_are_each_candidates_own_on_any_thread_count) {
    std::mt19937 rng(2718);
    FastSearch every(Options(1, 16));
    FastSearch single(Options(1, 16));
    FastSearch shared(Options(2, 16));
    auto exact = std::make_unique<RootCandidates>();
    auto bounds = std::make_unique<RootCandidates>();
    auto twoThreads = std::make_unique<RootCandidates>();
    auto tables = std::make_unique<SearchTables>();
    const int cases = 60 / kScale + 2;
    for (int k = 0; k < cases; ++k) {
        const int size = 7 + 2 * (k % 3);
        const BoardState b = MiddleGame(size, RandomInt(rng, 6, 24), k % 4 == 0, rng);
        const int level = 3 + k % 3;
        ASSERT_TRUE(every.Candidates(b, level, RootValueMode::Every, nullptr, *exact));
        ASSERT_TRUE(every.Candidates(b, level, RootValueMode::Best, nullptr, *bounds));
        ASSERT_TRUE(shared.Candidates(b, level, RootValueMode::Every, nullptr, *twoThreads));
        BoardState copy = b;
        SearchRun run;
        run.level = level;
        ASSERT_TRUE(single.RootValues(copy, *tables, run));
        const RootSummary row = Summarise(*tables);

        ASSERT_EQ(std::vector<int16_t>(exact->codes, exact->codes + exact->count), row.moves);
        BestMoves best;
        BestOfCandidates(*exact, best);
        if (exact->count > 0) {
            EXPECT_EQ(best.value, row.best) << Describe(b, level);
        }
        EXPECT_EQ(std::vector<int16_t>(best.codes, best.codes + best.count), row.bestMoves)
            << Describe(b, level);
        for (int i = 0; i < exact->count; ++i) {
            Tenths alone = 0;
            ASSERT_TRUE(single.CandidateValue(b, level, exact->codes[i], nullptr, alone));
            EXPECT_EQ(alone, exact->values[i]) << i << "\n" << Describe(b, level);
            EXPECT_EQ(twoThreads->values[i], exact->values[i]) << i << "\n" << Describe(b, level);
            EXPECT_EQ(exact->scores[i], bounds->scores[i]);
            // Without them exact, the others only hold upper bounds; unless the mover
            // completes a line, when they are not searched at all.
            if (exact->scores[0] <= Whole(9999)) {
                EXPECT_GE(bounds->values[i], exact->values[i]) << i << "\n" << Describe(b, level);
            }
        }
        if (HasFailure()) return;
    }
}

TEST(fast_search, exact_values_stop_and_refuse_a_push_that_is_not_offered) {
    const BoardState b = testing::Position(13);
    FastSearch fast(Options(1, 16));
    auto candidates = std::make_unique<RootCandidates>();
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(fast.Candidates(b, 8, RootValueMode::Every, &stop, *candidates));
    // Stopped, the row still names the candidates with their static scores.
    ASSERT_EQ(candidates->count, 4);
    EXPECT_EQ(candidates->scores[0], 0);
    Tenths value = 12345;
    EXPECT_FALSE(fast.CandidateValue(b, 8, candidates->codes[0], &stop, value));
    EXPECT_EQ(value, 12345);
    // Cell 1 is on the ring; the centre is taken.
    EXPECT_FALSE(fast.CandidateValue(b, 3, MoveCode(1, kRight), nullptr, value));
    EXPECT_FALSE(fast.CandidateValue(b, 3, MoveCode(CentreCell(13), kUp), nullptr, value));
    EXPECT_EQ(value, 12345);
    EXPECT_TRUE(fast.CandidateValue(b, 3, candidates->codes[0], nullptr, value));
    EXPECT_EQ(value, 0);
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

// A side without a push: both searches leave an empty row and an empty best set, and the
// coin flips choose nothing.
TEST(fast_search, no_legal_push_gives_an_empty_row_and_no_best_move) {
    BoardState b = testing::Position(
        5,
        {{7, Blue}, {8, Red}, {9, Blue}, {12, Red}, {14, Blue}, {17, Red}, {18, Blue}, {19, Red}});
    auto tables = std::make_unique<SearchTables>();
    SearchRun run;
    run.level = 5;
    ASSERT_TRUE(SearchRootValues(b, *tables, run));
    EXPECT_EQ(tables->SearchCount[1], 0);
    int16_t codes[kMaxCandidates + 1];
    EXPECT_EQ(BestRootMoves(*tables, codes), 0);
    RandomSource random(3);
    EXPECT_EQ(PickRootCandidate(*tables, random), 0);

    FastSearch fast;
    tables->SearchCount[1] = 7;
    EXPECT_TRUE(fast.RootValues(b, *tables, run));
    EXPECT_EQ(tables->SearchCount[1], 0);
    BestMoves best;
    best.count = 7;
    ASSERT_TRUE(fast.Best(b, 5, nullptr, best));
    EXPECT_EQ(best.count, 0);
    EXPECT_EQ(best.value, kNoScore);
}

// Where every push loses by running out of pushes, the values fall below kNoScore, where a
// best starts, and both searches still name the best moves: codes 11 and 21 at level 3.
TEST(fast_search, a_root_where_every_push_loses_still_has_its_best_moves) {
    BoardState b = testing::EveryPushLoses();
    auto tables = std::make_unique<SearchTables>();
    SearchRun run;
    run.level = 3;
    ASSERT_TRUE(SearchRootValues(b, *tables, run));
    const Tenths lost = Whole(-100000) - 6;
    EXPECT_EQ(BestRootValue(*tables), lost);
    int16_t codes[kMaxCandidates + 1];
    ASSERT_EQ(BestRootMoves(*tables, codes), 2);
    EXPECT_EQ(std::vector<int16_t>(codes, codes + 2), (std::vector<int16_t>{11, 21}));

    FastSearch fast;
    BestMoves best;
    ASSERT_TRUE(fast.Best(b, 3, nullptr, best));
    EXPECT_EQ(best.value, lost);
    EXPECT_EQ(std::vector<int16_t>(best.codes, best.codes + best.count),
              (std::vector<int16_t>{11, 21}));
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

// A table that never finds what it was given costs only time, which no agreement case sees.
TEST(FastTable, finds_each_stored_entry_at_its_depth_and_nothing_under_another_key) {
    FastTable table(1);
    std::mt19937_64 rng(7);
    struct Entry {
        uint64_t key;
        int depth;
        Tenths value;
        Bound bound;
        int16_t move;
    };
    // Far fewer entries than slots, so none gives way to another.
    std::vector<Entry> entries;
    for (int i = 0; i < 2000; ++i) {
        const Bound bound = static_cast<Bound>(1 + i % 3);
        entries.push_back({rng(), 1 + i % 20, i - 1000, bound, static_cast<int16_t>(1 + i % 300)});
        const Entry& e = entries.back();
        table.Store(e.key, e.depth, e.value, e.bound, e.move);
    }
    for (const Entry& e : entries) {
        const TableHit hit = table.Probe(e.key, e.depth);
        ASSERT_TRUE(hit.valueFound) << e.key;
        EXPECT_EQ(hit.value, e.value);
        EXPECT_EQ(hit.bound, e.bound);
        EXPECT_EQ(hit.move, e.move);
        // Another depth gives the move to try first, not the value.
        const TableHit deeper = table.Probe(e.key, e.depth + 1);
        EXPECT_FALSE(deeper.valueFound);
        EXPECT_EQ(deeper.move, e.move);
        // The same bucket under another key holds nothing for it.
        const TableHit other = table.Probe(e.key ^ (uint64_t{1} << 63), e.depth);
        EXPECT_FALSE(other.valueFound);
        EXPECT_EQ(other.move, 0);
    }
}

}  // namespace
}  // namespace orbel
