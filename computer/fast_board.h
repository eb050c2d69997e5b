// The position as bit masks for the fast search: one mask per row and per column for each
// colour, and one per diagonal for Blue, the only colour whose diagonals count. A push is
// scored from the masks without being made, exactly as EvaluateMove scores it after the
// engine's trial push, and made in place on a copy of the board.
#pragma once

#include <bit>
#include <cstdint>

#include "engine/board.h"

namespace orbel {

// Colour indices of the masks.
constexpr int kBlueSide = 0;
constexpr int kRedSide = 1;
// Axes: along a row the positions are columns, along a column they are rows.
constexpr int kAlongRow = 0;
constexpr int kAlongColumn = 1;

constexpr int kLineScore = 10000;

// A push of the unbroken segment [first, last] of a row or column. Forward pushes go
// toward higher positions and are placed just before first; backward ones just after last.
struct FastMove {
    int16_t code = 0;       // MoveCode, as the engine writes it
    int16_t score = 0;      // static score in whole units, for the side that pushes
    int16_t pairDelta = 0;  // change of Blue's ordered pair count less Red's
    uint8_t axis = 0;
    uint8_t line = 0;
    uint8_t first = 0;
    uint8_t last = 0;
    bool forward = false;
};

namespace fast {

// Bits lo..hi set; both within 0..30.
constexpr uint32_t Span(int lo, int hi) {
    return ((2u << hi) - 1) & ~((1u << lo) - 1);
}

// Bit i set where positions i..i+4 are all set.
constexpr uint32_t Fives(uint32_t x) {
    const uint32_t two = x & (x >> 1);
    return two & (two >> 2) & (x >> 4);
}

// Whether pos lies in a run of at least five set bits.
constexpr bool FiveThrough(uint32_t mask, int pos) {
    return (Fives(mask) & ((0x1Fu << pos) >> 4)) != 0;
}

// The lowest set bit of x, which is not 0.
inline int Lowest(uint32_t x) {
    return __builtin_ctz(x);
}
// How many set bits run upward from pos, and downward from pos; masks use bits 0..16.
inline int OnesUp(uint32_t x, int pos) {
    return __builtin_ctz(~(x >> pos));
}
inline int OnesDown(uint32_t x, int pos) {
    return __builtin_clz(~(x << (31 - pos)));
}

// Set bits of x; the instruction where the build allows it, else a few shifts and adds.
inline int Population(uint64_t x) {
#ifdef __POPCNT__
    return __builtin_popcountll(x);
#else
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
#endif
}

// How many of the two positions p and q are set in x.
constexpr int TwoBits(uint32_t x, int p, int q) {
    return int((x >> p) & 1) + int((x >> q) & 1);
}

// Four line masks side by side: no orbel rests on bit 16, the ring of the largest board.
constexpr uint64_t Pack4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return uint64_t{a} | (uint64_t{b} << 16) | (uint64_t{c} << 32) | (uint64_t{d} << 48);
}

// Random keys for hashing positions, fixed at compile time.
struct Keys {
    uint64_t cell[2][kLargestSize][kLargestSize] = {};
    uint64_t setting[kLargestSize + 1][2] = {};
    uint64_t side = 0;
};

constexpr uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr Keys MakeKeys() {
    Keys k;
    uint64_t state = 0x0DDBA11C0FFEEull;
    for (auto& side : k.cell)
        for (auto& row : side)
            for (auto& key : row) key = SplitMix(state);
    for (auto& size : k.setting)
        for (auto& key : size) key = SplitMix(state);
    k.side = SplitMix(state);
    return k;
}

inline constexpr Keys kKeys = MakeKeys();

}  // namespace fast

// Everything a push leaves on its own line.
struct PushedLine {
    uint32_t before[2];
    uint32_t after[2];
    uint32_t changed;
};

struct LineView;

