#include "game/controller.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "engine/board.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "game/game_records.h"
#include "records/replay.h"

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

const CellList kNoCells;

bool IsCorner(int n, int cell) {
    return cell == 1 || cell == n || cell == n * n - n + 1 || cell == n * n;
}

// The first push in the computer's own order; 0 when there is none.
int FirstLegalMove(const BoardState& position) {
    BoardState b = position;
    int16_t moves[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    int16_t count = 0;
    GenerateMoves(b, {moves, scores, count});
    if (count == 0) return 0;
    SortCandidates({moves, scores, count});
    return moves[1];
}

}  // namespace

GameController::GameController(GameState& state, GameView& view, BackgroundComputer& computer,
                               Scheduler& scheduler)
    : state_(state), view_(view), computer_(computer), scheduler_(scheduler) {}

// ---- Display ------------------------------------------------------------------------------

void GameController::DrawCell(int cell, int value) {
    if (!state_.DrawEnabled) return;
    buttonShown_[cell] = value == Empty;
    view_.DrawCell(cell, value);
}

void GameController::RedrawBoard() {
    const BoardState& b = state_.board;
    const int n = b.BoardSize;
    for (int c = 1; c <= n * n; ++c) {
        if (b.Board[c] != Empty)
            DrawCell(c, b.Board[c]);
        else
            ShowCellButton(c, true);
    }
    for (int corner : {1, n, n * n - n + 1, n * n}) {
        ShowCellImage(corner, false);
        ShowCellButton(corner, false);
    }
}

void GameController::ShowMessage(std::string_view text) {
    view_.ShowMessage(text, state_.board.SideToMove);
    if (text != ThinkingMessage && text != BlankMessage) view_.Beep();
}

void GameController::ShowCellImage(int cell, bool visible) {
    imageShown_[cell] = visible;
    view_.SetCellImageVisible(cell, visible);
}

void GameController::ShowBackward(bool visible) {
    backwardShown_ = visible;
    view_.SetBackwardVisible(visible);
}

void GameController::ShowForward(bool visible) {
    forwardShown_ = visible;
    view_.SetForwardVisible(visible);
}

void GameController::ShowCellButton(int cell, bool visible) {
    buttonShown_[cell] = visible;
    view_.SetCellButtonVisible(cell, visible);
}

void GameController::ShowArrow(int direction, bool visible) {
    arrowShown_[direction] = visible;
    view_.SetArrowVisible(direction, visible);
}

void GameController::EnableUndo(bool enabled) {
    undoEnabled_ = enabled;
    view_.SetUndoEnabled(enabled);
}

void GameController::MarkLastMove(int placed, int stands) {
    lastPlaced_ = placed;
    lastStands_ = stands;
    view_.ShowLastMove(placed, stands);
}

// The lines kept in winning_, or none.
void GameController::ShowWinningCells(bool shown) {
    winningShown_ = shown && winning_.count > 0;
    view_.ShowWinningCells(winningShown_ ? winning_ : kNoCells);
}

void GameController::SetFocusCell(int cell) {
    focusCell_ = cell;
    view_.ShowFocusCell(cell);
}

// One cell in the direction, unless that leaves the board or reaches a corner, which is no
// part of it.
void GameController::MoveFocus(int direction) {
    const int n = state_.board.BoardSize;
    int row = (focusCell_ - 1) / n;
    int column = (focusCell_ - 1) % n;
    row += direction == kDown ? 1 : direction == kUp ? -1 : 0;
    column += direction == kRight ? 1 : direction == kLeft ? -1 : 0;
    if (row < 0 || row >= n || column < 0 || column >= n) return;
    const int cell = row * n + column + 1;
    if (IsCorner(n, cell)) return;
    SetFocusCell(cell);
}

// ---- New game, colour choice, level ---------------------------------------------------------

void GameController::Form_Load() {
    SetFocusCell(CentreCell(state_.board.BoardSize));
    NewGame();
    ShowForward(false);
    ShowBackward(false);
    SelectLevel(1);
}

void GameController::Form_Load(const GameRecord& loaded) {
    assert(loaded.BoardSize == state_.board.BoardSize);
    TakeRecord(state_, loaded);
    Form_Load();
    ShowForward(loaded.RecordCount >= 1);
}

