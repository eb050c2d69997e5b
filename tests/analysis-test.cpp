#include "computer/analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "computer/search.h"
#include "engine/lines.h"
#include "engine/move_rules.h"
#include "game/analysis_session.h"
#include "game/game_review.h"
#include "random_games.h"
#include "test_positions.h"
#include "tools/analyse.h"
#include "tools/cli.h"

namespace orbel {
namespace {

using testing::Describe;

#ifdef NDEBUG
constexpr int kScale = 1;
#else
// Unoptimised and sanitizer builds run the same cases, fewer of them.
constexpr int kScale = 3;
#endif

// The step-by-step search's value of one root candidate searched on its own: its static
// score at level 1 or for a line of its own; otherwise the static score discounted by a
// tenth less the best the reference finds, one level less deep, for the position the push
// reaches (never less than kNoScore, as at any depth below the root; the move number stays
// the root's, as in every search).
Tenths ReferenceValue(const BoardState& b, int code, Tenths score, int level, SearchTables& t) {
    if (level == 1 || score > Whole(9999)) return score;
    BoardState after = b;
    ApplyMoveCode(after, code);
    SearchRun run;
    run.level = level - 1;
    EXPECT_TRUE(SearchRootValues(after, t, run));
    const Tenths reply = t.SearchCount[1] == 0 ? kNoScore : std::max(kNoScore, BestRootValue(t));
    return score / 10 - reply;
}

// The position the record reaches after its first `moves` moves.
BoardState After(const GameRecord& record, int moves) {
    BoardState b;
    EXPECT_TRUE(ReplayMoves(record.BoardSize, record.Moves, b, moves).Ok());
    return b;
}

std::vector<int16_t> Codes(const BestMoves& best) {
    return {best.codes, best.codes + best.count};
}

// What the analyser said of one level, kept to compare.
struct Seen {
    int level = 0;
    Tenths value = 0;
    std::vector<int16_t> best;
    std::vector<int16_t> codes;
    std::vector<Tenths> values;
    std::vector<ValueKind> kinds;

    explicit Seen(const LevelAnalysis& a)
        : level(a.level), value(a.best.value), best(Codes(a.best)) {
        for (int i = 0; i < a.count; ++i) {
            codes.push_back(a.moves[i].code);
            values.push_back(a.moves[i].value);
            kinds.push_back(a.moves[i].kind);
        }
    }
    bool operator==(const Seen&) const = default;
};

// ---- The analyser against analyse and the reference, on every board size ----

struct Tally {
    int positions = 0;
    int withoutPush = 0;
    int ownLine = 0;
    int cutShort = 0;  // candidates whose row-1 value in the reference is only a bound
};

class Checker {
  public:
    // One position at one level: the analyser's level against `orbelfive-cli analyse`'s
    // value and best set, and every candidate against the reference.
    void Check(const BoardState& b, int level, Tally& tally) {
        ASSERT_TRUE(analyser_.AnalyseLevel(b, level, nullptr, *result_));
        const LevelAnalysis& a = *result_;

        // What analyse prints, with the search the tool runs.
        BoardState forAnalyse = b;
        SearchOptions options;
        options.level = level;
        options.search = fast_;
        AnalysePosition(forAnalyse, *tables_, options, *printed_);
        ASSERT_EQ(a.count, printed_->count) << Describe(b, level);
        ASSERT_EQ(a.best.count, printed_->bestCount) << Describe(b, level);
        if (a.count > 0) {
            ASSERT_EQ(a.best.value, printed_->value) << Describe(b, level);
            ASSERT_EQ(FormatTenths(a.best.value), FormatTenths(printed_->value));
        }
        ASSERT_TRUE(std::equal(a.best.codes, a.best.codes + a.best.count, printed_->best))
            << Describe(b, level);
        EXPECT_EQ(a.level, level);
        EXPECT_EQ(a.sideToMove, b.SideToMove);
        EXPECT_EQ(a.moveNumber, b.MoveNumber);

        // Row 1 of the reference: the candidates in sorted order with their values.
        BoardState forReference = b;
        SearchRun run;
        run.level = level;
        ASSERT_TRUE(SearchRootValues(forReference, *reference_, run));
        std::map<int, Tenths> row;
        for (int i = 1; i <= reference_->SearchCount[1]; ++i)
            row[reference_->SearchMoves[1][i]] = reference_->SearchScores[1][i];
        std::map<int, Tenths> statics;
        for (int i = 1; i <= printed_->count; ++i)
            statics[printed_->codes[i]] = printed_->scores[i];

        const bool ownLine = a.count > 0 && a.moves[0].score > Whole(9999);
        for (int i = 0; i < a.count; ++i) {
            const AnalysedMove& m = a.moves[i];
            ASSERT_EQ(statics.count(m.code), 1u) << m.code << "\n" << Describe(b, level);
            EXPECT_EQ(m.score, statics[m.code]);
            EXPECT_EQ(m.cell, PlacementOf(m.code));
            EXPECT_EQ(m.direction, DirectionOf(m.code));
            EXPECT_EQ(m.kind, ValueKind::Exact);
            // Every value is the candidate's own, as the reference values it alone.
            const Tenths alone = ReferenceValue(b, m.code, m.score, level, *child_);
            EXPECT_EQ(m.value, alone) << m.code << "\n" << Describe(b, level);
            // Row 1 holds that value wherever the reference searched the candidate to the
            // end, always for the best set; elsewhere only an upper bound of it, or, beside
            // a line of the mover's own, the static score.
            if (m.best) {
                EXPECT_EQ(row[m.code], m.value) << m.code << "\n" << Describe(b, level);
            } else if (!ownLine) {
                EXPECT_GE(row[m.code], m.value) << m.code << "\n" << Describe(b, level);
                tally.cutShort += row[m.code] != m.value;
            }
            // Best first: the best set in the reference's order, then by falling value.
            EXPECT_EQ(m.best, i < a.best.count);
            if (i < a.best.count) {
                EXPECT_EQ(m.code, a.best.codes[i]);
                EXPECT_EQ(m.value, a.best.value);
            } else if (i > a.best.count) {
                EXPECT_LE(m.value, a.moves[i - 1].value);
            }
        }
        ++tally.positions;
        tally.withoutPush += a.count == 0;
        tally.ownLine += ownLine;
    }

