// What the computer sees: a panel beside the board (the main window docks it) with the
// position of the completed moves analysed level by level, its evaluation held still,
// every candidate move, the best ones or the line the computer expects marked on the board,
// and the game's evaluation and review, whose moves lead back to their positions. It reads
// the game and never moves it itself. The keyboard focus it is given goes to the list of
// candidates.
#pragma once

#include <QList>
#include <QWidget>
#include <memory>

#include "game/analysis_session.h"
#include "game/game.h"
#include "window/qt_scheduler.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace orbel {

class EvaluationGraph;

class AnalysisWindow final : public QWidget {
    Q_OBJECT

  public:
    // `game` outlives the panel. Destroyed, it stops its searches at once.
    explicit AnalysisWindow(const Game& game, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    // The game has shown a picture: the analysis follows it.
    void Follow();
    // The two level pickers: the deepening's limit and the review's level.
    void SetLevels(int deepest, int review);

    const AnalysisSession& session() const { return *session_; }
    // The moves marked on the board now (MoveCodes): the expected line while it is shown,
    // else the move chosen in the list, else the best set; none while the board shows
    // another position.
    const QList<int>& marks() const { return marks_; }
    // The side whose move opens the marked line (Red or Blue), or 0 when the marks are
    // plain moves.
    int lineSide() const { return lineSide_; }

    QSize sizeHint() const override;

  signals:
    void marksChanged(const QList<int>& codes, int lineSide);
    // A review row or a graph point was activated: the player wants the game back where
    // move `moveNumber` was to be made.
    void stepRequested(int moveNumber);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void Refresh();
    void ShowStatus();
    void ShowCandidates();
    void ShowLine();
    void ShowReview();
    void ChooseFromList();
    void ShowLineOnBoard(bool shown);
    void StepInto(const QTreeWidgetItem* row);
    void UpdateMarks();

    // Declared before the session, so the session's threads end before what they post to.
    QtScheduler results_;
    std::unique_ptr<AnalysisSession> session_;

    QSpinBox* deepest_ = nullptr;
    QSpinBox* reviewLevel_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* evaluation_ = nullptr;
    QLabel* legend_ = nullptr;
    QTreeWidget* candidates_ = nullptr;
    QLabel* line_ = nullptr;
    QPushButton* showLine_ = nullptr;
    QLabel* reviewTitle_ = nullptr;
    EvaluationGraph* graph_ = nullptr;
    QTreeWidget* review_ = nullptr;

    // The analysis the list shows: its position's serial and its level.
    unsigned listedSerial_ = 0;
    int listedLevel_ = 0;
    int chosen_ = 0;  // the move chosen in the list; 0 none
    bool lineShown_ = false;
    QList<int> marks_;
    int lineSide_ = 0;
};

}  // namespace orbel
