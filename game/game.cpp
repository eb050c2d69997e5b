#include "game/game.h"

#include <cassert>
#include <utility>

namespace orbel {

Game::Game(Scheduler& scheduler, std::unique_ptr<Computer> computer,
           std::function<uint32_t()> seeds)
    : state_(std::make_unique<GameState>()),
      computer_(std::move(computer)),
      controller_(*state_, *computer_, scheduler, std::move(seeds)) {
    controller_.NewGame();
}

// The computer's last answer is given before the controller goes; the scheduler drops it.
Game::~Game() {
    computer_->Cancel();
}

// The size changes with the cells, the neighbours and the picture, in one new game: nothing
// ever sees a board of one size with the cells or the neighbours of another.
void Game::ChooseSize(int size) {
    assert(IsValidBoardSize(size));
    controller_.LeaveGame();
    Stop();
    state_->board.BoardSize = static_cast<int16_t>(size);
    state_->ComputerSideChoice = Red;
    controller_.NewGame();
}

void Game::TakeRecord(const GameRecord& record) {
    controller_.LeaveGame();
    Stop();
    state_->board.BoardSize = record.BoardSize;
    state_->ComputerSideChoice = record.ComputerSideChoice;
    controller_.NewGame();
    MoveHistory& h = state_->history;
    h.Record = record.Moves;
}

GameRecord Game::Record() const {
    const GameState& s = *state_;
    GameRecord record;
    record.BoardSize = s.board.BoardSize;
    record.ComputerSideChoice = s.ComputerSideChoice;
    record.Moves = s.history.Played;
    return record;
}

bool Game::Continue(const KeptGame& kept) {
    return controller_.ContinueGame(kept);
}

void Game::SetKeeper(GameKeeper* keeper) {
    controller_.SetKeeper(keeper);
}

void Game::Stop() {
    controller_.StopComputer();
}

void Game::Hold() {
    controller_.HoldGame();
}

void Game::Release() {
    controller_.ReleaseGame();
}

}  // namespace orbel