  private:
    Analyser analyser_;
    RootSearch fast_ = FastRootSearch(1);
    std::unique_ptr<LevelAnalysis> result_ = std::make_unique<LevelAnalysis>();
    std::unique_ptr<Analysis> printed_ = std::make_unique<Analysis>();
    std::unique_ptr<SearchTables> tables_ = std::make_unique<SearchTables>();
    std::unique_ptr<SearchTables> reference_ = std::make_unique<SearchTables>();
    std::unique_ptr<SearchTables> child_ = std::make_unique<SearchTables>();
};

// The deepest level checked on a board: the reference values every candidate on its own,
// which larger boards with their hundred pushes and more make slow.
int DeepestChecked(int size) {
    return size <= 7 ? 5 : size <= 11 ? 4 : 3;
}

class EverySize : public ::testing::TestWithParam<int> {};

TEST_P(EverySize, levels_agree_with_analyse_and_every_candidate_with_the_reference) {
    const int size = GetParam();
    std::mt19937 rng(static_cast<uint32_t>(7919 * size));
    Checker checker;
    Tally tally;
    const int positions = 30 / kScale + 2;
    for (int k = 0; k < positions; ++k) {
        // From a new game to games the smallest boards play until no push is left.
        const int moves = k == 0 ? 0 : static_cast<int>(rng() % (size * size));
        const auto record = testing::RandomRecord(size, moves, rng);
        const BoardState b = After(*record, record->Moves.count());
        for (int level = 1; level <= DeepestChecked(size); ++level) {
            checker.Check(b, level, tally);
            if (HasFailure()) return;
        }
    }
    EXPECT_EQ(tally.positions, positions * DeepestChecked(size));
    // The smallest boards run out of pushes, and then the analysis is empty.
    if (size == 5) {
        EXPECT_GT(tally.withoutPush, 0);
    }
    RecordProperty("own_line_roots", tally.ownLine);
    RecordProperty("row_values_cut_short", tally.cutShort);
}

INSTANTIATE_TEST_SUITE_P(analysis, EverySize, ::testing::Values(5, 7, 9, 11, 13, 15, 17),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "size_" + std::to_string(info.param);
                         });

// The best set of the analysis comes from its own candidates: where every push loses it
// is still there, and a side without a push has none.
TEST(analysis, best_moves_where_every_push_loses_and_none_without_a_push) {
    Analyser analyser;
    auto a = std::make_unique<LevelAnalysis>();
    ASSERT_TRUE(analyser.AnalyseLevel(testing::EveryPushLoses(), 3, nullptr, *a));
    EXPECT_EQ(Codes(a->best), (std::vector<int16_t>{11, 21}));
    const BoardState stuck = testing::Position(
        5,
        {{7, Blue}, {8, Red}, {9, Blue}, {12, Red}, {14, Blue}, {17, Red}, {18, Blue}, {19, Red}});
    ASSERT_TRUE(analyser.AnalyseLevel(stuck, 3, nullptr, *a));
    EXPECT_EQ(a->count + a->best.count, 0);
}

// ---- Values above exactUpTo ----

// Random positions of a few sizes where the side to move has a push.
std::vector<BoardState> SomePositions(uint32_t seed, int count) {
    std::mt19937 rng(seed);
    std::vector<BoardState> positions;
    while (static_cast<int>(positions.size()) < count) {
        const int size = 7 + 2 * static_cast<int>(positions.size() % 3);
        const auto record = testing::RandomRecord(size, 4 + static_cast<int>(rng() % 20), rng);
        BoardState b = After(*record, record->Moves.count());
        if (HasLegalMove(b)) positions.push_back(b);
    }
    return positions;
}

TEST(analysis, above_exact_up_to_other_candidates_are_upper_bounds_or_static_scores) {
    AnalyserOptions boundsAbove2;
    boundsAbove2.exactUpTo = 2;
    Analyser bounded(boundsAbove2);
    Analyser exact;
    auto a = std::make_unique<LevelAnalysis>();
    auto e = std::make_unique<LevelAnalysis>();
    int atMost = 0;
    for (const BoardState& b : SomePositions(404, 24 / kScale + 2)) {
        for (int level : {2, 4}) {
            ASSERT_TRUE(bounded.AnalyseLevel(b, level, nullptr, *a));
            ASSERT_TRUE(exact.AnalyseLevel(b, level, nullptr, *e));
            EXPECT_EQ(a->best.value, e->best.value) << Describe(b, level);
            EXPECT_EQ(Codes(a->best), Codes(e->best)) << Describe(b, level);
            std::map<int, Tenths> exactValue;
            for (int i = 0; i < e->count; ++i) exactValue[e->moves[i].code] = e->moves[i].value;
            const bool ownLine = a->moves[0].score > Whole(9999);
            for (int i = 0; i < a->count; ++i) {
                const AnalysedMove& m = a->moves[i];
                if (level <= 2 || m.best) {
                    EXPECT_EQ(m.kind, ValueKind::Exact);
                    EXPECT_EQ(m.value, exactValue[m.code]);
                } else if (ownLine) {
                    EXPECT_EQ(m.kind, ValueKind::Static);
                    EXPECT_EQ(m.value, m.score);
                } else {
                    EXPECT_EQ(m.kind, ValueKind::AtMost);
                    EXPECT_GE(m.value, exactValue[m.code]) << m.code << "\n" << Describe(b, level);
                    EXPECT_LT(m.value, a->best.value);
                    ++atMost;
                }
            }
            if (HasFailure()) return;
        }
    }
    EXPECT_GT(atMost, 0);
}

// ---- Deepen ----

TEST(analysis, deepen_reports_every_level_once_in_order_as_analyse_level_finds_it) {
    Analyser deepening;
    Analyser single;
    auto a = std::make_unique<LevelAnalysis>();
    for (const BoardState& b : SomePositions(1234, 9 / kScale + 2)) {
        std::vector<Seen> seen;
        EXPECT_TRUE(deepening.Deepen(
            b, 5, nullptr, [&](const LevelAnalysis& level) { seen.emplace_back(level); }));
        ASSERT_EQ(seen.size(), 5u);
        for (int level = 1; level <= 5; ++level) {
            EXPECT_EQ(seen[level - 1].level, level);
            // A fresh analyser of that level alone, its table empty, finds the same.
            ASSERT_TRUE(single.AnalyseLevel(b, level, nullptr, *a));
            EXPECT_EQ(seen[level - 1], Seen(*a)) << Describe(b, level);
        }
    }
}

TEST(analysis, deepen_ends_when_stopped_without_reporting_the_level_it_interrupts) {
    const BoardState b = SomePositions(99, 1)[0];
    Analyser analyser;
    std::vector<int> levels;
    const auto note = [&](const LevelAnalysis& a) { levels.push_back(a.level); };

    // Raised before it starts: nothing at all.
    std::atomic<bool> stop{true};
    EXPECT_FALSE(analyser.Deepen(b, 6, &stop, note));
    EXPECT_TRUE(levels.empty());

    // Raised while level 2 is reported: level 3 is begun, and never reported.
    stop = false;
    EXPECT_FALSE(analyser.Deepen(b, 6, &stop, [&](const LevelAnalysis& a) {
        note(a);
        if (a.level == 2) stop = true;
    }));
    EXPECT_EQ(levels, (std::vector<int>{1, 2}));

    // Raised from another thread in the middle of a long search: it returns soon after,
    // and what it reported are whole levels, in order.
    stop = false;
    std::vector<Seen> seen;
    std::atomic<std::chrono::steady_clock::rep> raisedAt{0};
    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        raisedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        stop = true;
    });
    const BoardState open = testing::Position(13);
    EXPECT_FALSE(analyser.Deepen(open, kDeepestLevel, &stop,
                                 [&](const LevelAnalysis& a) { seen.emplace_back(a); }));
    const auto returnedAt = std::chrono::steady_clock::now().time_since_epoch().count();
    raiser.join();
    const std::chrono::steady_clock::duration late(returnedAt - raisedAt.load());
    EXPECT_LT(late, std::chrono::milliseconds(500));
    EXPECT_LT(seen.size(), static_cast<size_t>(kDeepestLevel));
    Analyser fresh;
    auto a = std::make_unique<LevelAnalysis>();
    for (size_t i = 0; i < seen.size() && i < 6; ++i) {
        EXPECT_EQ(seen[i].level, static_cast<int>(i) + 1);
        ASSERT_TRUE(fresh.AnalyseLevel(open, seen[i].level, nullptr, *a));
        EXPECT_EQ(seen[i], Seen(*a));
    }
}

