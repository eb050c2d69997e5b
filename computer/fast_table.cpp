#include "computer/fast_table.h"

#include <bit>

namespace orbel {

namespace {

// data: value (32 bits) | move (16) | depth (5) | bound (2) | age (3) | used (1)
uint64_t Pack(Tenths value, int16_t move, int depth, Bound bound, uint64_t age) {
    return uint64_t{static_cast<uint32_t>(value)} | (uint64_t{static_cast<uint16_t>(move)} << 32) |
           (uint64_t(depth & 31) << 48) | (uint64_t(bound) << 53) | (age << 55) | (1ull << 58);
}
Tenths ValueOf(uint64_t d) {
    return static_cast<Tenths>(static_cast<uint32_t>(d));
}
int16_t MoveOf(uint64_t d) {
    return static_cast<int16_t>(static_cast<uint16_t>(d >> 32));
}
int DepthOf(uint64_t d) {
    return static_cast<int>((d >> 48) & 31);
}
Bound BoundOf(uint64_t d) {
    return static_cast<Bound>((d >> 53) & 3);
}
uint64_t AgeOf(uint64_t d) {
    return (d >> 55) & 7;
}
bool Used(uint64_t d) {
    return (d >> 58) & 1;
}

}  // namespace

FastTable::FastTable(std::size_t megabytes) {
    const std::size_t wanted = megabytes * 1024 * 1024 / sizeof(Bucket);
    buckets_ = wanted < 1 ? 1 : std::bit_floor(wanted);
    table_ = std::make_unique<Bucket[]>(buckets_);
}

TableHit FastTable::Probe(uint64_t key, int depth) const {
    TableHit hit;
    const Bucket& b = table_[key & (buckets_ - 1)];
    int moveDepth = -1;
    for (const Slot& s : b.slot) {
        const uint64_t data = s.data.load(std::memory_order_relaxed);
        if ((s.check.load(std::memory_order_relaxed) ^ data) != key || !Used(data)) continue;
        if (DepthOf(data) == depth) {
            hit.valueFound = true;
            hit.bound = BoundOf(data);
            hit.value = ValueOf(data);
            if (MoveOf(data) != 0) {
                hit.move = MoveOf(data);
                moveDepth = 99;
            }
        } else if (DepthOf(data) > moveDepth && MoveOf(data) != 0) {
            hit.move = MoveOf(data);
            moveDepth = DepthOf(data);
        }
    }
    return hit;
}

void FastTable::Store(uint64_t key, int depth, Tenths value, Bound bound, int16_t move) {
    Bucket& b = table_[key & (buckets_ - 1)];
    Slot* victim = nullptr;
    int victimRank = 1 << 30;
    for (Slot& s : b.slot) {
        const uint64_t data = s.data.load(std::memory_order_relaxed);
        const bool same = (s.check.load(std::memory_order_relaxed) ^ data) == key;
        if (!Used(data) || (same && DepthOf(data) == depth)) {
            victim = &s;
            break;
        }
        // Deep entries of this search stay longest.
        const int rank = DepthOf(data) + (AgeOf(data) == age_ ? 32 : 0);
        if (rank < victimRank) {
            victimRank = rank;
            victim = &s;
        }
    }
    const uint64_t data = Pack(value, move, depth, bound, age_);
    victim->check.store(key ^ data, std::memory_order_relaxed);
    victim->data.store(data, std::memory_order_relaxed);
}

}  // namespace orbel
