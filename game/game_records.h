// Saving the game in hand as a record and taking a read record in.
#pragma once

#include "game/game_state.h"
#include "records/record_file.h"

namespace orbel {

// The completed moves of the game in hand; a push not yet confirmed is not one of them.
GameRecord RecordOfGame(const GameState& state);

// Makes a read record the one Forward replays, for a game of its size. The board itself
// is set up when the main window opens for that size.
void TakeRecord(GameState& state, const GameRecord& record);

}  // namespace orbel