// ---- The evaluation held still and the line the search expects ----

// Over many positions and levels 2 to 7: a level's evaluation is the mean of its best value
// and the level before's where both are open, to the tenth toward zero, and the deeper
// value where that is decided; a decided value keeps the level its run began; the
// evaluation moves from level to level far less than the best values, which lean towards
// the side that moves last in each search; and analyse prints the same evaluation, from
// Red's side, with the line the analyser expects.
TEST(analysis, the_evaluation_holds_still_across_levels) {
    constexpr int kDeepest = 7;
    std::mt19937 rng(4242);
    Analyser analyser;
    auto printed = std::make_unique<Analysis>();
    auto tables = std::make_unique<SearchTables>();
    SearchOptions options;
    options.level = kDeepest;
    options.search = FastRootSearch(1);
    Tenths singleSteps = 0;
    Tenths steadySteps = 0;
    int openSteps = 0;
    for (int k = 0; k < 48 / kScale; ++k) {
        const int size = 7 + 2 * (k % 2);
        const auto record = testing::RandomRecord(size, 6 + static_cast<int>(rng() % 16), rng);
        BoardState b = After(*record, record->Moves.count());
        if (!HasLegalMove(b)) continue;
        std::vector<Tenths> best{0};
        std::vector<Tenths> evaluation{0};
        std::vector<int> decidedAt{0};
        ASSERT_TRUE(analyser.Deepen(b, kDeepest, nullptr, [&](const LevelAnalysis& a) {
            best.push_back(a.best.value);
            evaluation.push_back(a.evaluation);
            decidedAt.push_back(a.decidedAt);
        }));
        EXPECT_EQ(evaluation[1], best[1]);
        int runStart = 0;
        for (int level = 1; level <= kDeepest; ++level) {
            const Outcome now = OutcomeOf(best[level]);
            const bool sameRun = level > 1 && now == OutcomeOf(best[level - 1]);
            runStart = now == Outcome::Open ? 0 : sameRun ? runStart : level;
            EXPECT_EQ(decidedAt[level], runStart) << Describe(b, level);
            if (level == 1) continue;
            const bool open = now == Outcome::Open && OutcomeOf(best[level - 1]) == Outcome::Open;
            if (open) {
                EXPECT_EQ(evaluation[level], (best[level] + best[level - 1]) / 2)
                    << Describe(b, level);
            } else if (now != Outcome::Open) {
                EXPECT_EQ(evaluation[level], best[level]) << Describe(b, level);
            }
            if (open && level > 2 && OutcomeOf(best[level - 2]) == Outcome::Open) {
                singleSteps += std::abs(best[level] - best[level - 1]);
                steadySteps += std::abs(evaluation[level] - evaluation[level - 1]);
                ++openSteps;
            }
        }
        AnalysePosition(b, *tables, options, *printed);
        EXPECT_EQ(printed->evaluation, RedView(evaluation[kDeepest], b.SideToMove))
            << Describe(b, kDeepest);
        ExpectedLine line;
        ASSERT_TRUE(analyser.ExpectLine(b, printed->best[0], kDeepest, nullptr, line));
        EXPECT_EQ(
            std::vector<int16_t>(printed->line.codes, printed->line.codes + printed->line.count),
            std::vector<int16_t>(line.codes, line.codes + line.count));
        if (HasFailure()) return;
    }
    RecordProperty("open_steps", openSteps);
    RecordProperty("single_level_steps", singleSteps);
    RecordProperty("steady_steps", steadySteps);
    EXPECT_GT(openSteps, 20);
    EXPECT_LT(3 * steadySteps, singleSteps);
}

