#include "engine/move_rules.h"

#include <cassert>

namespace orbel {

bool HasOccupiedNeighbour(const BoardState& b, int cell) {
    const int16_t* nb = b.NeighbourTable[cell];
    int sum = 0;
    for (int k = 2; k <= 8; k += 2) sum += b.Board[nb[k]] * b.Board[nb[k]];
    return sum != 0;
}

bool IsLegalPlacement(const BoardState& b, int cell) {
    return cell >= 1 && cell <= b.CellCount() && b.Board[cell] == Empty &&
           HasOccupiedNeighbour(b, cell);
}

bool OfferedDirections::Has(int d) const {
    for (int i = 0; i < count; ++i)
        if (direction[i] == d) return true;
    return false;
}

OfferedDirections DirectionsOffered(const BoardState& b, int cell) {
    OfferedDirections offered;
    const int16_t* nb = b.NeighbourTable[cell];
    // The orbel above is pushed up, the one below down: keypad codes run opposite to
    // the neighbour indices vertically.
    const int pairs[4][2] = {{2, kUp}, {4, kLeft}, {6, kRight}, {8, kDown}};
    for (const auto& [neighbour, direction] : pairs)
        if (b.Board[nb[neighbour]] != Empty) offered.direction[offered.count++] = direction;
    return offered;
}

namespace {

bool LandsOnRing(int n, int direction, int landing) {
    if (direction == kLeft || direction == kRight) return landing % n == 0 || landing % n == 1;
    return landing < n + 1 || landing > n * n - n;
}

void WalkLine(BoardState& b, int from, int step, int16_t& count) {
    const int n = b.BoardSize;
    count = 0;
    for (int k = 1; k <= n; ++k) {
        const int cell = from + (k - 1) * step;
        if (b.Board[cell] == Empty) break;
        b.PushLine[k] = {static_cast<int16_t>(cell), b.Board[cell]};
        count = static_cast<int16_t>(k);
    }
}

}  // namespace

bool RunPush(BoardState& b, int direction, RingRule rule, Placed placed) {
    const int n = b.BoardSize;
    const int step = StepOf(n, direction);
    const int p = b.SelectedCell;

    // Step 1. The line of orbels that moves, the placed one first.
    WalkLine(b, p, step, b.PushCount);

    // Step 2. The placed orbel leaves its placement cell.
    b.Board[p] = Empty;

    // Step 3. Far end first, each orbel into the cell just vacated. The ring test runs
    // over the whole line before any orbel moves, so a refusal leaves the others in place.
    if (rule == RingRule::Check) {
        for (int k = b.PushCount; k >= 1; --k)
            if (LandsOnRing(n, direction, b.PushLine[k].cell + step)) {
                assert(rule == RingRule::Ignore || BoardIsSound(b));
                return false;
            }
    }
    for (int k = b.PushCount; k >= 1; --k) {
        PushEntry& e = b.PushLine[k];
        e.cell = static_cast<int16_t>(e.cell + step);
        b.Board[e.cell] = e.value;
    }

    // Step 4. The placed orbel's new cell.
    if (placed == Placed::MovesOn) b.SelectedCell = b.PushLine[1].cell;

    // Step 5. The run now lying along the push, from the placed orbel's new cell.
    WalkLine(b, p + step, step, b.RunCount);
    // Only a checked push is known to be one the rules allow.
    assert(rule == RingRule::Ignore || BoardIsSound(b));
    return true;
}

void ApplyMoveCode(BoardState& b, int code) {
    b.SelectedCell = static_cast<int16_t>(PlacementOf(code));
    b.Board[b.SelectedCell] = b.SideToMove;
    RunPush(b, DirectionOf(code), RingRule::Ignore, Placed::MovesOn);
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    assert(BoardIsSound(b));
}

}  // namespace orbel
