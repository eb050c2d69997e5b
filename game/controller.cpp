#include "game/controller.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "engine/board.h"
#include "engine/game_moves.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"

namespace orbel {

namespace {

constexpr float kPauseBeforeSearch = 0.05f;
constexpr int kHintLevelForTwoPlayers = 3;
constexpr int kArrows[] = {kUp, kLeft, kRight, kDown};

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

bool HandOnBoard(TurnPhase phase) {
    return phase == TurnPhase::CellChosen || phase == TurnPhase::Pushed ||
           phase == TurnPhase::ShowingMove;
}

bool Choosing(TurnPhase phase) {
    return phase == TurnPhase::CellChosen || phase == TurnPhase::PushRefused;
}

}  // namespace

GameController::GameController(GameState& state, Computer& computer, Scheduler& scheduler,
                               std::function<uint32_t()> seeds)
    : state_(state), computer_(computer), scheduler_(scheduler), seeds_(std::move(seeds)) {}

void GameController::Attach(GameView* view) {
    view_ = view;
    Publish();
}

bool GameController::Detach(const GameView* view) {
    if (view_ != view) return false;
    view_ = nullptr;
    return true;
}

// ---- The picture ------------------------------------------------------------------------

// While a push waits to be confirmed, stepping and the marks of the move before it hide.
bool GameController::PushWaiting() const {
    return state_.Phase == TurnPhase::Pushed;
}

void GameController::Publish() {
    const BoardState& b = state_.board;
    const MoveHistory& h = state_.history;
    const TurnPhase phase = state_.Phase;
    GamePicture& p = picture_;
    p.boardSize = b.BoardSize;
    std::copy_n(b.Board, kBoardEntries, p.cells);
    p.handCell = HandOnBoard(phase) ? b.SelectedCell : 0;
    p.handSide = b.SideToMove;
    p.undoEnabled = !state_.GameOver;
    p.hintEnabled = !state_.GameOver;
    p.backwardShown = h.BackwardOffered && !PushWaiting();
    p.forwardShown = h.ForwardOffered && !PushWaiting();
    p.busy = phase == TurnPhase::Thinking;
    p.level = state_.SearchLevel;
    p.lastPlaced = PushWaiting() ? 0 : lastPlaced_;
    p.lastStands = PushWaiting() ? 0 : lastStands_;
    p.winning.count = 0;
    if (!PushWaiting()) p.winning = winning_;
    if (view_) view_->Show(p);
}

// The message beeps unless it is the blank one or the computer's.
void GameController::Say(std::string_view text) {
    picture_.message = std::string(text);
    picture_.ringSide = state_.board.SideToMove;
    if (text != ThinkingMessage && text != BlankMessage && view_) view_->Beep();
}

// One cell in the direction, unless that leaves the board or reaches a corner, which is no
// part of it.
void GameController::MoveFocus(int direction) {
    const int n = state_.board.BoardSize;
    const int focus = picture_.focusCell;
    int row = (focus - 1) / n;
    int column = (focus - 1) % n;
    row += direction == kDown ? 1 : direction == kUp ? -1 : 0;
    column += direction == kRight ? 1 : direction == kLeft ? -1 : 0;
    if (row < 0 || row >= n || column < 0 || column >= n) return;
    const int cell = row * n + column + 1;
    if (!IsCorner(n, cell)) picture_.focusCell = cell;
}

// ---- New game, colour choice, level ---------------------------------------------------------

void GameController::OpenGame(int level) {
    picture_.focusCell = CentreCell(state_.board.BoardSize);
    picture_.plainPointer = false;
    if (continued_) {
        continued_ = false;
        Publish();
        return;
    }
    StartNewGame();
    state_.history.Played.Clear();
    state_.history.ForwardOffered = !state_.history.Record.empty();
    state_.history.BackwardOffered = false;
    state_.SearchLevel = static_cast<int16_t>(level);
    Keep();
    Publish();
}

void GameController::SetUpPosition(const BoardState& position) {
    assert(BoardIsSound(position) && position.BoardSize == state_.board.BoardSize);
    StopComputer();
    StartNewGame();
    BoardState& b = state_.board;
    std::copy_n(position.Board, kBoardEntries, b.Board);
    b.SideToMove = position.SideToMove;
    b.MoveNumber = position.MoveNumber;
    state_.history.Played.Clear();
    state_.history.Record.Clear();
    state_.history.BranchMove = 0;
    state_.history.BackwardOffered = false;
    state_.history.ForwardOffered = false;
    setUp_ = true;
    Say(BlankMessage);
    Publish();
}

// Everything of a game but the level, the history and stepping through it.
void GameController::StartNewGame() {
    BoardState& b = state_.board;
    if (seeds_)
        state_.random.Seed(seeds_());
    else
        state_.random.SeedFromClock();
    ClearBoard(b);
    BuildNeighbourTable(b);
    // A focus cell of a board of another size means nothing on this one.
    if (picture_.boardSize != b.BoardSize) picture_.focusCell = CentreCell(b.BoardSize);
    state_.ComputerSide = state_.ComputerSideChoice;
    std::fill(std::begin(picture_.arrows), std::end(picture_.arrows), false);
    state_.Phase = TurnPhase::ChoosingCell;
    lastPlaced_ = 0;
    lastStands_ = 0;
    winning_.count = 0;
    TakeUndoSnapshot();
    Say("Select Red or Blue");
    state_.GameOver = false;
    state_.StepDelay = kStepDelay;
    setUp_ = false;
}

void GameController::NewGame() {
    StopComputer();
    LeaveGame();
    StartNewGame();
    MoveHistory& h = state_.history;
    h.Played.Clear();
    h.Record.Clear();
    h.BranchMove = 0;
    h.BackwardOffered = false;
    h.ForwardOffered = false;
    Keep();
    Publish();
}

void GameController::ChooseColour(int side) {
    const TurnPhase phase = state_.Phase;
    if (ComputerBusy() || state_.board.MoveNumber != 1 || phase == TurnPhase::Pushed) return;
    state_.board.SideToMove = Blue;
    state_.ComputerSide = static_cast<int16_t>(-side);
    state_.ComputerSideChoice = state_.ComputerSide;
    Keep();
    if (side == Red) {
        // The computer moves now: a tentative placement of the person's would linger.
        DropPlacement();
        Say(BlankMessage);
        ComputerTurnLoop();
    }
    Publish();
}

void GameController::ChooseLevel(int level) {
    state_.SearchLevel = static_cast<int16_t>(level);
    Keep();
    Publish();
}

// ---- The person's move ------------------------------------------------------------------------

void GameController::TakeUndoSnapshot() {
    const BoardState& b = state_.board;
    std::copy_n(b.Board + 1, b.CellCount(), state_.history.UndoBoard + 1);
}

// A chosen cell that nothing was pushed from shows empty again.
void GameController::DropPlacement() {
    if (Choosing(state_.Phase)) state_.Phase = TurnPhase::ChoosingCell;
}

void GameController::ChooseCell(int cell) {
    BoardState& b = state_.board;
    const TurnPhase phase = state_.Phase;
    if (ComputerBusy() || phase == TurnPhase::Pushed) return;
    if (cell < 1 || cell > b.CellCount() || b.Board[cell] != Empty) return;
    if (!HasOccupiedNeighbour(b, cell)) return;
    TakeUndoSnapshot();
    const OfferedDirections offered = DirectionsOffered(b, cell);
    for (int d : kArrows) picture_.arrows[d] = offered.Has(d);
    state_.Phase = TurnPhase::CellChosen;
    b.SelectedCell = static_cast<int16_t>(cell);
    picture_.handLit = true;
    keysPickPush_ = true;
    picture_.focusCell = cell;
    Publish();
}

void GameController::PressKey(BoardKey key, bool repeated) {
    if (ComputerBusy()) return;  // as clicks are
    const TurnPhase phase = state_.Phase;
    const bool pickingPush = (Choosing(phase) && keysPickPush_) || phase == TurnPhase::Pushed;
    const int focus = picture_.focusCell;
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
                ChoosePush(0);
            else if (Choosing(phase) && focus == state_.board.SelectedCell)
                keysPickPush_ = true;  // back to the cell in hand
            else if (picture_.Offers(focus))
                ChooseCell(focus);
            return;
        case BoardKey::TakeBack:
            if (repeated) return;
            if (phase == TurnPhase::Pushed) {
                if (!state_.GameOver) TakeBack();
            } else if (pickingPush) {
                keysPickPush_ = false;  // the arrow keys move the focus cell again
            }
            return;
        case BoardKey::PlayRed:
        case BoardKey::PlayBlue:
            if (!repeated) ChooseColour(key == BoardKey::PlayRed ? Red : Blue);
            return;
        case BoardKey::ComputerMoves:
            if (!repeated && phase == TurnPhase::ChoosingCell) ChoosePush(0);
            return;
    }
    if (!pickingPush) {
        MoveFocus(direction);
        Publish();
    } else if (!repeated && picture_.arrows[direction]) {
        ChoosePush(direction);
    }
}