// Every move of an expected line, the best's or another candidate's, after its first is one
// of the best set of the position it is played in, at the level left, as an analyser of
// its own finds it; the line is as long as the levels allow unless the game ends first.
TEST(analysis, the_expected_line_follows_the_best_sets_at_the_levels_left) {
    std::mt19937 rng(61);
    Analyser lines;
    Analyser judge;
    auto a = std::make_unique<LevelAnalysis>();
    auto reply = std::make_unique<LevelAnalysis>();
    int ended = 0;
    for (const BoardState& b : SomePositions(808, 24 / kScale + 2)) {
        const int level = 1 + static_cast<int>(rng() % 7);
        ASSERT_TRUE(judge.AnalyseLevel(b, level, nullptr, *a));
        for (const int first : {a->best.codes[0], a->moves[a->count - 1].code}) {
            ExpectedLine line;
            ASSERT_TRUE(lines.ExpectLine(b, first, level, nullptr, line));
            ASSERT_GE(line.count, 1);
            EXPECT_EQ(line.codes[0], first);
            EXPECT_EQ(line.level, level);
            BoardState p = b;
            for (int i = 0; i < line.count; ++i) {
                if (i > 0) {
                    ASSERT_TRUE(judge.AnalyseLevel(p, level - i, nullptr, *reply));
                    EXPECT_TRUE(std::count(reply->best.codes, reply->best.codes + reply->best.count,
                                           line.codes[i]))
                        << "move " << i + 1 << " of the line\n"
                        << Describe(p, level - i);
                }
                ASSERT_EQ(PlayMove(p, PlayedMoveOf(p.BoardSize, line.codes[i])), MoveFault::None);
            }
            const bool over = ScanLines(p).Any() || !HasLegalMove(p);
            if (line.count < std::min(level, kLineLength)) {
                EXPECT_TRUE(over) << Describe(b, level);
                ++ended;
            }
            if (HasFailure()) return;
        }
    }
    RecordProperty("lines_ended_by_the_game", ended);
}

