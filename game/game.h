// The game the program keeps for its whole run: its state, its computer and the turn that
// moves it. Windows come and go; they show it and pass it their events. Every operation
// leaves it whole: its board's size, cells and neighbours agree, and so does its picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "computer/computer_player.h"
#include "game/controller.h"
#include "game/game_state.h"
#include "game/scheduler.h"
#include "records/record_file.h"

namespace orbel {

class Game {
  public:
    // `scheduler` must outlive the game and drop what it still holds with it. `seeds`, when
    // given, seeds each new game's coin flips instead of the clock, so a run can repeat.
    Game(Scheduler& scheduler, std::unique_ptr<Computer> computer,
         std::function<uint32_t()> seeds = {});
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // A fresh game of `size`: the computer takes Red and any read record is dropped. It
    // starts when a window opens on it.
    void ChooseSize(int size);
    // A record read and checked: a game of its size with its colours, whose moves Forward
    // replays once a window opens on it.
    void TakeRecord(const GameRecord& record);
    // A kept game in place of this one, as it stood; see GameController::ContinueGame.
    bool Continue(const KeptGame& kept);
    // The completed moves; a push not yet confirmed is not one of them.
    GameRecord Record() const;

    // Tells `keeper` (or nobody, when null) of every change from now on; see GameKeeper.
    void SetKeeper(GameKeeper* keeper);

    // Stops the computer: the window closes, or another game replaces this one.
    void Stop();
    // A modal window is open; see GameController::HoldGame.
    void Hold();
    void Release();

    int BoardSize() const { return state_->board.BoardSize; }
    GameController& controller() { return controller_; }
    const GameController& controller() const { return controller_; }
    const GameState& state() const { return *state_; }

  private:
    std::unique_ptr<GameState> state_;
    std::unique_ptr<Computer> computer_;
    GameController controller_;
};

}  // namespace orbel
