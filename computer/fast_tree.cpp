#include "computer/fast_tree.h"

#include <algorithm>

namespace orbel {

namespace {

// Positions this close to the leaves are cheaper to search again than to look up; storing
// them would also crowd the table and, with two threads, keep its cache lines on the move.
constexpr int kTableDepth = 2;
// Past the first few pushes a position seldom refutes: picking the best of the rest each
// time costs more than the order saves.
constexpr int kPickedPushes = 6;
// A beta this low asks the mover only to escape a line of the other side's.
constexpr Tenths kEscapeBeta = -kOwnLineValue / 2;

}  // namespace

void FastTree::Begin(const std::atomic<bool>* stop) {
    stop_ = stop;
    alsoStop_ = nullptr;
    aborted_ = false;
    nodes_ = 0;
    std::fill(&history_[0][0], &history_[0][0] + 2 * kCodes, 0u);
}

void FastTree::RememberKiller(int ply, int16_t code) {
    if (killers_[ply][0] == code) return;
    killers_[ply][1] = killers_[ply][0];
    killers_[ply][0] = code;
}

// The leaf's value is ten times its best static score; a reply that reaches beta settles it.
Tenths FastTree::Leaf(int ply, Tenths alpha, Tenths beta) {
    // No static score tops a line of one's own.
    if (alpha >= kOwnLineValue) return kOwnLineValue;
    const FastBoard& board = boards_[ply];
    Tenths best = kNoScore;
    for (int16_t code : killers_[ply]) {
        FastMove m;
        if (code == 0 || !board.MoveFromCode(code, m)) continue;
        board.Score(m);
        ++nodes_;
        best = std::max(best, Whole(m.score));
        if (best >= beta || m.score == kLineScore) return best;
    }
    board.ForEachPush([&](const FastMove& m) {
        ++nodes_;
        if (Whole(m.score) <= best) return true;
        best = Whole(m.score);
        if (best >= beta) {
            RememberKiller(ply, m.code);
            return false;
        }
        return m.score != kLineScore;
    });
    return best;
}

int FastTree::Expand(int ply) {
    const FastBoard& board = boards_[ply];
    FastMove* list = moves_[ply];
    int count = 0;
    const bool complete = board.ForEachPush([&](const FastMove& m) {
        list[count++] = m;
        return m.score != kLineScore;
    });
    nodes_ += static_cast<uint64_t>(count);
    if (!complete) {
        list[0] = list[count - 1];
        return -1;
    }
    // The highest static score first; the others are picked in turn only as needed.
    int top = 0;
    for (int i = 1; i < count; ++i)
        if (Before(ply, list[i], list[top])) top = i;
    std::swap(list[0], list[top]);
    return count;
}

void FastTree::PickNext(int ply, int i, int count) {
    FastMove* list = moves_[ply];
    int top = i;
    for (int j = i + 1; j < count; ++j)
        if (Before(ply, list[j], list[top])) top = j;
    std::swap(list[i], list[top]);
}

void FastTree::SortFrom(int ply, int from, int count) {
    FastMove* list = moves_[ply];
    for (int i = from + 1; i < count; ++i) {
        const FastMove m = list[i];
        int j = i;
        for (; j > from && Before(ply, m, list[j - 1]); --j) list[j] = list[j - 1];
        list[j] = m;
    }
}

void FastTree::PutFirst(int ply, int count, int16_t code) {
    FastMove* list = moves_[ply];
    const FastMove* found =
        std::find_if(list, list + count, [code](const FastMove& m) { return m.code == code; });
    if (found != list + count) std::rotate(list, list + (found - list), list + (found - list) + 1);
}

Tenths FastTree::Child(int ply, const FastMove& m, int remaining, Tenths alpha, Tenths beta) {
    // Discounted by a tenth, a static score in whole units is the same number in tenths.
    const Tenths s = m.score;
    boards_[ply + 1] = boards_[ply];
    boards_[ply + 1].Make(m);
    return s - Search(ply + 1, remaining - 1, s - beta, s - alpha);
}

Tenths FastTree::LaterChild(int ply, const FastMove& m, int remaining, Tenths alpha, Tenths beta) {
    if (beta - alpha <= 1) return Child(ply, m, remaining, alpha, beta);
    // Tested first only against the best so far; searched in full when it beats it.
    const Tenths v = Child(ply, m, remaining, alpha, alpha + 1);
    if (aborted_ || v <= alpha || v >= beta) return v;
    return Child(ply, m, remaining, alpha, beta);
}

Tenths FastTree::Search(int ply, int remaining, Tenths alpha, Tenths beta) {
    if (remaining == 0) return Leaf(ply, alpha, beta);
    if (CheckStop()) return 0;
    if (beta <= kNoScore) return kNoScore;
    const FastBoard& board = boards_[ply];

    // Step 1. A push that completed the mover's line in a sibling often does so here;
    // meanwhile the table's entry is on its way from memory.
    const uint64_t key = board.Key();
    if (remaining >= kTableDepth) table_.Prefetch(key);
    FastMove hint;
    for (const int16_t code : winners_[ply]) {
        if (code == 0 || !board.MoveFromCode(code, hint)) continue;
        board.Score(hint);
        ++nodes_;
        if (hint.score == kLineScore) return kOwnLineValue;
    }

    // Step 2. A stored bound may settle the position outright.
    int16_t tableMove = 0;
    if (remaining >= kTableDepth) {
        const TableHit hit = table_.Probe(key, remaining);
        if (hit.Settles(alpha, beta)) return hit.value;
        tableMove = hit.move;
    }

    const Tenths alphaAtStart = alpha;
    // Like every best, this one starts at kNoScore and only rises: a position is never
    // worth less.
    Tenths best = kNoScore;
    alpha = std::max(alpha, best);
    int16_t bestMove = 0;

    // Step 3. The table's move, scored alone, often settles the position before the other
    // pushes are generated. A line of the mover's own among those could only bring its
    // value to kOwnLineValue, so a cut below that holds.
    int16_t tried = 0;
    if (tableMove != 0 && board.MoveFromCode(tableMove, hint)) {
        board.Score(hint);
        ++nodes_;
        if (hint.score == kLineScore) return kOwnLineValue;
        tried = tableMove;
        const Tenths v = Child(ply, hint, remaining, alpha, beta);
        if (aborted_) return 0;
        if (v > best) {
            best = v;
            bestMove = tableMove;
            alpha = std::max(alpha, v);
        }
        if (best >= beta && beta <= kOwnLineValue) {
            history_[ply & 1][tableMove] += static_cast<uint32_t>(remaining * remaining);
            best = std::min(best, kOwnLineValue);
            table_.Store(key, remaining, best, Bound::Lower, bestMove);
            return best;
        }
    }

    // Step 4. One ply above the leaves, when nearly any push escapes, the pushes are tried
    // as they come rather than all scored and ordered first.
    // Nothing this close to the leaves is in the table, so no push was tried yet; nor is
    // the push that merely came first stored, which would be a poor first try for a deeper
    // search of this position.
    static_assert(kTableDepth > 1);
    if (remaining == 1 && beta <= kEscapeBeta) {
        const int count = TryInTurn(ply, alpha, beta, best, bestMove);
        if (count < 0) return kOwnLineValue;
        if (count == 0) return kNoScore;
        if (aborted_ || CheckStop()) return 0;
        if (best >= beta) RememberKiller(ply, bestMove);
        // A line of the mover's own may lie among the pushes not tried.
        return Settle(key, ply, remaining, alphaAtStart, beta, std::min(best, kOwnLineValue),
                      bestMove);
    }

    // Step 5. Every push, best first; a line of the mover's own or no push ends it here.
    const int count = Expand(ply);
    if (count < 0) {
        winners_[ply][1] = winners_[ply][0];
        winners_[ply][0] = moves_[ply][0].code;
        return kOwnLineValue;
    }
    if (count == 0) return kNoScore;

    // Step 6. Value the others until one reaches beta.
    for (int i = 0; i < count && best < beta; ++i) {
        if (i > 0 && i < kPickedPushes) PickNext(ply, i, count);
        const FastMove& m = moves_[ply][i];
        if (m.code == tried) continue;
        const Tenths v = best == kNoScore ? Child(ply, m, remaining, alpha, beta)
                                          : LaterChild(ply, m, remaining, alpha, beta);
        if (aborted_ || (remaining == 1 && CheckStop())) return 0;
        if (v <= best) continue;
        best = v;
        bestMove = m.code;
        if (v > alpha) alpha = v;
        if (v >= beta) {
            RememberKiller(ply, m.code);
            history_[ply & 1][m.code] += static_cast<uint32_t>(remaining * remaining);
            break;
        }
    }

    return Settle(key, ply, remaining, alphaAtStart, beta, best, bestMove);
}

int FastTree::TryInTurn(int ply, Tenths alpha, Tenths beta, Tenths& best, int16_t& bestMove) {
    const FastBoard& board = boards_[ply];
    int count = 0;
    int16_t winner = 0;
    board.ForEachPush([&](const FastMove& m) {
        ++nodes_;
        ++count;
        if (m.score == kLineScore) {
            winner = m.code;
            return false;
        }
        const Tenths v = Child(ply, m, 1, alpha, beta);
        if (v > best) {
            best = v;
            bestMove = m.code;
            alpha = std::max(alpha, v);
        }
        return best < beta;
    });
    if (winner == 0) return count;
    winners_[ply][1] = winners_[ply][0];
    winners_[ply][0] = winner;
    return -1;
}

Tenths FastTree::Settle(uint64_t key, int ply, int remaining, Tenths alphaAtStart, Tenths beta,
                        Tenths best, int16_t bestMove) {
    if (best > alphaAtStart && best < beta)
        history_[ply & 1][bestMove] += static_cast<uint32_t>(remaining * remaining);
    if (remaining >= kTableDepth) {
        const Bound bound = best <= alphaAtStart ? Bound::Upper
                            : best >= beta       ? Bound::Lower
                                                 : Bound::Exact;
        table_.Store(key, remaining, best, bound, bestMove);
    }
    return best;
}

}  // namespace orbel