void GameController::NewGame() {
    BoardState& b = state_.board;
    const int n = b.BoardSize;
    view_.SetBusyPointer(true);
    state_.random.SeedFromClock();
    for (int c = 1; c <= n * n; ++c) ShowCellButton(c, true);
    ClearBoard(b);
    state_.DrawEnabled = true;
    state_.ComputerSide = state_.ComputerSideChoice;
    for (int d : {kDown, kRight, kLeft, kUp}) ShowArrow(d, false);
    state_.PlacementPending = false;
    state_.PreviewCell = kNoPreview;
    MarkLastMove(0, 0);
    winning_.count = 0;
    ShowWinningCells(false);
    TakeUndoSnapshot();
    RedrawBoard();
    for (int c = 1; c <= n * n; ++c) ShowCellImage(c, true);
    for (int corner : {1, n, n * n - n + 1, n * n}) {
        ShowCellImage(corner, false);
        ShowCellButton(corner, false);
    }
    state_.MoveInProgress = false;
    ShowMessage("Select Red or Blue");
    state_.GameOver = false;
    EnableUndo(true);
    view_.SetHintEnabled(true);
    view_.SetBusyPointer(false);
    BuildNeighbourTable(b);
    state_.PushDone = 0;
    b.MoveNumber = 1;
    state_.StepDelay = kStepDelay;
    buttonsSavedThisTurn_ = false;
}

void GameController::mnu_NewGame_Click() {
    StopComputer();
    NewGame();
    state_.history.RecordCount = 0;
    state_.history.BranchMove = 0;
    ShowBackward(false);
    ShowForward(false);
}

