// The player's record: games against the computer played, won and lost, in all, by level and
// by board size, the win share and the winning streaks; below them every finished game,
// newest first, to open. It shows what it is given and says what the player chose.
#pragma once

#include <QDialog>
#include <QString>

#include "store/player_history.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTreeView;

namespace orbel {

class FinishedGamesModel;

class StatisticsWindow final : public QDialog {
    Q_OBJECT

  public:
    explicit StatisticsWindow(QWidget* parent = nullptr);
    ~StatisticsWindow() override;

    // Shows `history`, and `problem`, one line, below the list when it is not empty. Before
    // the window is shown, it also sizes the window for them.
    void ShowHistory(const PlayerHistory& history, const QString& problem);
    void ShowProblem(const QString& problem);

  signals:
    // The player chose finished game `id` to open: a double click or Enter on it, or Open.
    void gameChosen(qint64 id);
    // The player said Yes to clearing the history.
    void resetConfirmed();

  private:
    void ShowFigures(const PlayerStatistics& figures, bool problem);
    void OpenChosen();
    void AskReset();
    void OpenOnScreen();

    QLabel* summary_ = nullptr;
    QTableWidget* levels_ = nullptr;
    QTableWidget* sizes_ = nullptr;
    QTreeView* games_ = nullptr;
    FinishedGamesModel* model_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* reset_ = nullptr;
};

}  // namespace orbel
