// The computer as one object: it owns its search (threads and table included), is asked for
// a position and a level, and answers with the moves it finds best.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "computer/best_moves.h"
#include "computer/fast_search.h"
#include "computer/random.h"
#include "computer/search.h"
#include "computer/search_tables.h"
#include "computer/search_worker.h"
#include "engine/board.h"
#include "engine/move_generation.h"

namespace orbel {

// What the game asks of a computer: a search that runs while the game goes on.
class Computer {
  public:
    using Answer = std::function<void(const BestMoves&)>;
    virtual ~Computer() = default;
    // Searches a copy of `position` for its side to move at `level` and returns at once.
    // `answer` runs once, on the computer's own thread, with the best moves; they are empty
    // when the search was cancelled or the side to move has no push.
    virtual void Start(const BoardState& position, int level, Answer answer) = 0;
    // Stops a running search and returns once its answer has been given.
    virtual void Cancel() = 0;
};

// One worker thread for the player's whole life; one search at a time.
class ComputerPlayer final : public Computer {
  public:
    // Plays with the fast search, one thread per core.
    ComputerPlayer();
    // Plays with `search` instead (tests hold it at a gate or use the reference).
    explicit ComputerPlayer(RootSearch search);
    ~ComputerPlayer() override;
    ComputerPlayer(const ComputerPlayer&) = delete;
    ComputerPlayer& operator=(const ComputerPlayer&) = delete;

    // Searches a copy of `position` for its side to move at `level`. The answer is empty
    // when `cancel` was raised, or when the side to move has no push. One call at a time;
    // `cancel` may be raised from any thread.
    BestMoves Choose(const BoardState& position, int level, const std::atomic<bool>& cancel);

    void Start(const BoardState& position, int level, Answer answer) override;
    void Cancel() override;

  private:
    std::unique_ptr<FastSearch> fast_;
    RootSearch search_;
    std::unique_ptr<SearchTables> tables_;
    std::unique_ptr<BoardState> position_;

    // The position a search on the worker reads; Start waits for the search before it.
    std::unique_ptr<BoardState> job_;
    // Last, so its thread ends before anything it uses.
    SearchWorker worker_;
};

// The coin-flip walk over the best set: the move code to play, 0 for an empty set.
int PickBestMove(const BestMoves& best, RandomSource& random);

}  // namespace orbel