void GameController::ChoosePush(int direction) {
    if (ComputerBusy()) return;
    const TurnPhase phase = state_.Phase;
    if (phase == TurnPhase::ChoosingCell) {
        if (view_) view_->Beep();
        ComputerTurnLoop();
        Publish();
        return;
    }
    if (phase == TurnPhase::Pushed) {
        CompleteMove(false);
        Publish();
        return;
    }
    // The centre mark confirms nothing before a push.
    if (direction == 0) return;
    if (!DirectionsOffered(state_.board, state_.board.SelectedCell).Has(direction)) return;
    TryPersonsPush(direction);
    Publish();
}

void GameController::TryPersonsPush(int direction) {
    if (!PlaceAndPush(direction, RingRule::Check)) {
        state_.Phase = TurnPhase::PushRefused;
        Say("You Cant't Push Out");
        return;
    }
    state_.Phase = TurnPhase::Pushed;
    picture_.handLit = true;
    NoteSlide(direction);
}

void GameController::Blink() {
    if (state_.GameOver || !HandOnBoard(state_.Phase)) return;
    picture_.handLit = !picture_.handLit;
    Publish();
}

// ---- Every move: place, push, complete ----------------------------------------------------------

// The orbel in hand on SelectedCell goes onto the board and pushes; the move keeps where it
// was placed and where it stands.
bool GameController::PlaceAndPush(int direction, RingRule rule) {
    BoardState& b = state_.board;
    const int16_t placed = b.SelectedCell;
    b.Board[placed] = b.SideToMove;
    if (!RunPush(b, direction, rule, Placed::MovesOn)) return false;
    pushed_ = {placed, b.SelectedCell};
    return true;
}

