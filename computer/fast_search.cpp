#include "computer/fast_search.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "computer/fast_table.h"
#include "computer/fast_tree.h"
#include "engine/move_generation.h"

namespace orbel {

namespace {

// Positions with fewer plies below them are searched by one thread alone: sharing them
// out costs more than it saves.
constexpr int kSplitDepth = 3;

// A pause while spinning, kind to the other hardware thread of the core.
void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

int ThreadsWanted(int asked) {
    if (asked > 0) return asked;
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : static_cast<int>(hardware);
}

// The root gives way only to a strictly greater value, so its alpha is the best less one:
// a candidate equal to the best is still valued exactly.
Tenths RootAlpha(Tenths best) {
    return best == -kInfinity ? -kInfinity : best - 1;
}

}  // namespace

// The remaining pushes of one position, shared out among the threads.
struct SplitPoint {
    FastBoard board;
    int ply = 0;
    int remaining = 0;
    Tenths beta = kInfinity;
    bool root = false;
    int count = 0;
    FastMove moves[kMaxCandidates];
    int16_t slot[kMaxCandidates] = {};  // root candidate of each push
    Tenths* rootValues = nullptr;
    std::atomic<int> next{0};
    std::atomic<Tenths> alpha{0};
    std::atomic<bool> refuted{false};
    std::mutex lock;
    Tenths best = -kInfinity;
    int16_t bestMove = 0;
};

struct FastSearch::Pool {
    explicit Pool(const FastSearchOptions& options);
    ~Pool();

    // Fills `column` with the root candidates of b, sorted, and, unless stopped, their
    // values as `mode` asks.
    bool Values(BoardState& b, CandidateColumn column, int level, RootValueMode mode,
                const std::atomic<bool>* stop, uint64_t& nodes);
    // The root's pushes as the fast board makes them, in the column's order.
    void LoadRoot(const BoardState& b, const CandidateColumn& column);
    void BeginSearch(const std::atomic<bool>* stop);
    void EndSearch(uint64_t& nodes);
    bool SearchLevel(int level);
    bool ExactLevel(int level);
    Tenths ExactValue(const FastMove& m, int level);
    Tenths SearchPV(FastTree& tree, int ply, int remaining, Tenths alpha, Tenths beta);
    Tenths PVChild(FastTree& tree, int ply, const FastMove& m, int remaining, Tenths alpha,
                   Tenths beta);
    void Split(FastTree& tree, int ply, int remaining, int from, int count, const FastMove* moves,
               const int* slots, Tenths alpha, Tenths beta, Tenths& best, int16_t& bestMove);
    void Work(FastTree& tree, SplitPoint& sp);
    void Help(int id);
    void Searching(bool on);

    FastTable table;
    bool deepening;
    std::vector<std::unique_ptr<FastTree>> trees;  // trees[0] is the caller's
    std::vector<std::thread> helpers;

    // Helpers sleep between searches and spin during one, waiting for a split to open.
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> searching{false};
    std::atomic<bool> quit{false};
    std::atomic<uint64_t> serial{0};
    std::atomic<bool> open{false};
    std::atomic<int> busy{0};
    SplitPoint split;

    // The root candidates of the current search, in row order, and the order to try them.
    int rootCount = 0;
    FastMove rootMoves[kMaxCandidates];
    Tenths values[kMaxCandidates] = {};
    int order[kMaxCandidates] = {};
    FastMove ordered[kMaxCandidates];