struct FastBoard {
    int n = 9;
    int side = kBlueSide;
    // Multiplying a cell index below 290 by this and dropping 16 bits divides it by n.
    uint32_t rowFactor = (1u << 16) / 9 + 1;
    // Scores from move 5 on count pairs; before that every score without a line is 0.
    bool pairsCount = false;
    // True only when no five of a counting colour stands anywhere on the board, so a push
    // can complete a line only through a cell whose colour it changes.
    bool quiet = true;
    // Blue's ordered pair count (each adjacent pair twice) less Red's.
    int32_t pairs = 0;
    uint64_t hash = 0;
    uint32_t lines[2][2][kLargestSize] = {};       // [axis][colour][row or column]
    uint32_t diagonal[2 * kLargestSize] = {};      // Blue; index row - column + n - 1, bit column
    uint32_t antiDiagonal[2 * kLargestSize] = {};  // Blue; index row + column, bit column
    // Orbels on each of those lines. A line with fewer than four of a colour cannot gain a
    // five of it through one changed cell; the others are "hot", one bit per line.
    int8_t lineCount[2][2][kLargestSize] = {};
    int8_t diagonalCount[2 * kLargestSize] = {};
    int8_t antiDiagonalCount[2 * kLargestSize] = {};
    uint32_t hotLines[2][2] = {};  // [axis][colour], bit = row or column
    uint64_t hotDiagonals = 0;     // bit = diagonal index
    uint64_t hotMirrored = 0;      // bit = 2n - 2 - diagonal index
    uint64_t hotAntiDiagonals = 0;

    // The position of b with b.SideToMove to move; pairs count when b.MoveNumber > 4.
    void Load(const BoardState& b);

    // Calls visit(FastMove&) for every legal push of the side to move, fully described and
    // scored; stops early when visit returns false.
    template <typename Visit>
    bool ForEachPush(Visit&& visit) const;

    // The legal push with this code, or false when it is not legal here.
    bool MoveFromCode(int code, FastMove& move) const;

    // Fills m.score, as EvaluateMove would give it after the push, and m.pairDelta.
    void Score(FastMove& m) const;

    // Makes a scored push in place and hands the turn over; the search keeps a board per
    // ply instead of taking pushes back.
    void Make(const FastMove& m);

    // The key of the position with its side to move, size and pair rule.
    uint64_t Key() const { return hash; }

  private:
    PushedLine Push(const FastMove& m) const;
    LineView View(int axis, int line) const;
    void ScoreOn(const LineView& v, FastMove& m) const;
    int CodeOf(int axis, int line, int placement, bool forward) const;
    void Toggle(int row, int column, int colour);
    void ToggleDiagonals(int row, int column, int change);
    template <typename Mask>
    static void Count(int8_t& count, int change, Mask& hot, int index);
    void Recompute();
};

// What every push along one line reads, fetched once for all of them.
struct LineView {
    int axis;
    int line;
    uint32_t blue, red;              // the line itself
    uint32_t blueBefore, blueAfter;  // the neighbouring lines (line - 1, line + 1)
    uint32_t redBefore, redAfter;
    uint32_t hotBlueCross, hotRedCross;  // positions whose cross line is hot
    uint32_t hotBlueDiagonal;            // positions on a hot Blue diagonal
    bool hotAlong;
};

inline LineView FastBoard::View(int axis, int line) const {
    LineView v;
    v.axis = axis;
    v.line = line;
    v.blue = lines[axis][kBlueSide][line];
    v.red = lines[axis][kRedSide][line];
    v.blueBefore = lines[axis][kBlueSide][line - 1];
    v.blueAfter = lines[axis][kBlueSide][line + 1];
    v.redBefore = lines[axis][kRedSide][line - 1];
    v.redAfter = lines[axis][kRedSide][line + 1];
    const int cross = 1 - axis;
    v.hotBlueCross = hotLines[cross][kBlueSide];
    v.hotRedCross = hotLines[cross][kRedSide];
    // Position i of this line lies on diagonal i + n - 1 - line (mirrored along a row) and
    // on anti-diagonal i + line.
    const uint64_t down = axis == kAlongRow ? hotMirrored : hotDiagonals;
    v.hotBlueDiagonal =
        static_cast<uint32_t>((down >> (n - 1 - line)) | (hotAntiDiagonals >> line));
    v.hotAlong = ((hotLines[axis][kBlueSide] | hotLines[axis][kRedSide]) >> line) & 1;
    return v;
}

