// What the computer sees: a panel beside the board (the main window docks it) with the
// position of the completed moves analysed level by level, every candidate move, the best
// ones marked on the board, and the game's evaluation and review. It reads the game and
// never moves it. The keyboard focus it is given goes to the list of candidates.
#pragma once

#include <QList>
#include <QWidget>
#include <memory>

#include "game/analysis_session.h"
#include "game/game.h"
#include "window/qt_scheduler.h"

class QLabel;
class QSpinBox;
class QTreeWidget;

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

    const AnalysisSession& session() const { return *session_; }
    // The moves marked on the board now (MoveCodes): the one chosen in the list, else the
    // best set; none while the board shows another position.
    const QList<int>& marks() const { return marks_; }

    QSize sizeHint() const override;

  signals:
    void marksChanged(const QList<int>& codes);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void Refresh();
    void ShowStatus();
    void ShowCandidates();
    void ShowReview();
    void ChooseFromList();
    void UpdateMarks();

    // Declared before the session, so the session's threads end before what they post to.
    QtScheduler results_;
    std::unique_ptr<AnalysisSession> session_;

    QSpinBox* deepest_ = nullptr;
    QSpinBox* reviewLevel_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* status_ = nullptr;
    QTreeWidget* candidates_ = nullptr;
    EvaluationGraph* graph_ = nullptr;
    QTreeWidget* review_ = nullptr;

    // The analysis the list shows: its position's serial and its level.
    unsigned listedSerial_ = 0;
    int listedLevel_ = 0;
    int chosen_ = 0;  // the move chosen in the list; 0 none
    QList<int> marks_;
};

}  // namespace orbel