void GameController::img_Player_Click(int index) {
    if (busy_ || state_.board.MoveNumber != 1 || state_.MoveInProgress) return;
    BoardState& b = state_.board;
    b.SideToMove = Blue;
    if (index == 0) {
        state_.ComputerSide = Blue;
        state_.ComputerSideChoice = Blue;
        // The computer moves now: a tentative placement of the person's would linger.
        DropPlacement();
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

// A chosen cell that nothing was pushed from shows empty again.
void GameController::DropPlacement() {
    if (!state_.PlacementPending || state_.MoveInProgress) return;
    state_.PlacementPending = false;
    if (state_.PreviewCell > kNoPreview) {
        ShowCellImage(state_.PreviewCell, true);
        DrawCell(state_.PreviewCell, Empty);
    }
    state_.PreviewCell = kNoPreview;
}

void GameController::btn_Board_Click(int cell) {
    BoardState& b = state_.board;
    if (busy_ || cell < 1 || cell > b.CellCount() || b.Board[cell] != Empty) return;
    if (!HasOccupiedNeighbour(b, cell)) return;
    if (state_.MoveInProgress) return;
    TakeUndoSnapshot();
    const OfferedDirections offered = DirectionsOffered(b, cell);
    for (int d : {kUp, kLeft, kRight, kDown}) ShowArrow(d, offered.Has(d));
    if (state_.PreviewCell > kNoPreview) {
        ShowCellImage(state_.PreviewCell, true);
        DrawCell(state_.PreviewCell, Empty);
    }
    state_.PlacementPending = true;
    state_.PreviewCell = static_cast<int16_t>(cell);
    b.SelectedCell = static_cast<int16_t>(cell);
    DrawCell(cell, b.SideToMove);
    state_.history.HistoryPlaced[b.MoveNumber] = static_cast<int16_t>(cell);
    keysPickPush_ = true;
    SetFocusCell(cell);
}

void GameController::board_KeyDown(BoardKey key, bool repeated) {
    if (busy_) return;  // as clicks are
    const bool pickingPush = state_.PlacementPending && (keysPickPush_ || state_.PushDone == 1);
    int direction = 0;
    switch (key) {
        case BoardKey::Up:
            direction = kUp;
            break;
        case BoardKey::Down:
            direction = kDown;
            break;
        case BoardKey::Left:
            direction = kLeft;
            break;
        case BoardKey::Right:
            direction = kRight;
            break;
        case BoardKey::Choose:
            if (repeated) return;
            if (pickingPush)
                img_dir_Click(0);
            else if (state_.PlacementPending && focusCell_ == state_.PreviewCell)
                keysPickPush_ = true;  // back to the cell in hand
            else if (buttonShown_[focusCell_])
                btn_Board_Click(focusCell_);
            return;
        case BoardKey::TakeBack:
            if (repeated) return;
            if (state_.PushDone == 1) {
                if (undoEnabled_) Undo();
            } else if (pickingPush) {
                keysPickPush_ = false;  // the arrow keys move the focus cell again
            }
            return;
    }
    if (!pickingPush)
        MoveFocus(direction);
    else if (!repeated && arrowShown_[direction])
        img_dir_Click(direction);
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
        return;
    }
    MoveHistory& h = state_.history;
    if (index == 0) {
        state_.MoveInProgress = false;
        // Only a push of this turn saved what to show; older values belong to another
        // position and would offer a record move that no longer fits the board.
        if (buttonsSavedThisTurn_) {
            ShowBackward(h.SavedBackwardVisible);
            ShowForward(h.SavedForwardVisible);
        }
        return;
    }
    if (!DirectionsOffered(state_.board, state_.board.SelectedCell).Has(index)) return;
    h.SavedBackwardVisible = backwardShown_;
    h.SavedForwardVisible = forwardShown_;
    buttonsSavedThisTurn_ = true;
    ShowBackward(false);
    ShowForward(false);
    if (!TryHumanPush(index)) {
        ShowBackward(h.SavedBackwardVisible);
        ShowForward(h.SavedForwardVisible);
    }
}

bool GameController::TryHumanPush(int direction) {
    BoardState& b = state_.board;
    const int placement = b.SelectedCell;
    state_.MoveInProgress = true;
    b.Board[placement] = b.SideToMove;
    DrawingObserver draw([this](int cell, int value) { DrawCell(cell, value); });
    const bool pushed = RunPush(b, direction, RingRule::Check, Placed::MovesOn, &draw);
    assert(BoardIsSound(b));
    // The flash may have left the emptied placement cell's image hidden; an orbel pushed
    // there later must show.
    ShowCellImage(placement, true);
    if (!pushed) {
        ShowMessage("You Cant't Push Out");
        state_.MoveInProgress = false;
        return false;
    }
    state_.PushDone = 1;
    // The board no longer shows the last completed move; Undo brings its marks back.
    view_.ShowLastMove(0, 0);
    ShowWinningCells(false);
    return true;
}

void GameController::EndHumanTurn() {
    BoardState& b = state_.board;
    state_.PlacementPending = false;
    ShowCellImage(b.SelectedCell, true);
    state_.MoveInProgress = false;
    state_.history.HistoryMoved[b.MoveNumber] = b.SelectedCell;
    forwardAtMoveStart_ = state_.history.SavedForwardVisible;
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    ShowMessage(BlankMessage);
    state_.PushDone = 0;
    CompleteMove(false);
}

void GameController::tmr_Select_Timer() {
    if (state_.GameOver || !state_.PlacementPending) return;
    const int cell = state_.board.SelectedCell;
    ShowCellImage(cell, !imageShown_[cell]);
}

// ---- Completed moves and the end of the game ----------------------------------------------------

// Every completed move ends here, the turn already handed to the other side: the person's,
// the computer's, the hint's and a move replayed from a record.
void GameController::CompleteMove(bool fromRecord) {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (fromRecord && b.MoveNumber == h.BranchMove)
        h.BranchMove = 0;  // back on the record where the game had left it
    else if (!fromRecord && forwardAtMoveStart_)
        h.BranchMove = b.MoveNumber;  // the game leaves the record here
    MarkLastMove(h.HistoryPlaced[b.MoveNumber], h.HistoryMoved[b.MoveNumber]);
    winning_.count = 0;
    ++b.MoveNumber;
    buttonsSavedThisTurn_ = false;
    ShowBackward(true);
    ShowForward(fromRecord && b.MoveNumber <= h.RecordCount);
    busy_ = false;
    CheckGameEnd();
    if (!fromRecord) ComputerTurnLoop();
}

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
    // A side left without a push has no line to show.
    if (found.Any()) {
        ListLineCells(b, winning_);
        ShowWinningCells(true);
    }
    ShowMessage(message);
    state_.GameOver = true;
    EnableUndo(false);
    view_.SetHintEnabled(false);
}

// ---- Moves shown on the board -------------------------------------------------------------------

std::function<void()> GameController::Guarded(std::function<void()> then) {
    return [this, epoch = epoch_, then = std::move(then)] {
        if (epoch != epoch_) return;
        if (holds_ > 0)
            held_.push_back(then);
        else
            then();
    };
}

void GameController::HoldGame() {
    ++holds_;
}

void GameController::ReleaseGame() {
    assert(holds_ > 0);
    if (holds_ > 0) --holds_;
    while (holds_ == 0 && !held_.empty()) {
        const std::function<void()> next = std::move(held_.front());
        held_.erase(held_.begin());
        next();
    }
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
    assert(BoardIsSound(b));
    if (winningShown_) ShowWinningCells(false);
    ShowCellImage(placement, true);
    state_.PlacementPending = false;
    state_.MoveInProgress = false;
    state_.history.HistoryMoved[b.MoveNumber] = b.SelectedCell;
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    ShowMessage(BlankMessage);
    state_.PreviewCell = kNoPreview;
}