template <typename Visit>
bool FastBoard::ForEachPush(Visit&& visit) const {
    for (int axis = 0; axis < 2; ++axis) {
        for (int line = 1; line <= n - 2; ++line) {
            uint32_t occupied = lines[axis][kBlueSide][line] | lines[axis][kRedSide][line];
            if (!occupied) continue;
            const LineView v = View(axis, line);
            while (occupied) {
                const int first = fast::Lowest(occupied);
                const int last = first + fast::OnesUp(occupied, first) - 1;
                occupied &= occupied + (1u << first);  // drop this segment
                FastMove m;
                m.axis = static_cast<uint8_t>(axis);
                m.line = static_cast<uint8_t>(line);
                m.first = static_cast<uint8_t>(first);
                m.last = static_cast<uint8_t>(last);
                // The far orbel must not land on the ring.
                if (last < n - 2) {
                    m.forward = true;
                    m.code = static_cast<int16_t>(CodeOf(axis, line, first - 1, true));
                    ScoreOn(v, m);
                    if (!visit(m)) return false;
                }
                if (first > 1) {
                    m.forward = false;
                    m.code = static_cast<int16_t>(CodeOf(axis, line, last + 1, false));
                    ScoreOn(v, m);
                    if (!visit(m)) return false;
                }
            }
        }
    }
    return true;
}

inline int FastBoard::CodeOf(int axis, int line, int placement, bool forward) const {
    const int row = axis == kAlongRow ? line : placement;
    const int column = axis == kAlongRow ? placement : line;
    const int cell = row * n + column + 1;
    // MoveCode: 5 x cell + direction / 2 with down 2, left 4, right 6, up 8.
    const int half = axis == kAlongRow ? (forward ? 3 : 2) : (forward ? 1 : 4);
    return 5 * cell + half;
}

inline PushedLine FastBoard::Push(const FastMove& m) const {
    PushedLine p;
    const uint32_t segment = fast::Span(m.first, m.last);
    for (int c = 0; c < 2; ++c) {
        const uint32_t x = lines[m.axis][c][m.line];
        p.before[c] = x;
        const uint32_t moved = m.forward ? (x & segment) << 1 : (x & segment) >> 1;
        p.after[c] = (x & ~segment) | moved;
    }
    p.after[side] |= 1u << (m.forward ? m.first : m.last);
    p.changed = (p.after[0] ^ p.before[0]) | (p.after[1] ^ p.before[1]);
    return p;
}

inline void FastBoard::Score(FastMove& m) const {
    ScoreOn(View(m.axis, m.line), m);
}