void GameController::NoteSlide(int direction) {
    const BoardState& b = state_.board;
    PushSlide& slide = picture_.slide;
    ++slide.serial;
    slide.step = StepOf(b.BoardSize, direction);
    slide.count = b.PushCount;
    for (int k = 1; k <= b.PushCount; ++k) slide.to[k - 1] = b.PushLine[k].cell;
}

// Every completed move ends here: the person's, the computer's, the hint's and a move
// replayed from a record.
void GameController::CompleteMove(bool fromRecord) {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    state_.Phase = TurnPhase::ChoosingCell;
    Say(BlankMessage);
    if (fromRecord && b.MoveNumber == h.BranchMove)
        h.BranchMove = 0;  // back on the record where the game had left it
    else if (!fromRecord && h.ForwardOffered)
        h.BranchMove = b.MoveNumber;  // the game leaves the record here
    lastPlaced_ = pushed_.placed;
    lastStands_ = pushed_.moved;
    // A set-up position has no moves before it: its game keeps none.
    if (!setUp_) h.Played.Add(pushed_);
    winning_.count = 0;
    ++b.MoveNumber;
    h.BackwardOffered = !setUp_;
    h.ForwardOffered = fromRecord && b.MoveNumber <= h.Record.count();
    CheckGameEnd();
    Keep();
    if (!fromRecord) ComputerTurnLoop();
}

void GameController::CheckGameEnd() {
    const BoardState& b = state_.board;
    std::string_view message;
    switch (JudgeMove(b)) {
        case Ending::Open:
            return;
        case Ending::BothLines:
            message = "A Tie!";
            break;
        case Ending::RedLine:
            message = "Red Wins!";
            break;
        case Ending::BlueLine:
            message = "Blue Wins!";
            break;
        case Ending::RedCannotMove:
            message = "Red Cannot Move - Blue Wins!";
            break;
        case Ending::BlueCannotMove:
            message = "Blue Cannot Move - Red Wins!";
            break;
    }
    // A side left without a push has no line, so nothing is framed.
    ListLineCells(b, winning_);
    Say(message);
    state_.GameOver = true;
}

