// How the controller asks for the computer's move without waiting for it.
#pragma once

#include <functional>

#include "computer/computer_player.h"
#include "engine/board.h"

namespace orbel {

class BackgroundComputer {
  public:
    virtual ~BackgroundComputer() = default;
    // Searches a copy of `position` for its side to move at `level`; `done` runs later on
    // the controller's thread with the best moves, never after Cancel.
    virtual void Start(const BoardState& position, int level,
                       std::function<void(const BestMoves&)> done) = 0;
    // Stops a running search and returns once it has stopped.
    virtual void Cancel() = 0;
};

}  // namespace orbel
