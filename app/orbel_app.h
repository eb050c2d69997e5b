// The program's windows and the one game they show for the whole run.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/record_commands.h"
#include "dialogs/board_size_dialog.h"
#include "game/game.h"
#include "store/game_store.h"
#include "ui/player_settings.h"
#include "window/analysis_window.h"
#include "window/main_window.h"
#include "window/qt_scheduler.h"
#include "window/statistics_window.h"

namespace orbel {

class OrbelApp final : public QObject {
    Q_OBJECT

  public:
    // An empty `search` plays with the fast search. With a `store` the program remembers
    // its player (level, board size, window place, the file dialog's folder) in it. With
    // `games`, which must outlive the program, it keeps the game in hand and every finished
    // game there, offers to continue an unfinished one and shows the player's record.
    explicit OrbelApp(RootSearch search = {}, const SettingsStore* store = nullptr,
                      GameStore* games = nullptr, QObject* parent = nullptr);
    ~OrbelApp() override;

    // Opens the board-size window, the program's first.
    void Start();

    // Closes any open main window and opens one on a new game of `size`, as the size window
    // does; or on `record`, a record just read and checked.
    MainWindow* StartGame(int size);
    MainWindow* OpenRecord(const GameRecord& record);

    Game& game() { return *game_; }
    const GameState& state() const { return game_->state(); }
    MainWindow* mainWindow() const { return mainWindow_; }
    BoardSizeDialog* sizeDialog() const { return sizeDialog_; }
    BoardSizeDialog* aboutWindow() const { return aboutWindow_; }
    AnalysisWindow* analysisWindow() const { return analysisWindow_; }
    StatisticsWindow* statisticsWindow() const { return statisticsWindow_; }
    RecordCommands& records() { return records_; }

    // What is remembered of the player; Remember() keeps it for the next run.
    PlayerSettings& settings() { return settings_; }
    void Remember();

  signals:
    // Sent once no window of the program is open any more.
    void noWindowLeft();

  private:
    void AskBoardSize();
    void btn_GameSize_Click(int size);
    void btn_Continue_Click();
    void mnu_GameSize_Click();
    void mnu_About_Click();
    void mnu_Rules_Click();
    void mnu_Analysis_Click();
    void mnu_Statistics_Click();
    void ShowStatistics();
    void OpenFinishedGame(qint64 id);
    // Asked for, the panel takes the keyboard; coming back with a board, it leaves it there.
    void OpenAnalysis(MainWindow::Focus focus = MainWindow::Focus::Take);
    void CloseAnalysis();
    void CloseMainWindow();
    MainWindow* OpenMainWindow();
    void ShowWhereThePlayerLeftIt(MainWindow& window);
    void RememberWhereItIs(const MainWindow& window);
    void RememberAnalysisLevels();
    void CheckWindowsLeft();

    // The game's clock outlives the game, so nothing it holds runs into a game gone.
    QtScheduler scheduler_;
    std::unique_ptr<Game> game_;
    const SettingsStore* store_ = nullptr;
    GameStore* games_ = nullptr;
    PlayerSettings settings_;
    RecordCommands records_{*this};
    QPointer<MainWindow> mainWindow_;
    QPointer<BoardSizeDialog> sizeDialog_;
    QPointer<BoardSizeDialog> aboutWindow_;
    QPointer<StatisticsWindow> statisticsWindow_;
    // The analysis panel, shown in the main window; it moves on to the next one.
    QPointer<AnalysisWindow> analysisWindow_;
    // A main window closes to let another open on the next game: the analysis stays.
    bool replacingMainWindow_ = false;
    bool checkQueued_ = false;
    bool ended_ = false;
};

}  // namespace orbel
