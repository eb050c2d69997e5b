#include "game/game.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace orbel {

static_assert(kRecordCapacity == kHistoryCapacity, "a record holds exactly one history");

Game::Game(Scheduler& scheduler, std::unique_ptr<Computer> computer,
           std::function<uint32_t()> seeds)
    : state_(std::make_unique<GameState>()),
      computer_(std::move(computer)),
      controller_(*state_, *computer_, scheduler, std::move(seeds)) {}

// The computer's last answer is given before the controller goes; the scheduler drops it.
Game::~Game() {
    computer_->Cancel();
}

void Game::ChooseSize(int size) {
    assert(IsValidBoardSize(size));
    controller_.LeaveGame();
    Stop();
    state_->board.BoardSize = static_cast<int16_t>(size);
    state_->ComputerSideChoice = Red;
    state_->history.RecordCount = 0;
    state_->history.BranchMove = 0;
}

void Game::TakeRecord(const GameRecord& record) {
    controller_.LeaveGame();
    Stop();
    state_->board.BoardSize = record.BoardSize;
    state_->ComputerSideChoice = record.ComputerSideChoice;
    MoveHistory& h = state_->history;
    h.RecordCount = record.RecordCount;
    const int count = record.RecordCount + 1;
    std::copy_n(record.RecordPlaced, count, h.RecordPlaced);
    std::copy_n(record.RecordMoved, count, h.RecordMoved);
    h.BranchMove = 0;
}

GameRecord Game::Record() const {
    const GameState& s = *state_;
    GameRecord record;
    record.BoardSize = s.board.BoardSize;
    record.ComputerSideChoice = s.ComputerSideChoice;
    record.RecordCount = static_cast<int16_t>(s.board.MoveNumber - 1);
    const int count = record.RecordCount + 1;
    std::copy_n(s.history.HistoryPlaced, count, record.RecordPlaced);
    std::copy_n(s.history.HistoryMoved, count, record.RecordMoved);
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
