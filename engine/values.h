// What a search's value means to a person: won, lost or open, the scale a review's loss is
// counted on, and the texts the windows and the command line write.
#pragma once

#include <string>

#include "engine/move_generation.h"

namespace orbel {

// Values are the search's own, in tenths from the side to move's view: a static score s
// counts s / 10 at every ply above the leaves and s at a leaf. A line of one's own is worth
// Whole(10000) where it is made and running out of pushes Whole(-100000) to the side that
// cannot move; the discounted static scores of the plies on the way add at most a few
// hundred units to either, while a position nobody has won stays within a few hundred
// units of 0. So a value at or beyond ±kDecidedValue is a position the search sees as won
// or lost. The value does not tell how many plies away the end is.
constexpr Tenths kDecidedValue = Whole(5000);

// What a won or lost value counts as in a review's loss (and may be drawn as in a graph):
// values are held to ±kValueCap, won and lost ones at the cap. Open values seldom reach it
// (`orbelfive-cli bench --analysis` counts how many lie within half of it), so one move
// that turns an even position into a lost one costs 20 units, a few clear inaccuracies'
// worth, and not a hundred thousand.
constexpr Tenths kValueCap = Whole(20);

enum class Outcome { Open, Won, Lost };
Outcome OutcomeOf(Tenths value);

// Tenths with exactly one digit after the point: -5 gives "-0.5", 15 "1.5".
std::string FormatTenths(Tenths value);

// The text a person reads: "won", "lost", or the value with its sign and one decimal:
// "+1.5", "-0.3", "0.0".
std::string ValueText(Tenths value);

// A value from the side to move's view turned to Red's (sideToMove is Red or Blue).
constexpr Tenths RedView(Tenths value, int sideToMove) {
    return sideToMove == Red ? value : -value;
}

// The value held to ±kValueCap, won and lost values at the cap: the scale of the loss.
Tenths CappedValue(Tenths value);

// One evaluation from two searches of the same thing one ply apart, `deeper` and
// `shallower`, both from the same side's view. A search gives the side that moves last in
// it the last word (its leaves score that side's move), so a level's value leans towards
// that side and the next level's the other way; their mean, to the tenth toward zero,
// holds still. Where the deeper search sees the game decided, its value stands alone; a
// decided shallower value counts as the cap.
Tenths SteadyValue(Tenths deeper, Tenths shallower);

// How far off a decided end is, in moves of the winner, counting the next move of the side
// to move where it is the winner: `value` decided, and `firstLevel` the shallowest level
// whose search saw it so. An end at ply d (the winner's line completed at ply d, or the
// loser without a push when its turn comes at ply d) is first seen at level d: (d + 1) / 2
// moves of the side to move, d / 2 of the other side. 0 for an open value.
int MovesToEnd(Tenths value, int firstLevel);

// A decided value as a person reads it, for the side whose value it is: "wins in 2",
// "loses in 1", or "loses at once" where its own push ends the game against it.
std::string EndText(Tenths value, int firstLevel);

}  // namespace orbel
