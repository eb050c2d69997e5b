#include "game/controller.h"

#include <algorithm>
#include <utility>

#include "engine/board.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"

namespace orbel {

namespace {

constexpr float kPauseBeforeSearch = 0.05f;
constexpr int kHintLevelForTwoPlayers = 3;

// Shows every cell a push writes, at the moment it is written.
class DrawingObserver : public PushObserver {
  public:
    explicit DrawingObserver(std::function<void(int, int)> draw) : draw_(std::move(draw)) {}
    void CellChanged(int cell, int value) override { draw_(cell, value); }

  private:
    std::function<void(int, int)> draw_;
};

}  // namespace

GameController::GameController(GameState& state, GameView& view, ComputerPlayer& computer,
                               Scheduler& scheduler)
    : state_(state), view_(view), computer_(computer), scheduler_(scheduler) {}

// ---- Display ------------------------------------------------------------------------------

void GameController::DrawCell(int cell, int value) {
    if (!state_.DrawEnabled) return;
    view_.DrawCell(cell, value);
}

void GameController::RedrawBoard() {
    const BoardState& b = state_.board;
    const int n = b.BoardSize;
    for (int c = 1; c <= n * n; ++c) {
        if (b.Board[c] != Empty)
            DrawCell(c, b.Board[c]);
        else
            view_.SetCellButtonVisible(c, true);
    }
    for (int corner : {1, n, n * n - n + 1, n * n}) {
        view_.SetCellImageVisible(corner, false);
        view_.SetCellButtonVisible(corner, false);
    }
}

void GameController::ShowMessage(std::string_view text) {
    view_.ShowMessage(text, state_.board.SideToMove);
    if (text != ThinkingMessage && text != BlankMessage) view_.Beep();
}

// ---- New game, colour choice, level ---------------------------------------------------------

void GameController::Form_Load() {
    NewGame();
    view_.SetForwardVisible(false);
    view_.SetBackwardVisible(false);
    SelectLevel(1);
}

void GameController::NewGame() {
    BoardState& b = state_.board;
    const int n = b.BoardSize;
    view_.SetBusyPointer(true);
    state_.random.SeedFromClock();
    for (int c = 1; c <= n * n; ++c) view_.SetCellButtonVisible(c, true);
    ClearBoard(b);
    state_.DrawEnabled = true;
    state_.ComputerSide = state_.ComputerSideChoice;
    for (int d : {kDown, kRight, kLeft, kUp}) view_.SetArrowVisible(d, false);
    state_.PlacementPending = false;
    state_.PreviewCell = kNoPreview;
    TakeUndoSnapshot();
    RedrawBoard();
    for (int c = 1; c <= n * n; ++c) view_.SetCellImageVisible(c, true);
    for (int corner : {1, n, n * n - n + 1, n * n}) {
        view_.SetCellImageVisible(corner, false);
        view_.SetCellButtonVisible(corner, false);
    }
    state_.MoveInProgress = false;
    ShowMessage("Select Red or Blue");
    state_.GameOver = false;
    view_.SetUndoEnabled(true);
    view_.SetHintEnabled(true);
    view_.SetBusyPointer(false);
    BuildNeighbourTable(b);
    state_.PushDone = 0;
    b.MoveNumber = 1;
    state_.StepDelay = kStepDelay;
}

void GameController::mnu_NewGame_Click() {
    StopComputer();
    NewGame();
    state_.history.RecordCount = 0;
    state_.history.BranchMove = 0;
    view_.SetBackwardVisible(false);
    view_.SetForwardVisible(false);
}

void GameController::img_Player_Click(int index) {
    if (busy_ || state_.board.MoveNumber != 1 || state_.MoveInProgress) return;
    BoardState& b = state_.board;
    b.SideToMove = Blue;
    if (index == 0) {
        state_.ComputerSide = Blue;
        state_.ComputerSideChoice = Blue;
        // The computer moves now: a tentative placement of the person's would linger.
        if (state_.PlacementPending && state_.PreviewCell > kNoPreview) {
            view_.SetCellImageVisible(state_.PreviewCell, true);
            DrawCell(state_.PreviewCell, Empty);
            state_.PlacementPending = false;
            state_.PreviewCell = kNoPreview;
        }
        ShowMessage(BlankMessage);
        ComputerTurnLoop();
    } else {
        state_.ComputerSide = Red;
        state_.ComputerSideChoice = Red;
    }
}

void GameController::SelectLevel(int level) {
    state_.SearchLevel = static_cast<int16_t>(level);
    view_.SetLevelChecked(level);
}

// ---- The person's move ------------------------------------------------------------------------

void GameController::TakeUndoSnapshot() {
    const BoardState& b = state_.board;
    std::copy_n(b.Board + 1, b.CellCount(), state_.history.UndoBoard + 1);
}

void GameController::btn_Board_Click(int cell) {
    BoardState& b = state_.board;
    if (busy_ || cell < 1 || cell > b.CellCount() || b.Board[cell] != Empty) return;
    if (!HasOccupiedNeighbour(b, cell)) return;
    if (state_.MoveInProgress) return;
    TakeUndoSnapshot();
    const OfferedDirections offered = DirectionsOffered(b, cell);
    for (int d : {kUp, kLeft, kRight, kDown}) view_.SetArrowVisible(d, offered.Has(d));
    if (state_.PreviewCell > kNoPreview) {
        view_.SetCellImageVisible(state_.PreviewCell, true);
        DrawCell(state_.PreviewCell, Empty);
    }
    state_.PlacementPending = true;
    state_.PreviewCell = static_cast<int16_t>(cell);
    b.SelectedCell = static_cast<int16_t>(cell);
    DrawCell(cell, b.SideToMove);
    state_.history.HistoryPlaced[b.MoveNumber] = static_cast<int16_t>(cell);
}

void GameController::img_dir_Click(int index) {
    if (busy_) return;
    if (!state_.PlacementPending) {
        view_.Beep();
        state_.PushDone = 0;
        ComputerTurnLoop();
        return;
    }
    if (state_.PushDone == 1) {
        EndHumanTurn();
        state_.PushDone = 0;
        ComputerTurnLoop();
        return;
    }
    MoveHistory& h = state_.history;
    if (index == 0) {
        state_.MoveInProgress = false;
        view_.SetBackwardVisible(h.SavedBackwardVisible);
        view_.SetForwardVisible(h.SavedForwardVisible);
        return;
    }
    if (!DirectionsOffered(state_.board, state_.board.SelectedCell).Has(index)) return;
    h.SavedBackwardVisible = view_.BackwardVisible();
    h.SavedForwardVisible = view_.ForwardVisible();
    view_.SetBackwardVisible(false);
    view_.SetForwardVisible(false);
    if (!TryHumanPush(index)) {
        view_.SetBackwardVisible(h.SavedBackwardVisible);
        view_.SetForwardVisible(h.SavedForwardVisible);
    }
}

bool GameController::TryHumanPush(int direction) {
    BoardState& b = state_.board;
    const int placement = b.SelectedCell;
    state_.MoveInProgress = true;
    b.Board[placement] = b.SideToMove;
    DrawingObserver draw([this](int cell, int value) { DrawCell(cell, value); });
    const bool pushed = RunPush(b, direction, RingRule::Check, Placed::MovesOn, &draw);
    // The flash may have left the emptied placement cell's image hidden; an orbel pushed
    // there later must show.
    view_.SetCellImageVisible(placement, true);
    if (!pushed) {
        ShowMessage("You Cant't Push Out");
        state_.MoveInProgress = false;
        return false;
    }
    state_.PushDone = 1;
    return true;
}

void GameController::EndHumanTurn() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    state_.PlacementPending = false;
    view_.SetCellImageVisible(b.SelectedCell, true);
    state_.MoveInProgress = false;
    h.HistoryMoved[b.MoveNumber] = b.SelectedCell;
    if (h.SavedForwardVisible) h.BranchMove = b.MoveNumber;
    ++b.MoveNumber;
    view_.SetBackwardVisible(true);
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    ShowMessage(BlankMessage);
    CheckGameEnd();
}