// ---- The computer's move and the hint ------------------------------------------------------

void GameController::ComputerTurnLoop() {
    if (busy_) return;
    const BoardState& b = state_.board;
    if (b.SideToMove == state_.ComputerSide && state_.SearchLevel != 0 && !state_.GameOver &&
        HasLegalMove(b))
        StartThinking(state_.SearchLevel);
}

void GameController::btn_Hint_Click() {
    if (busy_ || state_.MoveInProgress || state_.GameOver) return;
    // The hint's move replaces a tentative placement; leave no orbel drawn there.
    DropPlacement();
    if (!HasLegalMove(state_.board)) return;
    StartThinking(state_.SearchLevel == 0 ? kHintLevelForTwoPlayers : state_.SearchLevel);
}

void GameController::StartThinking(int level) {
    busy_ = true;
    forwardAtMoveStart_ = forwardShown_;
    ShowMessage(ThinkingMessage);
    view_.SetBusyPointer(true);
    auto play = Guarded([this] { PlayChosenMove(chosen_); });
    scheduler_.After(kPauseBeforeSearch, Guarded([this, level, play] {
                         computer_.Start(state_.board, level, [this, play](const BestMoves& best) {
                             chosen_ = best;
                             play();
                         });
                     }));
}

void GameController::PlayChosenMove(const BestMoves& best) {
    view_.SetBusyPointer(false);
    BoardState& b = state_.board;
    int code = PickBestMove(best, state_.random);
    if (code == 0) {
        // A search that finds nothing where a push exists is a fault; the game still moves.
        assert(!HasLegalMove(b));
        code = FirstLegalMove(b);
        if (code == 0) {
            busy_ = false;
            ShowMessage(BlankMessage);
            CheckGameEnd();
            return;
        }
    }
    state_.PlacementPending = true;
    b.SelectedCell = static_cast<int16_t>(PlacementOf(code));
    PerformMove(DirectionOf(code), [this] { CompleteMove(false); });
}

void GameController::StopComputer() {
    computer_.Cancel();
    ++epoch_;
    held_.clear();
    if (busy_) view_.SetBusyPointer(false);
    busy_ = false;
}

// ---- Take-back and stepping through the history ------------------------------------------------

void GameController::Undo() {
    if (busy_ || !(state_.PlacementPending && state_.MoveInProgress)) return;
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    for (int c = 1; c <= b.CellCount(); ++c) std::swap(b.Board[c], h.UndoBoard[c]);
    assert(BoardIsSound(b));
    RedrawBoard();
    ShowMessage(BlankMessage);
    view_.SetCellButtonsDefaultPointer();
    state_.PlacementPending = false;
    ShowCellImage(b.SelectedCell, true);
    state_.MoveInProgress = false;
    state_.PushDone = 0;
    ShowBackward(h.SavedBackwardVisible);
    ShowForward(h.SavedForwardVisible);
    view_.ShowLastMove(lastPlaced_, lastStands_);
    if (state_.GameOver) ShowWinningCells(true);
}

void GameController::Backward() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (busy_ || !backwardShown_ || b.MoveNumber < 2) return;
    DropPlacement();
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
    if (target >= 1) MarkLastMove(h.HistoryPlaced[target], h.HistoryMoved[target]);
    if (target == 0) ShowBackward(false);
    if (target == h.BranchMove - 1) ShowForward(true);
    if (target == h.RecordCount - 1 && h.BranchMove == 0) ShowForward(true);
    state_.StepDelay = kStepDelay;
}

void GameController::Forward() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (busy_ || !forwardShown_ || b.MoveNumber > h.RecordCount) return;
    const int placed = h.RecordPlaced[b.MoveNumber];
    const int moved = h.RecordMoved[b.MoveNumber];
    // The record's move must fit the board shown; one that does not is never played.
    BoardState trial = b;
    if (PlayRecordedMove(trial, placed, moved) != RecordError::None) {
        ShowForward(false);
        return;
    }
    DropPlacement();
    state_.PlacementPending = true;
    b.SelectedCell = static_cast<int16_t>(placed);
    state_.StepDelay = kStepDelay;
    busy_ = true;
    PerformMove(DirectionFromCells(b.BoardSize, placed, moved), [this] {
        // Later moves are shown without a pause until Backward or a new game.
        state_.StepDelay = 0;
        CompleteMove(true);
    });
}

}  // namespace orbel
