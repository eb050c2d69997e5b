// The one board model every part of the game shares.
#pragma once

#include <cstdint>

namespace orbel {

constexpr int kSmallestSize = 5;
constexpr int kLargestSize = 17;
// Entries 0..289: room for 17 x 17 cells; entry 0 is "off the board" and always empty.
constexpr int kBoardEntries = kLargestSize * kLargestSize + 1;

constexpr int16_t Red = -1;
constexpr int16_t Blue = +1;
constexpr int16_t Empty = 0;

// Push directions, laid out like a numeric keypad.
constexpr int kDown = 2;
constexpr int kLeft = 4;
constexpr int kRight = 6;
constexpr int kUp = 8;

struct PushEntry {
    int16_t cell = 0;
    int16_t value = 0;
};

struct BoardState {
    int16_t BoardSize = 9;
    int16_t Board[kBoardEntries] = {};
    // Only indices 2 (above), 4 (left), 6 (right) and 8 (below) are used.
    int16_t NeighbourTable[kBoardEntries][10] = {};
    // Entries 1..17 describe the line a push moved, then the run it now forms.
    PushEntry PushLine[kLargestSize + 1] = {};
    int16_t PushCount = 0;
    int16_t RunCount = 0;
    int16_t SelectedCell = 0;
    int16_t SideToMove = Blue;
    int16_t MoveNumber = 1;
    // The board before a generator's trial moves.
    int16_t BoardBackup[kBoardEntries] = {};

    int CellCount() const { return BoardSize * BoardSize; }
};

bool IsValidBoardSize(int n);
int CentreCell(int n);
bool IsOnRing(int n, int cell);
// The four corners of the square are no part of the board: no button, no focus.
bool IsCorner(int n, int cell);
// Cell step of a push direction on an n x n board (+n down, -1 left, +1 right, -n up).
int StepOf(int n, int direction);
// The push direction of a recorded pair on an n x n board: +1 right, -1 left, +n down,
// -n up. The remainder takes the sign of the difference, as integer division truncates.
int DirectionFromCells(int n, int placed, int moved);

void BuildNeighbourTable(BoardState& b);
// Empties the board and puts Red's opening orbel on the centre; Blue to move, move 1.
void ClearBoard(BoardState& b);
// A fresh game position of the given size (board cleared, neighbours built).
void StartPosition(BoardState& b, int size);

// The invariants that hold between moves: the ring and entry 0 are empty, and the neighbour
// table is the one of the board's size.
bool BoardIsSound(const BoardState& b);

}  // namespace orbel