void GameController::tmr_Select_Timer() {
    if (state_.GameOver || !state_.PlacementPending) return;
    const int cell = state_.board.SelectedCell;
    view_.SetCellImageVisible(cell, !view_.CellImageVisible(cell));
}

// ---- End of the game ----------------------------------------------------------------------------

void GameController::CheckGameEnd() {
    const BoardState& b = state_.board;
    const LinesFound found = ScanLines(b);
    std::string_view message;
    if (found.RedFound && found.BlueFound)
        message = "A Tie!";
    else if (found.RedFound)
        message = "Red Wins!";
    else if (found.BlueFound)
        message = "Blue Wins!";
    // No pass exists in the rules: a side left without a push has lost.
    else if (!HasLegalMove(b))
        message =
            b.SideToMove == Red ? "Red Cannot Move - Blue Wins!" : "Blue Cannot Move - Red Wins!";
    else
        return;
    ShowMessage(message);
    state_.GameOver = true;
    view_.SetUndoEnabled(false);
    view_.SetHintEnabled(false);
}

// ---- Moves shown on the board -------------------------------------------------------------------

std::function<void()> GameController::Guarded(std::function<void()> then) {
    const unsigned epoch = epoch_;
    return [this, epoch, then = std::move(then)] {
        if (epoch == epoch_) then();
    };
}

