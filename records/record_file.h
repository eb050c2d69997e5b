// The game record file: the board size, the computer's colour and the completed moves
// as (placement cell, moved-to cell) pairs, as decimal text in CR LF lines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/game_moves.h"

namespace orbel {

struct GameRecord {
    int16_t BoardSize = 9;
    int16_t ComputerSideChoice = -1;
    GameMoves Moves;
};

// The numbers are part of what the program reports; never renumber them.
enum class RecordError : int {
    None = 0,
    Unreadable = 1,
    EmptyFile = 2,
    NotANumber = 3,
    OutOfRange = 4,
    BadBoardSize = 5,
    BadColour = 6,
    NegativeCount = 7,
    TooManyMoves = 8,
    Truncated = 9,
    CellOffBoard = 10,
    NotOneStep = 11,
    PlacementTaken = 12,
    NoOrbelBeside = 13,
    PushNotOffered = 14,
    PushOntoRing = 15,
    CannotCreate = 20,
    WriteFailed = 21,
    CannotReplace = 22,
};

// What went wrong and where; `error` None means success.
struct RecordStatus {
    RecordError error = RecordError::None;
    int line = 0;   // line of the offending value, when it was read from text
    int value = 0;  // the offending size, colour or count; the count when moves are missing
    int size = 0;   // the board size, once known
    int move = 0;   // the move concerned, 0 for the three values before the moves
    int placed = 0;
    int moved = 0;
    std::string detail;  // the text that is not a number, or the system's reason

    bool Ok() const { return error == RecordError::None; }
    int Code() const { return static_cast<int>(error); }
};

// One line, without the file name, e.g. "move 3: cell 40 is already taken (error 12)".
std::string RecordMessage(const RecordStatus& status);

// Reads values in order; blanks, tabs, commas, CR and LF all separate them. Every move is
// checked by replaying it from a new game of the stored size. Values after the last move
// are ignored. On failure `record` holds what was read before it.
RecordStatus ParseGameRecord(std::string_view text, GameRecord& record);
RecordStatus ReadRecordFile(const std::filesystem::path& file, GameRecord& record);

// The exact text written: every value signed by a blank or a minus and followed by a blank.
std::string FormatGameRecord(const GameRecord& record);

// Writes a temporary file of a fresh name beside `file` and renames it over `file` only once
// it is complete, so a failure leaves any earlier file as it was and no temporary file. A
// link is followed: the file it leads to is replaced and keeps its mode; the link stays.
RecordStatus WriteRecordFile(const std::filesystem::path& file, const GameRecord& record);

}  // namespace orbel
