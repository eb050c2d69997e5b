// The game's main window: the board, the side panel and the menus. Every click and key goes
// to the game's controller, which answers with a picture of the game.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <vector>

#include "game/game.h"
#include "game/view.h"

class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QPushButton;
class QTimer;

namespace orbel {

class BoardMarks;
class OutlineShape;
class ScaledArea;
class SlideLayer;

// The level's name as the Level menu gives it, without its access key: "Two Player" for 0,
// then "Easy" to "God".
QString LevelName(int level);

class MainWindow final : public QMainWindow, public GameView {
    Q_OBJECT

  public:
    // `game` outlives the window.
    explicit MainWindow(Game& game, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Lays the board out for the game's BoardSize, sizes the window to the screen and opens
    // the game on it at `level`: a new game, with Forward offered when a read record waits.
    // Run once, before the window is shown.
    void Form_Load(int level = 1);

    Game& game() { return game_; }

    void Show(const GamePicture& picture) override;
    void Beep() override;

    // Marks the moves (MoveCodes) an analysis wants seen on the board; none for an empty
    // list. With `lineSide` Red or Blue they are a line of moves, numbered, that side's
    // first.
    void SetAnalysisMarks(const QList<int>& codes, int lineSide = 0);

    // Whether a panel shown takes the keyboard, or leaves it where it is.
    enum class Focus { Take, Leave };
    // Shows the analysis `panel` beside the board, or floating where the player left it, and
    // gives it the keyboard if asked. Docked, it widens the window by its own width where the
    // screen has room, and the board scales down where it has not.
    void OpenAnalysis(QWidget* panel, Focus focus = Focus::Take);
    // Takes the panel out again, handing it to the caller, and gives back the room the
    // window grew by for it; nullptr when none is shown.
    QWidget* TakeAnalysis();
    QWidget* analysis() const;
    // Where the panel stands (docked at which side, or floating where), as the window keeps
    // its docks; restored before the panel is opened, it opens there.
    QByteArray PanelPlace() const;
    void RestorePanelPlace(const QByteArray& place);
    // The window's normal geometry without the room it grew by for the panel.
    QRect BoardGeometry() const;

  signals:
    // The computer has already been stopped when these two are sent.
    void changeGameSizeRequested();
    void loadGameRequested();
    void saveGameRequested();
    void rulesRequested();
    void aboutRequested();
    // The player picked a level from the menu.
    void levelChosen(int level);
    // The window is about to close, still where the player left it.
    void closing();
    // A picture of the game has just been shown.
    void gameShown();
    // The player asked for the analysis, or to close it: A or Options > Analysis.
    void analysisRequested();
    // The player closed the analysis panel.
    void analysisClosed();
    // The player asked for the record of finished games: Options > Statistics.
    void statisticsRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // While orbels slide, any click or key in the window first ends the slide.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateBoard(QWidget* canvas);
    void CreateSidePanel(QWidget* canvas);
    void CreateMenus();
    void CreateShortcuts();
    void LayOutBoard(int n);
    void FitOnScreen();
    double SmallestScale() const;
    void MakeRoomForAnalysis();
    void GiveBackRoom();
    void DrawPictures();
    QPixmap CellPicture(int16_t side, QSize size);
    void ShowCells(const GamePicture& picture);
    void ShowSidePanel(const GamePicture& picture);
    void ShowPointers(const GamePicture& picture);
    void StartSlide(const GamePicture& picture);
    void SlideEnded();
    void TakeBoardFocus();
    void StopAndLetGo();

    // Events, named as the game names them.
    void btn_Board_Click(int cell);
    void img_dir_Click(int index);
    void img_Player_Click(int index);
    void tmr_Select_Timer();
    void mnu_NewGame_Click();
    void btn_Undo_Click();
    void btn_Hint_Click();
    void btn_Backward_Click();
    void btn_Forward_Click();
    void mnu_Level_Click(int level);
    void mnu_GameSize_Click();
    void mnu_Exit_Click();

    Game& game_;
    GameController& controller_;

    ScaledArea* area_ = nullptr;
    std::array<QPushButton*, kBoardEntries> cellButtons_ = {};
    std::array<QLabel*, kBoardEntries> cellImages_ = {};
    // The orbel each image was last given, so a picture redraws only what changed.
    std::array<int16_t, kBoardEntries> imageSide_ = {};
    OutlineShape* boardBorder_ = nullptr;
    BoardMarks* marks_ = nullptr;  // the board's marks; takes the keyboard for the board
    SlideLayer* slide_ = nullptr;
    std::array<QLabel*, 9> arrows_ = {};  // 0 the centre, 2, 4, 6, 8 the arrows
    std::array<QLabel*, 2> players_ = {};
    std::array<OutlineShape*, 2> rings_ = {};
    QLabel* message_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* hint_ = nullptr;
    QPushButton* forward_ = nullptr;
    QPushButton* backward_ = nullptr;
    QLabel* title_ = nullptr;
    QTimer* selectTimer_ = nullptr;
    std::array<QAction*, kDeepestLevel + 1> levelItems_ = {};
    QAction* analysisItem_ = nullptr;
    QDockWidget* analysisDock_ = nullptr;
    int grownForAnalysis_ = 0;  // the width the window grew by for the docked panel

    // The last picture shown, and the push it showed last: a window shows a push only when
    // it has seen the picture before it.
    GamePicture picture_;
    bool pictureSeen_ = false;
    std::array<bool, kBoardEntries> sliding_ = {};

    // Orbels are drawn at each size the cells take at this scale, for this screen.
    struct DrawnOrbel {
        int16_t side;
        QSize size;
        QPixmap picture;
    };
    std::vector<DrawnOrbel> drawnOrbels_;
    qreal drawnRatio_ = 0.0;
    bool shown_ = false;

    bool busyPointer_ = false;
    bool plainPointer_ = false;
    bool letGo_ = false;  // closed: the game is no longer this window's
};

// Holds the game while it lives: a modal window of the program is open.
class ModalHold {
  public:
    explicit ModalHold(Game& game) : game_(game) { game_.Hold(); }
    ~ModalHold() { game_.Release(); }
    ModalHold(const ModalHold&) = delete;
    ModalHold& operator=(const ModalHold&) = delete;

  private:
    Game& game_;
};

}  // namespace orbel