void GameController::PerformMove(int direction, std::function<void()> then) {
    BoardState& b = state_.board;
    state_.history.HistoryPlaced[b.MoveNumber] = b.SelectedCell;
    if (!state_.PlacementPending) {
        view_.Beep();
        state_.PreviewCell = kNoPreview;
        if (then) then();
        return;
    }
    state_.MoveInProgress = true;
    b.Board[b.SelectedCell] = b.SideToMove;
    DrawCell(b.SelectedCell, b.SideToMove);
    auto push = [this, direction, then = std::move(then)] {
        FinishPush(direction);
        if (then) then();
    };
    // The placed orbel is seen for a moment before it pushes.
    if (state_.StepDelay > 0)
        scheduler_.After(state_.StepDelay, Guarded(std::move(push)));
    else
        push();
}

void GameController::FinishPush(int direction) {
    BoardState& b = state_.board;
    const int placement = b.SelectedCell;
    DrawingObserver draw([this](int cell, int value) { DrawCell(cell, value); });
    RunPush(b, direction, RingRule::Ignore, Placed::MovesOn, &draw);
    view_.SetCellImageVisible(placement, true);
    state_.PlacementPending = false;
    state_.MoveInProgress = false;
    state_.history.HistoryMoved[b.MoveNumber] = b.SelectedCell;
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    ShowMessage(BlankMessage);
    state_.PreviewCell = kNoPreview;
}

// ---- The computer's move and the hint
// ------------------------------------------------------------

void GameController::ComputerTurnLoop() {
    if (busy_) return;
    const BoardState& b = state_.board;
    if (b.SideToMove == state_.ComputerSide && state_.SearchLevel != 0 && !state_.GameOver)
        ComputerTurn();
}

void GameController::ComputerTurn() {
    if (!HasLegalMove(state_.board)) return;
    StartThinking(state_.SearchLevel, false, view_.ForwardVisible());
}

void GameController::btn_Hint_Click() {
    if (busy_ || state_.MoveInProgress || state_.GameOver) return;
    BoardState& b = state_.board;
    state_.PlacementPending = false;
    if (b.SelectedCell > 0) view_.SetCellImageVisible(b.SelectedCell, true);
    // The hint's move replaces a tentative placement; leave no orbel drawn there.
    if (state_.PreviewCell > kNoPreview) {
        view_.SetCellImageVisible(state_.PreviewCell, true);
        DrawCell(state_.PreviewCell, Empty);
    }
    if (!HasLegalMove(b)) return;
    const int level = state_.SearchLevel == 0 ? kHintLevelForTwoPlayers : state_.SearchLevel;
    StartThinking(level, true, view_.ForwardVisible());
}

void GameController::StartThinking(int level, bool hint, bool forwardWasVisible) {
    busy_ = true;
    ShowMessage(ThinkingMessage);
    view_.SetBusyPointer(true);
    const unsigned epoch = epoch_;
    scheduler_.After(kPauseBeforeSearch, Guarded([this, level, hint, forwardWasVisible, epoch] {
                         computer_.Choose(
                             state_.board, level,
                             [this, hint, forwardWasVisible, epoch](const BestMoves& best) {
                                 if (epoch == epoch_) PlayChosenMove(best, hint, forwardWasVisible);
                             });
                     }));
}