// ---- Reviews ----

TEST(analysis, review_rows_agree_with_analysing_each_position) {
    std::mt19937 rng(31);
    Analyser reviewer;
    Analyser analyser;
    auto a = std::make_unique<LevelAnalysis>();
    int lineMissed = 0;
    for (int game = 0; game < 8 / kScale + 2; ++game) {
        const int size = 5 + 2 * (game % 5);
        const int level = 1 + game % 3;
        const auto record = testing::RandomRecord(size, 12 + static_cast<int>(rng() % 30), rng);
        std::vector<ReviewedMove> rows;
        // From a move inside the game, as the analysis window goes on after moves it valued.
        const int from = 1 + game % 4;
        ASSERT_EQ(ReviewGame(
                      reviewer, size, record->Moves, level, nullptr,
                      [&](const ReviewedMove& row) { rows.push_back(row); }, from),
                  ReviewEnd::Finished);
        ASSERT_EQ(static_cast<int>(rows.size()), record->Moves.count() - from + 1);
        for (int i = from; i <= record->Moves.count(); ++i) {
            const ReviewedMove& row = rows[i - from];
            const BoardState b = After(*record, i - 1);
            EXPECT_EQ(row.moveNumber, i);
            EXPECT_EQ(row.side, b.SideToMove);
            EXPECT_EQ(row.placed, record->Moves[i].placed);
            EXPECT_EQ(row.moved, record->Moves[i].moved);
            EXPECT_EQ(row.code, MoveCodeOf(size, record->Moves[i]));

            ASSERT_TRUE(analyser.AnalyseLevel(b, level, nullptr, *a));
            EXPECT_EQ(row.best.value, a->best.value) << Describe(b, level);
            EXPECT_EQ(Codes(row.best), Codes(a->best)) << Describe(b, level);
            const AnalysedMove* played =
                std::find_if(a->moves, a->moves + a->count,
                             [&](const AnalysedMove& m) { return m.code == row.code; });
            ASSERT_NE(played, a->moves + a->count);
            EXPECT_EQ(row.value, played->value) << Describe(b, level);

            // Both held still with the level before, and the loss between them.
            Tenths shallowValue = row.value;
            Tenths shallowBest = row.best.value;
            bool bestBoth = played->best;
            if (level > 1) {
                ASSERT_TRUE(analyser.AnalyseLevel(b, level - 1, nullptr, *a));
                const AnalysedMove* before =
                    std::find_if(a->moves, a->moves + a->count,
                                 [&](const AnalysedMove& m) { return m.code == row.code; });
                shallowValue = before->value;
                shallowBest = a->best.value;
                bestBoth = bestBoth && before->best;
            }
            EXPECT_EQ(row.steadyValue, SteadyValue(row.value, shallowValue)) << Describe(b, level);
            EXPECT_EQ(row.steadyBest, SteadyValue(row.best.value, shallowBest));
            EXPECT_EQ(row.loss, CappedValue(row.steadyBest) - CappedValue(row.steadyValue));
            EXPECT_GE(row.loss, 0);
            EXPECT_LE(row.loss, 2 * kValueCap);
            if (bestBoth) {
                EXPECT_EQ(row.loss, 0);
            }
            lineMissed += a->moves[0].score > Whole(9999) && !played->best;
        }
        if (HasFailure()) return;
    }
    // Random players pass by lines they could complete; those moves are reviewed too.
    EXPECT_GT(lineMissed, 0);
}

