// The computer as one object: it owns its search (threads and table included), is asked for
// a position and a level, and answers with the moves it finds best.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "computer/best_moves.h"
#include "computer/fast_search.h"
#include "computer/random.h"
#include "computer/search.h"
#include "computer/search_tables.h"
#include "engine/board.h"
#include "engine/move_generation.h"

namespace orbel {

class ComputerPlayer {
  public:
    // Plays with the fast search, one thread per core.
    ComputerPlayer();
    // Plays with `search` instead (tests hold it at a gate or use the reference).
    explicit ComputerPlayer(RootSearch search);
    ~ComputerPlayer();
    ComputerPlayer(const ComputerPlayer&) = delete;
    ComputerPlayer& operator=(const ComputerPlayer&) = delete;

    // Searches a copy of `position` for its side to move at `level`. The answer is empty
    // when `cancel` was raised, or when the side to move has no push. One call at a time;
    // `cancel` may be raised from any thread.
    BestMoves Choose(const BoardState& position, int level, const std::atomic<bool>& cancel);

  private:
    std::unique_ptr<FastSearch> fast_;
    RootSearch search_;
    std::unique_ptr<SearchTables> tables_;
    std::unique_ptr<BoardState> position_;
};

// The coin-flip walk over the best set: the move code to play, 0 for an empty set.
int PickBestMove(const BestMoves& best, RandomSource& random);

}  // namespace orbel