void GameController::PlayChosenMove(const BestMoves& best, bool hint, bool forwardWasVisible) {
    view_.SetBusyPointer(false);
    if (best.count == 0) {
        busy_ = false;
        return;
    }
    // Each later equal candidate takes the choice over on a coin flip.
    int choice = 0;
    for (int i = 1; i < best.count; ++i)
        if (state_.random.RandomBelow(2) == 1) choice = i;
    const int code = best.codes[choice];
    BoardState& b = state_.board;
    state_.PlacementPending = true;
    b.SelectedCell = static_cast<int16_t>(PlacementOf(code));
    PerformMove(DirectionOf(code), [this, hint, forwardWasVisible] {
        if (hint) {
            AfterHintMove(forwardWasVisible);
            return;
        }
        BoardState& board = state_.board;
        if (forwardWasVisible) state_.history.BranchMove = board.MoveNumber;
        ++board.MoveNumber;
        view_.SetBackwardVisible(true);
        view_.SetForwardVisible(false);
        busy_ = false;
        CheckGameEnd();
        ComputerTurnLoop();
    });
}

void GameController::AfterHintMove(bool forwardWasVisible) {
    BoardState& b = state_.board;
    if (forwardWasVisible) {
        state_.history.BranchMove = b.MoveNumber;
        view_.SetForwardVisible(false);
    }
    ++b.MoveNumber;
    view_.SetBackwardVisible(true);
    busy_ = false;
    CheckGameEnd();
    ComputerTurnLoop();
}

void GameController::StopComputer() {
    computer_.Cancel();
    ++epoch_;
    if (busy_) view_.SetBusyPointer(false);
    busy_ = false;
}

// ---- Take-back and stepping through the history ------------------------------------------------

void GameController::Undo() {
    if (busy_ || !(state_.PlacementPending && state_.MoveInProgress)) return;
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    for (int c = 1; c <= b.CellCount(); ++c) std::swap(b.Board[c], h.UndoBoard[c]);
    RedrawBoard();
    ShowMessage(BlankMessage);
    view_.SetCellButtonsDefaultPointer();
    state_.PlacementPending = false;
    view_.SetCellImageVisible(b.SelectedCell, true);
    state_.MoveInProgress = false;
    state_.PushDone = 0;
    view_.SetBackwardVisible(h.SavedBackwardVisible);
    view_.SetForwardVisible(h.SavedForwardVisible);
}

void GameController::Backward() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (busy_ || b.MoveNumber < 2) return;
    const int target = b.MoveNumber - 2;
    NewGame();
    state_.StepDelay = 0;
    b.MoveNumber = 1;
    while (b.MoveNumber <= target) {
        const int placed = h.HistoryPlaced[b.MoveNumber];
        const int moved = h.HistoryMoved[b.MoveNumber];
        state_.PlacementPending = true;
        b.SelectedCell = static_cast<int16_t>(placed);
        PerformMove(DirectionFromCells(b.BoardSize, placed, moved), {});
        ++b.MoveNumber;
    }
    if (target == 0) view_.SetBackwardVisible(false);
    if (target == h.BranchMove - 1) view_.SetForwardVisible(true);
    if (target == h.RecordCount - 1 && h.BranchMove == 0) view_.SetForwardVisible(true);
    state_.StepDelay = kStepDelay;
}

void GameController::Forward() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (busy_ || b.MoveNumber > h.RecordCount) return;
    const int placed = h.RecordPlaced[b.MoveNumber];
    const int moved = h.RecordMoved[b.MoveNumber];
    state_.PlacementPending = true;
    b.SelectedCell = static_cast<int16_t>(placed);
    state_.StepDelay = kStepDelay;
    busy_ = true;
    PerformMove(DirectionFromCells(b.BoardSize, placed, moved), [this] {
        BoardState& board = state_.board;
        MoveHistory& history = state_.history;
        // Later moves are shown without a pause until Backward or a new game.
        state_.StepDelay = 0;
        if (board.MoveNumber == history.BranchMove) history.BranchMove = 0;
        ++board.MoveNumber;
        busy_ = false;
        CheckGameEnd();
        view_.SetBackwardVisible(true);
        if (board.MoveNumber > history.RecordCount) view_.SetForwardVisible(false);
    });
}

}  // namespace orbel