// What the review says of a move, on its values held still, from the mistake's threshold
// to a game turned from open to lost.
TEST(analysis, review_verdicts) {
    const Tenths won = Whole(10000);
    const Tenths lost = Whole(-10000);
    const struct {
        Tenths value, best, loss;
        Verdict verdict;
    } rows[] = {
        {Whole(1), Whole(1), 0, Verdict::None},
        {Whole(1), Whole(4) - 1, Whole(3) - 1, Verdict::None},
        {Whole(1), Whole(4), Whole(3), Verdict::Mistake},
        {Whole(2), won, Whole(18), Verdict::Mistake},  // a win let go
        {lost, Whole(2), Whole(22), Verdict::LosesTheGame},
        {lost, won, Whole(40), Verdict::LosesTheGame},
        {lost, lost + 5, 0, Verdict::None},  // lost whatever it did
    };
    for (const auto& row : rows) {
        ReviewedMove move;
        move.steadyValue = row.value;
        move.steadyBest = row.best;
        move.loss = row.loss;
        EXPECT_EQ(VerdictOf(move), row.verdict) << row.value << " of " << row.best;
    }
}

TEST(analysis, review_refuses_moves_the_rules_refuse_before_reporting_any) {
    GameMoves ring;
    ring.Add({12, 13});
    ring.Add({12, 13});  // the second push would reach the ring
    Analyser analyser;
    int rows = 0;
    EXPECT_EQ(ReviewGame(analyser, 5, ring, 3, nullptr, [&](const ReviewedMove&) { ++rows; }),
              ReviewEnd::Refused);
    EXPECT_EQ(rows, 0);
}

TEST(analysis, review_stops_without_reporting_the_move_it_interrupts) {
    std::mt19937 rng(5);
    const auto record = testing::RandomRecord(9, 20, rng);
    Analyser analyser;
    std::atomic<bool> stop{false};
    std::vector<int> numbers;
    EXPECT_EQ(ReviewGame(analyser, 9, record->Moves, 3, &stop,
                         [&](const ReviewedMove& row) {
                             numbers.push_back(row.moveNumber);
                             if (row.moveNumber == 2) stop = true;
                         }),
              ReviewEnd::Stopped);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace orbel
