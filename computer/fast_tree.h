// One thread's alpha-beta below the root, on its own board, move lists and killers. A
// value is the best of a position for its side to move, in tenths, exactly as the
// step-by-step look-ahead backs it up: a leaf is worth ten times its best static score, any
// other position the best of "static score less the reply's value", a line of the mover's
// own ends it at once, and no legal push at all is worth kNoScore.
#pragma once

#include <atomic>
#include <cstdint>

#include "computer/fast_board.h"
#include "computer/fast_table.h"
#include "computer/search_tables.h"

namespace orbel {

constexpr Tenths kInfinity = 1 << 28;
constexpr Tenths kOwnLineValue = Whole(kLineScore);
// Plies below the root: the deepest level has its leaves at ply kDeepestLevel - 1.
constexpr int kFastPlies = kDeepestLevel + 1;

class FastTree {
  public:
    explicit FastTree(FastTable& table) : table_(table) {}

    // Starts a search: counters cleared, stop flag to watch.
    void Begin(const std::atomic<bool>* stop);
    // The position at each ply; a child's is its parent's with one push made.
    FastBoard& Board(int ply) { return boards_[ply]; }

    // Fail-soft: a result at or below alpha is an upper bound, one at or above beta a lower
    // bound, anything between is exact. remaining counts the plies still to look below.
    Tenths Search(int ply, int remaining, Tenths alpha, Tenths beta);

    // Generates and scores the pushes of the position at ply, the best first. Returns their
    // count, or -1 when one completes the mover's own line (that one is then first).
    int Expand(int ply);
    // Brings the best of entries i.. to entry i; or sorts entries from.. best first.
    void PickNext(int ply, int i, int count);
    void SortFrom(int ply, int from, int count);
    // Moves the push with this code, if listed, to the head of the list at ply.
    void PutFirst(int ply, int count, int16_t code);
    const FastMove* Moves(int ply) const { return moves_[ply]; }

    // Makes m (a push of the position at ply), values it from below and takes it back.
    Tenths Child(int ply, const FastMove& m, int remaining, Tenths alpha, Tenths beta);
    // The same for a push after the first: a null window first, the full one only when
    // the push turns out better than alpha.
    Tenths LaterChild(int ply, const FastMove& m, int remaining, Tenths alpha, Tenths beta);

    // A further flag that ends the current work early, e.g. when a shared node is refuted.
    void WatchAlso(const std::atomic<bool>* flag) { alsoStop_ = flag; }
    bool Aborted() const { return aborted_; }
    // Marks the work aborted when a stop flag is up.
    bool CheckStop() {
        if (Stopping()) aborted_ = true;
        return aborted_;
    }
    void ClearAbort() { aborted_ = false; }
    bool Stopping() const {
        return (stop_ && stop_->load(std::memory_order_relaxed)) ||
               (alsoStop_ && alsoStop_->load(std::memory_order_relaxed));
    }

    FastTable& Table() { return table_; }
    uint64_t Nodes() const { return nodes_; }

  private:
    Tenths Leaf(int ply, Tenths alpha, Tenths beta);
    // Values the pushes one ply above the leaves in the order they are generated, until one
    // reaches beta; best and bestMove carry in and out. Returns how many pushes there were,
    // or -1 when one completes the mover's own line.
    int TryInTurn(int ply, Tenths alpha, Tenths beta, Tenths& best, int16_t& bestMove);
    // Stores what a search of the position found and returns its value.
    Tenths Settle(uint64_t key, int ply, int remaining, Tenths alphaAtStart, Tenths beta,
                  Tenths best, int16_t bestMove);
    void RememberKiller(int ply, int16_t code);
    bool Before(int ply, const FastMove& a, const FastMove& b) const {
        return a.score != b.score ? a.score > b.score
                                  : history_[ply & 1][a.code] > history_[ply & 1][b.code];
    }

    FastTable& table_;
    FastBoard boards_[kFastPlies + 1];
    const std::atomic<bool>* stop_ = nullptr;
    const std::atomic<bool>* alsoStop_ = nullptr;
    bool aborted_ = false;
    uint64_t nodes_ = 0;
    FastMove moves_[kFastPlies][kMaxCandidates];
    int16_t killers_[kFastPlies][2] = {};
    int16_t winners_[kFastPlies][2] = {};  // the last pushes seen to complete their mover's line
    // Per side, how deep the pushes that refuted a position or gave its exact best were:
    // among pushes of the same static score the likelier best goes first.
    static constexpr int kCodes = 5 * kBoardEntries + 5;
    uint32_t history_[2][kCodes] = {};
};

}  // namespace orbel
