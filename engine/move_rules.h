// Placement and push: the one move of the game.
#pragma once

#include "engine/board.h"

namespace orbel {

// 5 x placement cell + direction / 2; never a multiple of 5 for a real move.
constexpr int MoveCode(int cell, int direction) {
    return 5 * cell + direction / 2;
}
constexpr int PlacementOf(int code) {
    return code / 5;
}
constexpr int DirectionOf(int code) {
    return (code % 5) * 2;
}

// A placement needs an orbel of either colour on an orthogonal neighbour.
bool HasOccupiedNeighbour(const BoardState& b, int cell);
bool IsLegalPlacement(const BoardState& b, int cell);

// Directions offered for a placement cell, in keypad order 8, 4, 6, 2 as the arrows
// are tested; returns how many were written.
struct OfferedDirections {
    int direction[4] = {};
    int count = 0;
    bool Has(int d) const;
};
OfferedDirections DirectionsOffered(const BoardState& b, int cell);

enum class RingRule { Check, Ignore };
enum class Placed { MovesOn, StaysPut };

// Pushes the line in front of SelectedCell, which must already hold the placed orbel.
// Fills PushLine, PushCount and RunCount for the line scan: entries 1..PushCount are the
// moved orbels at their new cells, each one step from where it stood. With
// Placed::MovesOn, SelectedCell follows the placed orbel to its new cell. Returns false,
// with the placement cell emptied and every other orbel where it was, when RingRule::Check
// refuses the push. A push the rules allow leaves a sound board.
bool RunPush(BoardState& b, int direction, RingRule rule, Placed placed);

// Places for SideToMove and pushes without any check, then hands the turn over.
void ApplyMoveCode(BoardState& b, int code);

}  // namespace orbel
