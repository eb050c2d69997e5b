// The program's windows and the one game state they share for the whole run.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/record_commands.h"
#include "dialogs/board_size_dialog.h"
#include "game/game_state.h"
#include "window/main_window.h"
#include "window/qt_computer_player.h"

namespace orbel {

class OrbelApp final : public QObject {
    Q_OBJECT

  public:
    // An empty `search` plays with the fast search.
    explicit OrbelApp(RootSearch search = {}, QObject* parent = nullptr);
    ~OrbelApp() override;

    // Opens the board-size window, the program's first.
    void Start();

    // Closes any open main window and opens it anew, laid out for `boardSize`, with the rest
    // of the state (the computer's colour, the history and any loaded record) as it stands;
    // or on `loaded`, a record just read, of that size.
    MainWindow* ReopenMainWindow(int boardSize, const GameRecord* loaded = nullptr);

    GameState& state() { return *state_; }
    MainWindow* mainWindow() const { return mainWindow_; }
    BoardSizeDialog* sizeDialog() const { return sizeDialog_; }
    BoardSizeDialog* aboutWindow() const { return aboutWindow_; }
    RecordCommands& records() { return records_; }

  signals:
    // Sent once no window of the program is open any more.
    void noWindowLeft();

  private:
    void AskBoardSize();
    void btn_GameSize_Click(int size);
    void mnu_GameSize_Click();
    void mnu_About_Click();
    void mnu_Rules_Click();
    void CloseMainWindow();
    void CheckWindowsLeft();

    RootSearch search_;
    std::unique_ptr<GameState> state_;
    RecordCommands records_{*this};
    QPointer<MainWindow> mainWindow_;
    QPointer<BoardSizeDialog> sizeDialog_;
    QPointer<BoardSizeDialog> aboutWindow_;
    bool checkQueued_ = false;
    bool ended_ = false;
};

}  // namespace orbel