    // For the calls that take a const position and give no tables: a copy to generate the
    // root candidates on, and the column they go into.
    std::unique_ptr<BoardState> scratch = std::make_unique<BoardState>();
    int16_t columnCodes[kMaxCandidates + 1] = {};
    Tenths statics[kMaxCandidates] = {};  // the root candidates' static scores, sorted
    Tenths columnScores[kMaxCandidates + 1] = {};
};

FastSearch::Pool::Pool(const FastSearchOptions& options)
    : table(options.tableMegabytes), deepening(options.deepening) {
    const int threads = ThreadsWanted(options.threads);
    for (int i = 0; i < threads; ++i) trees.push_back(std::make_unique<FastTree>(table));
    for (int i = 1; i < threads; ++i) helpers.emplace_back([this, i] { Help(i); });
}

FastSearch::Pool::~Pool() {
    {
        std::lock_guard<std::mutex> g(mutex);
        quit = true;
    }
    wake.notify_all();
    for (std::thread& h : helpers) h.join();
}

void FastSearch::Pool::Searching(bool on) {
    if (helpers.empty()) return;
    {
        std::lock_guard<std::mutex> g(mutex);
        searching.store(on);
    }
    wake.notify_all();
}

void FastSearch::Pool::Help(int id) {
    uint64_t seen = 0;
    for (;;) {
        // Join the open split unless already done with it. Joining counts as busy first
        // and checks again, so the caller never reuses a split a helper still reads.
        const uint64_t now = serial.load();
        if (now != seen && open.load()) {
            busy.fetch_add(1);
            if (open.load() && serial.load() == now) {
                seen = now;
                FastTree& tree = *trees[id];
                tree.Board(split.ply) = split.board;
                tree.ClearAbort();
                Work(tree, split);
            }
            busy.fetch_sub(1);
            continue;
        }
        if (quit.load()) return;
        if (searching.load()) {
            Relax();
            continue;
        }
        std::unique_lock<std::mutex> g(mutex);
        wake.wait(g, [&] { return quit.load() || searching.load(); });
    }
}

void FastSearch::Pool::Work(FastTree& tree, SplitPoint& sp) {
    tree.WatchAlso(&sp.refuted);
    while (!sp.refuted.load(std::memory_order_relaxed)) {
        const int i = sp.next.fetch_add(1);
        if (i >= sp.count) break;
        const FastMove& m = sp.moves[i];
        const Tenths v = tree.LaterChild(sp.ply, m, sp.remaining,
                                         sp.alpha.load(std::memory_order_relaxed), sp.beta);
        if (tree.Aborted()) break;
        std::lock_guard<std::mutex> g(sp.lock);
        if (sp.rootValues) sp.rootValues[sp.slot[i]] = v;
        if (v > sp.best) {
            sp.best = v;
            sp.bestMove = m.code;
        }
        const Tenths raised = sp.root ? RootAlpha(v) : v;
        if (raised > sp.alpha.load(std::memory_order_relaxed))
            sp.alpha.store(raised, std::memory_order_relaxed);
        if (v >= sp.beta) sp.refuted.store(true);
    }
    tree.WatchAlso(nullptr);
}

void FastSearch::Pool::Split(FastTree& tree, int ply, int remaining, int from, int count,
                             const FastMove* moves, const int* slots, Tenths alpha, Tenths beta,
                             Tenths& best, int16_t& bestMove) {
    SplitPoint& sp = split;
    sp.board = tree.Board(ply);
    sp.ply = ply;
    sp.remaining = remaining;
    sp.beta = beta;
    sp.root = slots != nullptr;
    sp.count = count - from;
    std::copy(moves + from, moves + count, sp.moves);
    if (slots)
        for (int k = from; k < count; ++k) sp.slot[k - from] = static_cast<int16_t>(slots[k]);
    sp.rootValues = slots ? values : nullptr;
    sp.next.store(0);
    sp.alpha.store(alpha);
    sp.refuted.store(false);
    sp.best = best;
    sp.bestMove = bestMove;
    serial.fetch_add(1);
    open.store(true);
    Work(tree, sp);
    open.store(false);
    while (busy.load() != 0) Relax();
    // A refutation found by another thread is no reason to stop this one.
    if (tree.Aborted() && !tree.Stopping()) tree.ClearAbort();
    best = sp.best;
    bestMove = sp.bestMove;
}

Tenths FastSearch::Pool::PVChild(FastTree& tree, int ply, const FastMove& m, int remaining,
                                 Tenths alpha, Tenths beta) {
    const Tenths s = m.score;
    tree.Board(ply + 1) = tree.Board(ply);
    tree.Board(ply + 1).Make(m);
    return s - SearchPV(tree, ply + 1, remaining - 1, s - beta, s - alpha);
}

// The first push of each position on the leftmost path is searched first, by this thread;
// the others are then shared out with the bound it gave.
Tenths FastSearch::Pool::SearchPV(FastTree& tree, int ply, int remaining, Tenths alpha,
                                  Tenths beta) {
    if (remaining < kSplitDepth || helpers.empty()) return tree.Search(ply, remaining, alpha, beta);
    if (tree.CheckStop()) return 0;
    if (beta <= kNoScore) return kNoScore;

    const uint64_t key = tree.Board(ply).Key();
    const TableHit hit = tree.Table().Probe(key, remaining);
    if (hit.Settles(alpha, beta)) return hit.value;

    const int count = tree.Expand(ply);
    if (count < 0) return kOwnLineValue;
    if (count == 0) return kNoScore;
    tree.PutFirst(ply, count, hit.move);
    tree.SortFrom(ply, 1, count);
    const FastMove* list = tree.Moves(ply);

    const Tenths alphaAtStart = alpha;
    alpha = std::max(alpha, kNoScore);
    Tenths best = std::max(kNoScore, PVChild(tree, ply, list[0], remaining, alpha, beta));
    if (tree.Aborted()) return 0;
    int16_t bestMove = list[0].code;
    alpha = std::max(alpha, best);
    if (best < beta && count > 1) {
        Split(tree, ply, remaining, 1, count, list, nullptr, alpha, beta, best, bestMove);
        if (tree.Aborted()) return 0;
    }

    const Bound bound = best <= alphaAtStart ? Bound::Upper
                        : best >= beta       ? Bound::Lower
                                             : Bound::Exact;
    tree.Table().Store(key, remaining, best, bound, bestMove);
    return best;
}

// Values every root candidate at this level, the order's first one first.
bool FastSearch::Pool::SearchLevel(int level) {
    FastTree& tree = *trees[0];
    const int remaining = level - 1;
    for (int k = 0; k < rootCount; ++k) ordered[k] = rootMoves[order[k]];

    Tenths best = PVChild(tree, 0, ordered[0], remaining, -kInfinity, kInfinity);
    if (tree.Aborted()) return false;
    values[order[0]] = best;

    if (!helpers.empty() && remaining >= kSplitDepth) {
        int16_t bestMove = ordered[0].code;
        Split(tree, 0, remaining, 1, rootCount, ordered, order, RootAlpha(best), kInfinity, best,
              bestMove);
        return !tree.Aborted();
    }
    for (int k = 1; k < rootCount; ++k) {
        const Tenths v = tree.LaterChild(0, ordered[k], remaining, RootAlpha(best), kInfinity);
        if (tree.Aborted()) return false;
        values[order[k]] = v;
        best = std::max(best, v);
    }
    return true;
}

// Every root candidate with a full window of its own: each one's value is exact.
bool FastSearch::Pool::ExactLevel(int level) {
    for (int k = 0; k < rootCount; ++k) {
        const int i = order[k];
        values[i] = ExactValue(rootMoves[i], level);
        if (trees[0]->Aborted()) return false;
    }
    return true;
}

// A line of the mover's own ends the game where it is made: no look-ahead below it.
Tenths FastSearch::Pool::ExactValue(const FastMove& m, int level) {
    if (level <= 1 || m.score == kLineScore) return Whole(m.score);
    return PVChild(*trees[0], 0, m, level - 1, -kInfinity, kInfinity);
}

void FastSearch::Pool::LoadRoot(const BoardState& b, const CandidateColumn& column) {
    FastBoard& root = trees[0]->Board(0);
    root.Load(b);
    for (int i = 0; i < rootCount; ++i) {
        FastMove& m = rootMoves[i];
        [[maybe_unused]] const bool legal = root.MoveFromCode(column.moves[i + 1], m);
        assert(legal);
        root.Score(m);
        assert(Whole(m.score) == column.scores[i + 1]);
        order[i] = i;
    }
}

void FastSearch::Pool::BeginSearch(const std::atomic<bool>* stop) {
    for (auto& other : trees) other->Begin(stop);
    table.NextSearch();
    Searching(true);
}

void FastSearch::Pool::EndSearch(uint64_t& nodes) {
    Searching(false);
    for (auto& other : trees) nodes += other->Nodes();
}

bool FastSearch::Pool::Values(BoardState& b, CandidateColumn column, int level, RootValueMode mode,
                              const std::atomic<bool>* stop, uint64_t& nodes) {
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    // The root candidates exactly as the step-by-step search lists them.
    GenerateMoves(b, column);
    nodes += static_cast<uint64_t>(column.count);
    SortCandidates(column);
    rootCount = column.count;
    std::copy_n(column.scores + 1, rootCount, statics);
    // The tables have rows for kDeepestLevel plies and no more.
    const int deepest = std::min<int>(level, kDeepestLevel);
    const bool every = mode == RootValueMode::Every;
    const bool ownLine = rootCount > 0 && column.scores[1] > Whole(9999);
    if (deepest <= 1 || rootCount == 0 || (ownLine && !every)) return !stopped();

    LoadRoot(b, column);
    BeginSearch(stop);
    bool finished = true;
    // Two levels at a time: a level's values and best pushes differ most from the one just
    // below it, where the other side has the last word. Exact values of every candidate
    // need no root order, but the table's moves of the levels below still speed them up.
    const int last = every ? deepest - 2 : deepest;
    for (int l = deepening && !ownLine ? 2 + deepest % 2 : deepest; l <= last && finished; l += 2) {
        finished = SearchLevel(l);
        // The next level tries the best candidates of this one first.
        for (int i = 1; i < rootCount; ++i) {
            const int moving = order[i];
            int j = i;
            for (; j > 0 && values[order[j - 1]] < values[moving]; --j) order[j] = order[j - 1];
            order[j] = moving;
        }
    }
    if (every && finished) finished = ExactLevel(deepest);
    EndSearch(nodes);
    if (!finished || stopped()) return false;
    for (int i = 0; i < rootCount; ++i) column.scores[i + 1] = values[i];
    return true;
}

void BestOfCandidates(const RootCandidates& candidates, BestMoves& out) {
    int count = candidates.count;
    if (count > 0 && candidates.scores[0] > Whole(9999)) {
        count = 1;
        while (count < candidates.count && candidates.scores[count] > Whole(9999)) ++count;
    }
    CollectBestMoves(candidates.codes, candidates.values, count, out);
}

FastSearch::FastSearch(const FastSearchOptions& options) : pool_(std::make_unique<Pool>(options)) {}

FastSearch::~FastSearch() = default;

bool FastSearch::RootValues(BoardState& b, SearchTables& t, SearchRun& run) {
    t.SearchDepth = 1;
    return pool_->Values(b, t.Column(1), run.level, RootValueMode::Best, run.stop, run.nodes);
}

bool FastSearch::Candidates(const BoardState& position, int level, RootValueMode mode,
                            const std::atomic<bool>* stop, RootCandidates& out, uint64_t* nodes) {
    Pool& p = *pool_;
    *p.scratch = position;
    int16_t count = 0;
    uint64_t scored = 0;
    const bool done =
        p.Values(*p.scratch, {p.columnCodes, p.columnScores, count}, level, mode, stop, scored);
    if (nodes) *nodes += scored;
    out.count = count;
    std::copy_n(p.columnCodes + 1, count, out.codes);
    std::copy_n(p.statics, count, out.scores);
    std::copy_n(p.columnScores + 1, count, out.values);
    return done;
}

bool FastSearch::Best(const BoardState& position, int level, const std::atomic<bool>* stop,
                      BestMoves& out, uint64_t* nodes) {
    Pool& p = *pool_;
    *p.scratch = position;
    int16_t count = 0;
    uint64_t scored = 0;
    const bool done = p.Values(*p.scratch, {p.columnCodes, p.columnScores, count}, level,
                               RootValueMode::Best, stop, scored);
    if (nodes) *nodes += scored;
    if (!done) count = 0;
    CollectBestMoves(p.columnCodes + 1, p.columnScores + 1, count, out);
    return done;
}

bool FastSearch::CandidateValue(const BoardState& position, int level, int code,
                                const std::atomic<bool>* stop, Tenths& value, uint64_t* nodes) {
    Pool& p = *pool_;
    FastBoard& root = p.trees[0]->Board(0);
    root.Load(position);
    FastMove m;
    if (!root.MoveFromCode(code, m)) return false;
    root.Score(m);
    p.BeginSearch(stop);
    const Tenths found = p.ExactValue(m, std::min(level, kDeepestLevel));
    const bool done = !p.trees[0]->Aborted() && !(stop && stop->load(std::memory_order_relaxed));
    uint64_t scored = 1;
    p.EndSearch(scored);
    if (nodes) *nodes += scored;
    if (done) value = found;
    return done;
}

}  // namespace orbel
