// Positions for the tests: small helpers for building them, and the positions where a push
// ends the game (or does not), shared by the engine and controller tests.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "engine/board.h"
#include "engine/game_moves.h"
#include "engine/move_rules.h"
#include "records/record_file.h"

namespace orbel::testing {

// A fresh game of the given size with the given orbels added (cell, colour).
inline BoardState Position(int size, std::initializer_list<std::pair<int, int>> orbels = {},
                           bool keepCentre = true) {
    BoardState b;
    StartPosition(b, size);
    if (!keepCentre) b.Board[CentreCell(size)] = Empty;
    for (auto [cell, colour] : orbels) b.Board[cell] = static_cast<int16_t>(colour);
    return b;
}

constexpr int CellAt(int size, int row, int column) {
    return (row - 1) * size + column;
}

// Places for SideToMove on `cell` and pushes with the ring rule; the side is not switched.
inline bool Push(BoardState& b, int cell, int direction, Placed placed = Placed::MovesOn) {
    b.SelectedCell = static_cast<int16_t>(cell);
    b.Board[cell] = b.SideToMove;
    return RunPush(b, direction, RingRule::Check, placed);
}

// A 5 x 5 game of six moves after which Blue, to move, loses by running out of pushes
// whatever it plays: every root value is about -100000.6, and at level 3 the best are move
// codes 11 and 21 (pushes down from cells 2 and 4).
inline GameRecord EveryPushLosesRecord() {
    GameRecord record;
    record.BoardSize = 5;
    record.ComputerSideChoice = Red;
    for (const PlayedMove move :
         {PlayedMove{14, 13}, {11, 12}, {17, 12}, {8, 13}, {6, 7}, {19, 14}})
        record.Moves.Add(move);
    return record;
}

// The position the record reaches, Blue to move.
inline BoardState EveryPushLoses() {
    const GameRecord record = EveryPushLosesRecord();
    BoardState b;
    ReplayMoves(record.BoardSize, record.Moves, b);
    return b;
}

// ---- Pushes that end the game, and some that do not -----------------------------------------

// How the game stands after the push, as the engine finds it.
enum class Ending {
    GoesOn,     // no line, and the other side has a push
    BlueLine,   // Blue completed a line and wins
    RedLine,    // Red completed a line and wins
    BothLines,  // both colours at once: a tie
    NoPush,     // no line, and the other side is left without a push and loses
};

// A position, one push of the side to move from it, and how the game ends after the push.
struct LinePosition {
    const char* what;  // a name fit for a test: letters, digits and underscores
    int size;
    // The orbels (cell, colour): there is no other, not even on the centre.
    std::initializer_list<std::pair<int, int>> orbels;
    int side;
    int moveNumber;
    int cell;  // the push: the cell placed on and the direction pushed
    int direction;
    Ending ending;
    const char* message;  // what the window says after the push; nullptr for the blank message
    std::initializer_list<int> lineCells;  // the cells of the lines completed, ascending
};

// Cells of the 9 x 9 board by row and column, 1..9.
constexpr int At9(int row, int column) {
    return CellAt(9, row, column);
}

// Blue on the diagonal (3,3),(4,4),(6,6),(7,7) and on (4,5): a push down from (3,5) brings
// Blue onto (5,5).
inline constexpr LinePosition kBlueDiagonal = {
    "blue_diagonal_through_a_moved_orbel",
    9,
    {{At9(3, 3), Blue},
     {At9(4, 4), Blue},
     {At9(6, 6), Blue},
     {At9(7, 7), Blue},
     {At9(4, 5), Blue},
     {At9(7, 6), Red}},
    Blue,
    9,
    At9(3, 5),
    kDown,
    Ending::BlueLine,
    "Blue Wins!",
    {At9(3, 3), At9(4, 4), At9(5, 5), At9(6, 6), At9(7, 7)}};

// The other diagonal, from top right to bottom left.
inline constexpr LinePosition kOtherBlueDiagonal = {
    "blue_diagonal_from_top_right_to_bottom_left",
    9,
    {{At9(3, 7), Blue}, {At9(4, 6), Blue}, {At9(6, 4), Blue}, {At9(7, 3), Blue}, {At9(4, 5), Blue}},
    Blue,
    9,
    At9(3, 5),
    kDown,
    Ending::BlueLine,
    "Blue Wins!",
    {At9(3, 7), At9(4, 6), At9(5, 5), At9(6, 4), At9(7, 3)}};

// The same diagonal in Red: Red counts only in rows and columns.
inline constexpr LinePosition kRedDiagonal = {"red_diagonal_does_not_count",
                                              9,
                                              {{At9(3, 3), Red},
                                               {At9(4, 4), Red},
                                               {At9(6, 6), Red},
                                               {At9(7, 7), Red},
                                               {At9(4, 5), Red},
                                               {At9(7, 6), Blue}},
                                              Red,
                                              10,
                                              At9(3, 5),
                                              kDown,
                                              Ending::GoesOn,
                                              nullptr,
                                              {}};

// Red in column 4 but for row 5; Blue pushes a Red orbel into the gap from the right.
inline constexpr LinePosition kRedColumnOfFive = {
    "blue_push_completes_a_red_column_of_five",
    9,
    {{At9(2, 4), Red}, {At9(3, 4), Red}, {At9(4, 4), Red}, {At9(6, 4), Red}, {At9(5, 5), Red}},
    Blue,
    9,
    At9(5, 6),
    kLeft,
    Ending::RedLine,
    "Red Wins!",
    {At9(2, 4), At9(3, 4), At9(4, 4), At9(5, 4), At9(6, 4)}};

inline constexpr LinePosition kRedColumnOfSix = {
    "blue_push_completes_a_red_column_of_six",
    9,
    {{At9(2, 4), Red},
     {At9(3, 4), Red},
     {At9(4, 4), Red},
     {At9(6, 4), Red},
     {At9(7, 4), Red},
     {At9(5, 5), Red}},
    Blue,
    9,
    At9(5, 6),
    kLeft,
    Ending::RedLine,
    "Red Wins!",
    {At9(2, 4), At9(3, 4), At9(4, 4), At9(5, 4), At9(6, 4), At9(7, 4)}};

// Column 4 rows 2..4 and 6..8 Red; Blue's push from (5,7) moves a Blue and a Red orbel, and
// the Red one fills the gap: seven in a column.
inline constexpr LinePosition kRedColumnOfSeven = {
    "blue_push_completes_a_red_column_of_seven",
    9,
    {{At9(2, 4), Red},
     {At9(3, 4), Red},
     {At9(4, 4), Red},
     {At9(6, 4), Red},
     {At9(7, 4), Red},
     {At9(8, 4), Red},
     {At9(5, 5), Red},
     {At9(5, 6), Blue}},
    Blue,
    12,
    At9(5, 7),
    kLeft,
    Ending::RedLine,
    "Red Wins!",
    {At9(2, 4), At9(3, 4), At9(4, 4), At9(5, 4), At9(6, 4), At9(7, 4), At9(8, 4)}};

// Pushing up column 5: a Red orbel lands in a Red row, a Blue one in a Blue row.
inline constexpr LinePosition kBothColours = {
    "both_colours_at_once",
    9,
    {{At9(3, 3), Red},
     {At9(3, 4), Red},
     {At9(3, 6), Red},
     {At9(3, 7), Red},
     {At9(5, 3), Blue},
     {At9(5, 4), Blue},
     {At9(5, 6), Blue},
     {At9(5, 7), Blue},
     {At9(4, 5), Red},
     {At9(5, 5), Red},
     {At9(6, 5), Blue}},
    Blue,
    14,
    At9(7, 5),
    kUp,
    Ending::BothLines,
    "A Tie!",
    {At9(3, 3), At9(3, 4), At9(3, 5), At9(3, 6), At9(3, 7), At9(5, 3), At9(5, 4), At9(5, 5),
     At9(5, 6), At9(5, 7)}};

// Blue pushes a run of Blue orbels into a fifth one, along the push, from either side.
inline constexpr LinePosition kBlueRowPushedRight = {
    "blue_row_completed_along_a_push_right",
    9,
    {{At9(5, 2), Blue}, {At9(5, 3), Blue}, {At9(5, 5), Blue}, {At9(5, 6), Blue}},
    Blue,
    9,
    At9(5, 1),
    kRight,
    Ending::BlueLine,
    "Blue Wins!",
    {At9(5, 2), At9(5, 3), At9(5, 4), At9(5, 5), At9(5, 6)}};

inline constexpr LinePosition kBlueRowPushedLeft = {
    "blue_row_completed_along_a_push_left",
    9,
    {{At9(5, 4), Blue}, {At9(5, 5), Blue}, {At9(5, 7), Blue}, {At9(5, 8), Blue}},
    Blue,
    9,
    At9(5, 9),
    kLeft,
    Ending::BlueLine,
    "Blue Wins!",
    {At9(5, 4), At9(5, 5), At9(5, 6), At9(5, 7), At9(5, 8)}};

// The orbel pushed onto (5,5) completes row 5 and the diagonal (3,3)..(7,7) for Blue.
inline constexpr LinePosition kBlueRowAndDiagonal = {
    "blue_row_and_diagonal_through_one_orbel",
    9,
    {{At9(5, 2), Blue},
     {At9(5, 3), Blue},
     {At9(5, 4), Blue},
     {At9(5, 6), Blue},
     {At9(3, 3), Blue},
     {At9(4, 4), Blue},
     {At9(6, 6), Blue},
     {At9(7, 7), Blue},
     {At9(4, 5), Blue}},
    Blue,
    9,
    At9(3, 5),
    kDown,
    Ending::BlueLine,
    "Blue Wins!",
    {At9(3, 3), At9(4, 4), At9(5, 2), At9(5, 3), At9(5, 4), At9(5, 5), At9(5, 6), At9(6, 6),
     At9(7, 7)}};

// Row 2 has held five Blue since before; the push completes row 5 only.
inline constexpr LinePosition kOldLineAndANewOne = {
    "an_old_line_away_from_the_push_and_a_new_one",
    9,
    {{At9(2, 2), Blue},
     {At9(2, 3), Blue},
     {At9(2, 4), Blue},
     {At9(2, 5), Blue},
     {At9(2, 6), Blue},
     {At9(5, 2), Blue},
     {At9(5, 3), Blue},
     {At9(5, 5), Blue},
     {At9(5, 6), Blue}},
    Blue,
    9,
    At9(5, 1),
    kRight,
    Ending::BlueLine,
    "Blue Wins!",
    {At9(5, 2), At9(5, 3), At9(5, 4), At9(5, 5), At9(5, 6)}};

// A push that completes nothing ends nothing, old line or not.
inline constexpr LinePosition kOldLineOnly = {"an_old_line_away_from_the_push_only",
                                              9,
                                              {{At9(2, 2), Blue},
                                               {At9(2, 3), Blue},
                                               {At9(2, 4), Blue},
                                               {At9(2, 5), Blue},
                                               {At9(2, 6), Blue},
                                               {At9(6, 6), Red}},
                                              Blue,
                                              9,
                                              At9(6, 5),
                                              kRight,
                                              Ending::GoesOn,
                                              nullptr,
                                              {}};

// 5 x 5: the inner field full but for 19; Blue fills it from the top ring and Red cannot
// move.
inline constexpr LinePosition kRedCannotMove = {
    "red_left_without_a_push",
    5,
    {{7, Red}, {8, Blue}, {9, Red}, {12, Blue}, {13, Red}, {14, Blue}, {17, Red}, {18, Blue}},
    Blue,
    9,
    4,
    kDown,
    Ending::NoPush,
    "Red Cannot Move - Blue Wins!",
    {}};

inline constexpr const LinePosition* kLinePositions[] = {
    &kBlueDiagonal,      &kOtherBlueDiagonal,  &kRedDiagonal,       &kRedColumnOfFive,
    &kRedColumnOfSix,    &kRedColumnOfSeven,   &kBothColours,       &kBlueRowPushedRight,
    &kBlueRowPushedLeft, &kBlueRowAndDiagonal, &kOldLineAndANewOne, &kOldLineOnly,
    &kRedCannotMove};

// The table's position before its push.
inline BoardState Position(const LinePosition& p) {
    BoardState b = Position(p.size, p.orbels, false);
    b.SideToMove = static_cast<int16_t>(p.side);
    b.MoveNumber = static_cast<int16_t>(p.moveNumber);
    return b;
}

}  // namespace orbel::testing
