// The game's main window: the board, the side panel and the menus. Every click goes to the
// game controller, which answers through the GameView operations.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>

#include "game/controller.h"
#include "game/view.h"
#include "window/qt_computer_player.h"

class QAction;
class QActionGroup;
class QLabel;
class QPushButton;
class QTimer;

namespace orbel {

class MainWindow final : public QMainWindow, public GameView {
    Q_OBJECT

  public:
    // `state` outlives the window; `search` is the computer's look-ahead.
    explicit MainWindow(GameState& state, RootSearch search = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Lays the board out for the state's BoardSize and starts a game at Easy, or on a record
    // just read when `loaded` is given. Run once, before the window is shown.
    void Form_Load(const GameRecord* loaded = nullptr);

    GameController& controller() { return controller_; }

    void DrawCell(int cell, int value) override;
    void SetCellButtonVisible(int cell, bool visible) override;
    void SetCellImageVisible(int cell, bool visible) override;
    bool CellImageVisible(int cell) const;
    void SetCellButtonsDefaultPointer() override;
    void SetArrowVisible(int direction, bool visible) override;
    void ShowMessage(std::string_view text, int sideToMove) override;
    void Beep() override;
    void SetBackwardVisible(bool visible) override;
    void SetForwardVisible(bool visible) override;
    bool BackwardVisible() const;
    bool ForwardVisible() const;
    void SetUndoEnabled(bool enabled) override;
    void SetHintEnabled(bool enabled) override;
    void SetBusyPointer(bool busy) override;
    void SetLevelChecked(int level) override;
    void ShowLastMove(int placedCell, int standsCell) override;
    void ShowWinningCells(const CellList& cells) override;
    void ShowFocusCell(int cell) override;

  signals:
    // The computer has already been stopped when these two are sent.
    void changeGameSizeRequested();
    void loadGameRequested();
    void saveGameRequested();
    void rulesRequested();
    void aboutRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateBoard(QWidget* area);
    void CreateSidePanel(QWidget* area);
    void CreateMenus();
    void CreateShortcuts();
    void LayOutBoard(int n);
    void mnu_GameSize_Click();
    void mnu_Exit_Click();

    GameState& state_;
    QtComputerPlayer computer_;
    QtScheduler scheduler_;
    GameController controller_;

    std::array<QPushButton*, kBoardEntries> cellButtons_ = {};
    std::array<QLabel*, kBoardEntries> cellImages_ = {};
    QWidget* boardBorder_ = nullptr;
    QWidget* marks_ = nullptr;            // the board's marks; takes the keyboard for the board
    std::array<QLabel*, 9> arrows_ = {};  // 0 the centre, 2, 4, 6, 8 the arrows
    std::array<QLabel*, 2> players_ = {};
    std::array<QWidget*, 2> rings_ = {};
    QLabel* message_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* hint_ = nullptr;
    QPushButton* forward_ = nullptr;
    QPushButton* backward_ = nullptr;
    QTimer* selectTimer_ = nullptr;
    std::array<QAction*, kDeepestLevel + 1> levelItems_ = {};
    bool busyPointer_ = false;
};

// Holds the window's game while it lives: a modal window of the program is open. A window
// closed meanwhile is simply let go.
class ModalHold {
  public:
    explicit ModalHold(MainWindow* window);
    ~ModalHold();
    ModalHold(const ModalHold&) = delete;
    ModalHold& operator=(const ModalHold&) = delete;

  private:
    QPointer<MainWindow> window_;
};

}  // namespace orbel