// ---- The computer's move, the hint and Forward ------------------------------------------------

void GameController::RunGuarded(unsigned epoch, const std::function<void()>& then) {
    if (epoch != epoch_) return;
    if (holds_ > 0) {
        held_.push_back(then);
        return;
    }
    then();
    Publish();
}

std::function<void()> GameController::Guarded(std::function<void()> then) {
    return [this, epoch = epoch_, then = std::move(then)] { RunGuarded(epoch, then); };
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
        Publish();
    }
}

bool GameController::ComputerBusy() const {
    return state_.Phase == TurnPhase::Thinking || state_.Phase == TurnPhase::ShowingMove;
}

void GameController::CompletedPosition(BoardState& out) const {
    out = state_.board;
    if (PushWaiting()) std::copy_n(state_.history.UndoBoard + 1, out.CellCount(), out.Board + 1);
}

void GameController::ComputerTurnLoop() {
    if (ComputerBusy()) return;
    const BoardState& b = state_.board;
    if (b.SideToMove == state_.ComputerSide && state_.SearchLevel != 0 && !state_.GameOver &&
        HasLegalMove(b))
        StartThinking(state_.SearchLevel);
}

void GameController::AskHint() {
    if (ComputerBusy() || state_.Phase == TurnPhase::Pushed || state_.GameOver) return;
    // The hint's move replaces a tentative placement; leave no orbel drawn there.
    DropPlacement();
    if (HasLegalMove(state_.board))
        StartThinking(state_.SearchLevel == 0 ? kHintLevelForTwoPlayers : state_.SearchLevel);
    Publish();
}

// The answer comes back on the computer's thread and is posted to the game's.
void GameController::StartThinking(int level) {
    state_.Phase = TurnPhase::Thinking;
    Say(ThinkingMessage);
    scheduler_.After(kPauseBeforeSearch, Guarded([this, level] {
                         const unsigned epoch = epoch_;
                         computer_.Start(state_.board, level, [this, epoch](const BestMoves& best) {
                             scheduler_.Post([this, epoch, best] {
                                 RunGuarded(epoch, [this, best] { PlayChosenMove(best); });
                             });
                         });
                     }));
}

void GameController::PlayChosenMove(const BestMoves& best) {
    const BoardState& b = state_.board;
    int code = PickBestMove(best, state_.random);
    if (code == 0) {
        // A search that finds nothing where a push exists is a fault; the game still moves.
        assert(!HasLegalMove(b));
        code = FirstLegalMove(b);
        if (code == 0) {
            state_.Phase = TurnPhase::ChoosingCell;
            Say(BlankMessage);
            CheckGameEnd();
            return;
        }
    }
    ShowMove(PlacementOf(code), DirectionOf(code), false);
}

// The orbel is seen in hand for a moment before it pushes.
void GameController::ShowMove(int placed, int direction, bool fromRecord) {
    state_.Phase = TurnPhase::ShowingMove;
    state_.board.SelectedCell = static_cast<int16_t>(placed);
    picture_.handLit = true;
    auto push = [this, direction, fromRecord] { FinishShownMove(direction, fromRecord); };
    if (state_.StepDelay > 0)
        scheduler_.After(state_.StepDelay, Guarded(std::move(push)));
    else
        push();
}

void GameController::FinishShownMove(int direction, bool fromRecord) {
    PlaceAndPush(direction, RingRule::Ignore);
    NoteSlide(direction);
    // After a replayed move the computer's moves show without a pause until Backward or
    // a new game.
    if (fromRecord) state_.StepDelay = 0;
    CompleteMove(fromRecord);
}

void GameController::StopComputer() {
    computer_.Cancel();
    ++epoch_;
    held_.clear();
    if (ComputerBusy()) state_.Phase = TurnPhase::ChoosingCell;
}

// ---- Take-back and stepping through the history ------------------------------------------------

