// The turn: what a person's clicks and keys, the computer and the clock do to the game, and
// the picture of it handed to the window after each.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "computer/computer_player.h"
#include "engine/game_moves.h"
#include "engine/move_rules.h"
#include "game/game_state.h"
#include "game/kept_game.h"
#include "game/picture.h"
#include "game/scheduler.h"
#include "game/view.h"
#include "records/record_file.h"

namespace orbel {

inline constexpr std::string_view BlankMessage = "               ";
inline constexpr std::string_view ThinkingMessage = "Thinking ...";

// Keys the board takes: the four arrows, Enter or Space, and Escape; and the keys for the
// clicks on the colour pictures and on the centre mark with no cell chosen.
enum class BoardKey { Up, Down, Left, Right, Choose, TakeBack, PlayRed, PlayBlue, ComputerMoves };

class GameController {
  public:
    // Every new game seeds the coin flips from `seeds`, or from the clock when it is empty.
    GameController(GameState& state, Computer& computer, Scheduler& scheduler,
                   std::function<uint32_t()> seeds = {});

    // The window that shows the game from now on.
    void Attach(GameView* view);
    // `view` no longer shows the game; false when it was not the one showing it.
    bool Detach(const GameView* view);

    // A window has been laid out for the state's BoardSize: a new game at `level`, with
    // Forward offered when a read record waits to be replayed; or, right after
    // ContinueGame, that game as it stands.
    void OpenGame(int level);
    // The game goes on from `position`, a sound position with its side and move number, as
    // if its moves had been played; for tests. Those moves are not in the history, so
    // Backward is never offered in this game and it cannot be saved.
    void SetUpPosition(const BoardState& position);

    // The person's turn. A cell to place on; a push for the orbel in hand (0 is the centre
    // mark): with no cell chosen it hands the move to the computer, after a push it
    // confirms it. Choosing Red before the first move lets the computer open as Blue.
    void ChooseCell(int cell);
    void ChoosePush(int direction);
    void ChooseColour(int side);
    // A key on the board. The arrows move the focus cell, or pick the push while one is
    // being chosen; Choose acts as a click on the focus cell or on the centre mark;
    // TakeBack as Undo. PlayRed and PlayBlue choose that colour as its picture does;
    // ComputerMoves acts as the centre mark only while no cell is chosen. A held key's
    // repeats only move the focus cell.
    void PressKey(BoardKey key, bool repeated = false);
    // The orbel in hand blinks on the window's clock.
    void Blink();

    void NewGame();
    void AskHint();
    void TakeBack();
    void StepBackward();
    void StepForward();
    // Takes the game back to where move `moveNumber` is to be made, exactly as that many
    // presses of Backward would, and shows it once. Ignored where Backward is (the
    // computer moving, a push waiting, nothing to step back to) and when that move is not
    // behind the game.
    void StepBackTo(int moveNumber);
    void ChooseLevel(int level);

    // Stops whatever the computer is doing, before a new game, a read record or the end.
    void StopComputer();

    // From now on `keeper` (or nobody, when null) is told of every change worth keeping;
    // a set-up position is never kept.
    void SetKeeper(GameKeeper* keeper);
    // Tells the keeper that the game in hand is given up for another, once until the next
    // game is kept.
    void LeaveGame();
    // `kept` in place of the game in hand, as it stood: its size, colours, level and moves,
    // Backward and Forward as they were offered, the computer thinking if it is its turn
    // (unless Forward is offered: stepping through a record, it waits).
    // The next OpenGame shows it rather than starting a new game. False, with the game as
    // it was, when `kept` is not a sound game: a size, level or colour out of range, or
    // moves the rules refuse.
    bool ContinueGame(const KeptGame& kept);
    // While a modal window is open no game event is handled: a search or a pause that
    // ends meanwhile waits, and goes on when the last hold is released.
    void HoldGame();
    void ReleaseGame();

    // The computer thinks or shows a move: moves and buttons are ignored meanwhile.
    bool ComputerBusy() const;
    // The position of the completed moves, with its side to move and move number: the
    // board, or while a push waits to be confirmed the board before that push.
    void CompletedPosition(BoardState& out) const;
    const GamePicture& picture() const { return picture_; }
    const GameState& state() const { return state_; }

  private:
    void Publish();
    void Say(std::string_view text);
    void MoveFocus(int direction);
    bool PushWaiting() const;

    void StartNewGame();
    void Keep();
    void TakeUndoSnapshot();
    void DropPlacement();
    void TryPersonsPush(int direction);
    bool PlaceAndPush(int direction, RingRule rule);
    void NoteSlide(int direction);
    void CompleteMove(bool fromRecord);
    void CheckGameEnd();
    bool BackOneMove();
    void ComputerTurnLoop();
    void StartThinking(int level);
    void PlayChosenMove(const BestMoves& best);
    void ShowMove(int placed, int direction, bool fromRecord);
    void FinishShownMove(int direction, bool fromRecord);

    // Runs `then` unless a newer game has begun since `epoch`; while the game is held,
    // later. The one place where a late pause or search result is dropped.
    void RunGuarded(unsigned epoch, const std::function<void()>& then);
    std::function<void()> Guarded(std::function<void()> then);

    GameState& state_;
    Computer& computer_;
    Scheduler& scheduler_;
    std::function<uint32_t()> seeds_;
    GameView* view_ = nullptr;

    GamePicture picture_;
    // The last completed move and the lines that ended the game; the picture hides them
    // while a push waits to be confirmed.
    int lastPlaced_ = 0;
    int lastStands_ = 0;
    // The move the last push made, until it is completed.
    PlayedMove pushed_;
    CellList winning_;
    // A chosen cell takes the arrow keys for its push until Escape hands them back to the
    // focus cell.
    bool keysPickPush_ = false;
    // The game began from a set-up position: there is nothing to step back to.
    bool setUp_ = false;
    GameKeeper* keeper_ = nullptr;
    // ContinueGame has set the game up for the window that opens next.
    bool continued_ = false;
    // The keeper has been told the game is left; nothing has been kept since.
    bool left_ = false;

    unsigned epoch_ = 0;
    int holds_ = 0;
    std::vector<std::function<void()>> held_;
};

}  // namespace orbel
