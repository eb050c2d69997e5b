// A fixed-size transposition table shared by every thread of the fast search. Each entry
// holds a bound on the best value of one position at one remaining depth, and the move
// that gave it. Entries are written without locks; a torn one fails its check and is
// ignored.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/move_generation.h"

namespace orbel {

enum class Bound : uint8_t { None = 0, Upper = 1, Lower = 2, Exact = 3 };

struct TableHit {
    bool valueFound = false;  // an entry of the asked depth
    Bound bound = Bound::None;
    Tenths value = 0;
    int16_t move = 0;  // best move of the deepest entry of the position, 0 if none

    // Whether the stored bound alone answers a search with this window.
    bool Settles(Tenths alpha, Tenths beta) const {
        return valueFound && (bound == Bound::Exact || (bound == Bound::Lower && value >= beta) ||
                              (bound == Bound::Upper && value <= alpha));
    }
};

class FastTable {
  public:
    explicit FastTable(std::size_t megabytes);

    // Entries of earlier searches give way first.
    void NextSearch() { age_ = (age_ + 1) & 7; }

    TableHit Probe(uint64_t key, int depth) const;
    void Prefetch(uint64_t key) const { __builtin_prefetch(&table_[key & (buckets_ - 1)]); }
    void Store(uint64_t key, int depth, Tenths value, Bound bound, int16_t move);

  private:
    static constexpr int kWays = 4;
    struct Slot {
        std::atomic<uint64_t> check{0};  // key ^ data
        std::atomic<uint64_t> data{0};
    };
    struct alignas(64) Bucket {
        Slot slot[kWays];
    };

    std::unique_ptr<Bucket[]> table_;
    std::size_t buckets_ = 0;
    uint64_t age_ = 0;
};

}  // namespace orbel