inline void FastBoard::ScoreOn(const LineView& v, FastMove& m) const {
    const uint32_t segment = fast::Span(m.first, m.last);
    const int placed = m.forward ? m.first : m.last;
    const uint32_t placedBit = 1u << placed;
    uint32_t blue, red, moved;
    if (m.forward) {
        blue = (v.blue & ~segment) | ((v.blue & segment) << 1);
        red = (v.red & ~segment) | ((v.red & segment) << 1);
        moved = (segment << 1) | placedBit;
    } else {
        blue = (v.blue & ~segment) | ((v.blue & segment) >> 1);
        red = (v.red & ~segment) | ((v.red & segment) >> 1);
        moved = (segment >> 1) | placedBit;
    }
    if (side == kBlueSide)
        blue |= placedBit;
    else
        red |= placedBit;
    const uint32_t blueChanged = blue ^ v.blue;
    const uint32_t redChanged = red ^ v.red;
    const uint32_t through = quiet ? blueChanged | redChanged : moved;

    // Bit 0 Blue's five, bit 1 Red's.
    unsigned found = 0;
    // Along the push: every five in the run that starts at the placed orbel's new cell.
    if (v.hotAlong) {
        const uint32_t occupied = blue | red;
        const uint32_t run =
            m.forward ? fast::Span(placed, placed + fast::OnesUp(occupied, placed) - 1)
                      : fast::Span(placed - fast::OnesDown(occupied, placed) + 1, placed);
        found = ((fast::Fives(blue) & run) ? 1u : 0u) | ((fast::Fives(red) & run) ? 2u : 0u);
    }
    // Across the push and, for Blue, along both diagonals, through each moved orbel that
    // lies on a hot line.
    const int cross = 1 - v.axis;
    const int l = v.line;
    uint32_t suspects = through & ((blue & v.hotBlueCross) | (red & v.hotRedCross));
    while (suspects) {
        const int i = fast::Lowest(suspects);
        suspects &= suspects - 1;
        const int c = (blue >> i) & 1 ? kBlueSide : kRedSide;
        if (fast::FiveThrough(lines[cross][c][i] | (1u << l), l)) found |= 1u << c;
    }
    uint32_t diagonalSuspects = through & blue & v.hotBlueDiagonal;
    while (diagonalSuspects && !(found & 1)) {
        const int i = fast::Lowest(diagonalSuspects);
        diagonalSuspects &= diagonalSuspects - 1;
        const int row = v.axis == kAlongRow ? l : i;
        const int column = v.axis == kAlongRow ? i : l;
        const uint32_t bit = 1u << column;
        if (fast::FiveThrough(diagonal[row - column + n - 1] | bit, column) ||
            fast::FiveThrough(antiDiagonal[row + column] | bit, column))
            found |= 1;
    }

    int delta = 0;
    if (pairsCount) {
        // Along the line the pushed block keeps its inner pairs; only its two new ends can
        // join a neighbour: the placed orbel with the first pushed one, the far orbel with
        // whatever lies beyond its new cell.
        const int endA = m.forward ? m.first : m.first - 2;
        const int endB = m.forward ? m.last + 1 : m.last - 1;
        delta = fast::TwoBits(blue & (blue >> 1), endA, endB) -
                fast::TwoBits(red & (red >> 1), endA, endB);
        // Across it, a cell that changed colour gains or loses its neighbours on the two
        // lines beside this one.
        const uint32_t blueGained = blueChanged & blue;
        const uint32_t blueLost = blueChanged & v.blue;
        const uint32_t redGained = redChanged & red;
        const uint32_t redLost = redChanged & v.red;
        delta += fast::Population(fast::Pack4(blueGained & v.blueBefore, blueGained & v.blueAfter,
                                              redLost & v.redBefore, redLost & v.redAfter));
        delta -= fast::Population(fast::Pack4(blueLost & v.blueBefore, blueLost & v.blueAfter,
                                              redGained & v.redBefore, redGained & v.redAfter));
        delta *= 2;
    }
    m.pairDelta = static_cast<int16_t>(delta);

    const unsigned own = 1u << side;
    if (found == own)
        m.score = kLineScore;
    else if (found)
        m.score = -kLineScore;
    else {
        const int blueLessRed = pairsCount ? pairs + delta : 0;
        m.score = static_cast<int16_t>(side == kBlueSide ? blueLessRed : -blueLessRed);
    }
}

