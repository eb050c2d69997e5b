// The computer's choice, made away from the window so that it never freezes.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/board.h"
#include "engine/move_generation.h"

namespace orbel {

// The root candidates sharing the best value, in the order the coin flips walk them.
struct BestMoves {
    int16_t codes[kMaxCandidates] = {};
    int count = 0;
};

class ComputerPlayer {
  public:
    virtual ~ComputerPlayer() = default;
    // Searches `position` (a copy) for its side to move at `level`. `done` runs on the
    // window's thread with the best moves, never after Cancel.
    virtual void Choose(const BoardState& position, int level,
                        std::function<void(const BestMoves&)> done) = 0;
    // Stops a running search and returns once it has stopped.
    virtual void Cancel() = 0;
};

// Runs `then` after a pause, on the window's thread, while events go on being handled.
class Scheduler {
  public:
    virtual ~Scheduler() = default;
    virtual void After(float seconds, std::function<void()> then) = 0;
};

}  // namespace orbel
