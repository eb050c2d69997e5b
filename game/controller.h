// Turns clicks on the main window into moves and keeps the game going.
#pragma once

#include <functional>
#include <string_view>

#include "game/computer_player.h"
#include "game/game_state.h"
#include "game/view.h"

namespace orbel {

inline constexpr std::string_view BlankMessage = "               ";
inline constexpr std::string_view ThinkingMessage = "Thinking ...";

class GameController {
  public:
    GameController(GameState& state, GameView& view, ComputerPlayer& computer,
                   Scheduler& scheduler);

    // The window has been laid out for the state's BoardSize: start a game at Easy.
    void Form_Load();

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

    // Stops whatever the computer is doing; the window calls this before it closes
    // (Exit, Change Game Size, Load Game).
    void StopComputer();

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

    void TakeUndoSnapshot();
    bool TryHumanPush(int direction);
    void PerformMove(int direction, std::function<void()> then);
    void FinishPush(int direction);
    void EndHumanTurn();
    void CheckGameEnd();
    void ComputerTurnLoop();
    void ComputerTurn();
    void PlayChosenMove(const BestMoves& best, bool hint, bool forwardWasVisible);
    void AfterHintMove(bool forwardWasVisible);
    void StartThinking(int level, bool hint, bool forwardWasVisible);
    // Runs `then` unless a newer game has begun since `epoch`.
    std::function<void()> Guarded(std::function<void()> then);

    GameState& state_;
    GameView& view_;
    ComputerPlayer& computer_;
    Scheduler& scheduler_;
    bool busy_ = false;
    unsigned epoch_ = 0;
};

}  // namespace orbel