inline bool FastBoard::MoveFromCode(int code, FastMove& m) const {
    const int cell = code / 5 - 1;
    if (cell < 0 || cell >= n * n) return false;
    const int row = static_cast<int>((static_cast<uint32_t>(cell) * rowFactor) >> 16);
    const int column = cell - row * n;
    const int half = code % 5;
    const bool alongRow = half == 2 || half == 3;
    const int axis = alongRow ? kAlongRow : kAlongColumn;
    const int line = alongRow ? row : column;
    const int placement = alongRow ? column : row;
    const bool forward = half == 3 || half == 1;
    if (line < 1 || line > n - 2) return false;
    const uint32_t occupied = lines[axis][kBlueSide][line] | lines[axis][kRedSide][line];
    if ((occupied >> placement) & 1) return false;
    const int target = forward ? placement + 1 : placement - 1;
    if (target < 1 || target > n - 2 || !((occupied >> target) & 1)) return false;
    int first = target;
    int last = target;
    if (forward)
        last = target + fast::OnesUp(occupied, target) - 1;
    else
        first = target - fast::OnesDown(occupied, target) + 1;
    if (forward ? last >= n - 2 : first <= 1) return false;
    m.code = static_cast<int16_t>(code);
    m.axis = static_cast<uint8_t>(axis);
    m.line = static_cast<uint8_t>(line);
    m.first = static_cast<uint8_t>(first);
    m.last = static_cast<uint8_t>(last);
    m.forward = forward;
    return true;
}

template <typename Mask>
inline void FastBoard::Count(int8_t& count, int change, Mask& hot, int index) {
    count = static_cast<int8_t>(count + change);
    const Mask bit = Mask{1} << index;
    hot = count >= 4 ? hot | bit : hot & ~bit;
}

inline void FastBoard::ToggleDiagonals(int row, int column, int change) {
    const int d = row - column + n - 1;
    const int a = row + column;
    diagonal[d] ^= 1u << column;
    antiDiagonal[a] ^= 1u << column;
    Count(diagonalCount[d], change, hotDiagonals, d);
    Count(antiDiagonalCount[a], change, hotAntiDiagonals, a);
    const uint64_t mirrored = uint64_t{1} << (2 * n - 2 - d);
    hotMirrored = diagonalCount[d] >= 4 ? hotMirrored | mirrored : hotMirrored & ~mirrored;
}

inline void FastBoard::Toggle(int row, int column, int colour) {
    lines[kAlongRow][colour][row] ^= 1u << column;
    lines[kAlongColumn][colour][column] ^= 1u << row;
    const int change = (lines[kAlongRow][colour][row] >> column) & 1 ? 1 : -1;
    Count(lineCount[kAlongRow][colour][row], change, hotLines[kAlongRow][colour], row);
    Count(lineCount[kAlongColumn][colour][column], change, hotLines[kAlongColumn][colour], column);
    if (colour == kBlueSide) ToggleDiagonals(row, column, change);
    hash ^= fast::kKeys.cell[colour][row][column];
}

inline void FastBoard::Make(const FastMove& m) {
    const PushedLine p = Push(m);
    const int cross = 1 - m.axis;
    const int l = m.line;
    lines[m.axis][kBlueSide][l] = p.after[kBlueSide];
    lines[m.axis][kRedSide][l] = p.after[kRedSide];
    Count(lineCount[m.axis][side][l], 1, hotLines[m.axis][side], l);
    // Every cell that changed colour, on its cross line and, for Blue, its diagonals.
    uint32_t changed = p.changed;
    while (changed) {
        const int i = fast::Lowest(changed);
        changed &= changed - 1;
        const int row = m.axis == kAlongRow ? l : i;
        const int column = m.axis == kAlongRow ? i : l;
        for (int c = 0; c < 2; ++c) {
            const uint32_t was = (p.before[c] >> i) & 1;
            if (was == ((p.after[c] >> i) & 1)) continue;
            const int change = was ? -1 : 1;
            lines[cross][c][i] ^= 1u << l;
            Count(lineCount[cross][c][i], change, hotLines[cross][c], i);
            hash ^= fast::kKeys.cell[c][row][column];
            if (c == kBlueSide) ToggleDiagonals(row, column, change);
        }
    }
    pairs += m.pairDelta;
    // A scan that found nothing means the push completed no five anywhere.
    quiet = quiet && m.score != kLineScore && m.score != -kLineScore;
    side = 1 - side;
    hash ^= fast::kKeys.side;
}

}  // namespace orbel
