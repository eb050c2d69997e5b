// Turns clicks on the main window into moves and keeps the game going.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "computer/computer_player.h"
#include "game/background_computer.h"
#include "game/game_state.h"
#include "game/scheduler.h"
#include "game/view.h"
#include "records/record_file.h"

namespace orbel {

inline constexpr std::string_view BlankMessage = "               ";
inline constexpr std::string_view ThinkingMessage = "Thinking ...";

// Keys the board takes: the four arrows, Enter or Space, and Escape.
enum class BoardKey { Up, Down, Left, Right, Choose, TakeBack };

class GameController {
  public:
    GameController(GameState& state, GameView& view, BackgroundComputer& computer,
                   Scheduler& scheduler);

    // The window has been laid out for the state's BoardSize: start a game at Easy.
    void Form_Load();
    // The same for a record just read and checked, of the state's BoardSize: Forward then
    // replays its moves from a new game with its colours.
    void Form_Load(const GameRecord& loaded);

    // Window events.
    void btn_Board_Click(int cell);
    void img_dir_Click(int index);
    void img_Player_Click(int index);
    void tmr_Select_Timer();
    void mnu_NewGame_Click();
    void btn_Hint_Click();
    void btn_Undo_Click() { Undo(); }
    void btn_Backward_Click() { Backward(); }
    void btn_Forward_Click() { Forward(); }
    void SelectLevel(int level);
    // A key on the board, which has the keyboard focus. The arrows move the focus cell, or
    // pick the push while one is being chosen; Choose acts as a click on the focus cell or
    // on the centre image; TakeBack as Undo. A held key's repeats only move the focus cell.
    void board_KeyDown(BoardKey key, bool repeated = false);

    // Stops whatever the computer is doing; the window calls this before it closes
    // (Exit, Change Game Size, Load Game).
    void StopComputer();

    // While a modal window is open no game event is handled: a search or a pause that
    // ends meanwhile waits, and goes on when the last hold is released.
    void HoldGame();
    void ReleaseGame();

    // True while the computer thinks or a move is being shown; moves, arrows, Undo, Hint,
    // Backward and Forward are ignored meanwhile.
    bool ComputerBusy() const { return busy_; }

    void NewGame();
    void Undo();
    void Backward();
    void Forward();

    const GameState& state() const { return state_; }

  private:
    // Display, as the window shows the game.
    void DrawCell(int cell, int value);
    void RedrawBoard();
    void ShowMessage(std::string_view text);
    void ShowCellImage(int cell, bool visible);
    void ShowBackward(bool visible);
    void ShowForward(bool visible);
    void ShowCellButton(int cell, bool visible);
    void ShowArrow(int direction, bool visible);
    void EnableUndo(bool enabled);
    void MarkLastMove(int placed, int stands);
    void ShowWinningCells(bool shown);
    void MoveFocus(int direction);
    void SetFocusCell(int cell);

    void TakeUndoSnapshot();
    void DropPlacement();
    bool TryHumanPush(int direction);
    void EndHumanTurn();
    void PerformMove(int direction, std::function<void()> then);
    void FinishPush(int direction);
    void CompleteMove(bool fromRecord);
    void CheckGameEnd();
    void ComputerTurnLoop();
    void StartThinking(int level);
    void PlayChosenMove(const BestMoves& best);
    // Runs `then` unless a newer game has begun since; while the game is held, later.
    std::function<void()> Guarded(std::function<void()> then);

    GameState& state_;
    GameView& view_;
    BackgroundComputer& computer_;
    Scheduler& scheduler_;

    // What the window shows, as this controller last told it.
    bool imageShown_[kBoardEntries] = {};
    bool backwardShown_ = false;
    bool forwardShown_ = false;
    bool buttonShown_[kBoardEntries] = {};
    bool arrowShown_[10] = {};
    bool undoEnabled_ = false;
    int lastPlaced_ = 0;
    int lastStands_ = 0;
    CellList winning_;
    bool winningShown_ = false;
    int focusCell_ = 0;
    // A chosen placement takes the arrow keys for its push until Escape hands them back to
    // the focus cell.
    bool keysPickPush_ = false;

    // The Backward/Forward visibility in the history was saved by a push of this turn.
    bool buttonsSavedThisTurn_ = false;
    // Forward was offered when the move in hand began: completing it leaves the record.
    bool forwardAtMoveStart_ = false;

    bool busy_ = false;
    unsigned epoch_ = 0;
    int holds_ = 0;
    std::vector<std::function<void()>> held_;
    BestMoves chosen_;
};

}  // namespace orbel