void GameController::TakeBack() {
    if (ComputerBusy() || state_.Phase != TurnPhase::Pushed) return;
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    for (int c = 1; c <= b.CellCount(); ++c) std::swap(b.Board[c], h.UndoBoard[c]);
    assert(BoardIsSound(b));
    state_.Phase = TurnPhase::ChoosingCell;
    Say(BlankMessage);
    picture_.plainPointer = true;
    Publish();
}

void GameController::StepBackward() {
    if (!BackOneMove()) return;
    Keep();
    Publish();
}

void GameController::StepBackTo(int moveNumber) {
    if (moveNumber < 1 || moveNumber >= state_.board.MoveNumber) return;
    bool stepped = false;
    while (state_.board.MoveNumber > moveNumber && BackOneMove()) stepped = true;
    if (!stepped) return;
    Keep();
    Publish();
}

// Backward without showing the game; false where it is ignored.
bool GameController::BackOneMove() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (ComputerBusy() || PushWaiting() || !h.BackwardOffered || b.MoveNumber < 2) return false;
    const int target = b.MoveNumber - 2;
    StartNewGame();
    h.Played.Keep(target);
    [[maybe_unused]] const Replay replay = ReplayMoves(b.BoardSize, h.Played, b);
    assert(replay.Ok());
    if (target >= 1) {
        Say(BlankMessage);
        lastPlaced_ = h.Played[target].placed;
        lastStands_ = h.Played[target].moved;
    }
    if (target == 0) h.BackwardOffered = false;
    if (target == h.BranchMove - 1) h.ForwardOffered = true;
    if (target == h.Record.count() - 1 && h.BranchMove == 0) h.ForwardOffered = true;
    return true;
}

void GameController::StepForward() {
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    if (ComputerBusy() || PushWaiting() || !h.ForwardOffered || b.MoveNumber > h.Record.count())
        return;
    const PlayedMove move = h.Record[b.MoveNumber];
    // The record's move must fit the board shown; one that does not is never played.
    BoardState trial = b;
    if (PlayMove(trial, move) != MoveFault::None) {
        h.ForwardOffered = false;
        Keep();
        Publish();
        return;
    }
    DropPlacement();
    state_.StepDelay = kStepDelay;
    ShowMove(move.placed, DirectionFromCells(b.BoardSize, move.placed, move.moved), true);
    Publish();
}

// ---- What a keeper is told, and a kept game brought back ------------------------------------

void GameController::SetKeeper(GameKeeper* keeper) {
    keeper_ = keeper;
}

// A set-up position has no history to keep.
void GameController::Keep() {
    if (keeper_ && !setUp_) keeper_->GameChanged(KeepGame(state_));
    left_ = false;
}

// Once: a new size or a record is set before the new game begins, and that game must not be
// left a second time, half the old game and half the new.
void GameController::LeaveGame() {
    continued_ = false;
    if (keeper_ && !setUp_ && !left_) keeper_->GameLeft(KeepGame(state_));
    left_ = true;
}

bool GameController::ContinueGame(const KeptGame& kept) {
    if (!IsSoundKeptGame(kept)) return false;
    const int n = kept.boardSize;
    StopComputer();
    BoardState& b = state_.board;
    MoveHistory& h = state_.history;
    b.BoardSize = kept.boardSize;
    state_.ComputerSideChoice = kept.computerSide;
    StartNewGame();
    ReplayMoves(n, kept.moves, b);
    h.Played = kept.moves;
    h.Record = kept.record;
    h.BranchMove = kept.branchMove;
    h.BackwardOffered = kept.backwardOffered && !kept.moves.empty();
    h.ForwardOffered = kept.forwardOffered && b.MoveNumber <= h.Record.count();
    TakeUndoSnapshot();
    state_.SearchLevel = kept.level;
    if (!kept.moves.empty()) {
        Say(BlankMessage);
        lastPlaced_ = kept.moves[kept.moves.count()].placed;
        lastStands_ = kept.moves[kept.moves.count()].moved;
        // The replay left the last push as the move did: its lines and its message.
        if (kept.over) CheckGameEnd();
    }
    state_.GameOver = kept.over;
    continued_ = true;
    Keep();
    // While Forward steps through a record the computer waits, as it does after a step: a
    // move of its own would leave the record and take Forward away.
    if (!h.ForwardOffered) ComputerTurnLoop();
    Publish();
    return true;
}

}  // namespace orbel
