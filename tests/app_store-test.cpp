// The program with the player's store, as main() gives it one: each run here is a new store
// and OrbelApp on the same file, so what a run leaves is what the next one finds.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <filesystem>

#include "app/orbel_app.h"
#include "store/game_store.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

// One run of the program: the store made first and gone last, as in main().
struct Run {
    explicit Run(const std::filesystem::path& file) : games(file, {}), app({}, nullptr, &games) {
        app.Start();
    }
    GameStore games;
    OrbelApp app;
};

QPushButton* Button(const QWidget& window, const QString& name) {
    return Control<QPushButton>(window, name);
}

void Trigger(const QWidget& window, const char* item) {
    Control<QAction>(window, item)->trigger();
}

// A button of the game as a person clicks it, then the computer's answer, if any, waited for.
void Press(MainWindow& window, const char* button) {
    QTest::mouseClick(Button(window, button), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!Busy(window), 10000);
}

// Hints to the end of the game; the end's message.
QString HintToTheEnd(MainWindow& window) {
    for (int moves = 0; moves < 40 && !window.game().state().GameOver; ++moves)
        Press(window, "btn_Hint");
    return Control<QLabel>(window, "lbl_Message")->text();
}

QString Cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

// "Played" of the table's row named `name`, or -1 when there is none.
int PlayedIn(const QTableWidget& table, const QString& name) {
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.item(row, 0)->text() == name) return table.item(row, 1)->text().toInt();
    return -1;
}

GameRecord NineByNine() {
    GameRecord record;
    record.BoardSize = 9;
    record.ComputerSideChoice = Red;
    for (const PlayedMove move : {PlayedMove{32, 41}, PlayedMove{40, 41}, PlayedMove{33, 42}})
        record.Moves.Add(move);
    return record;
}

}  // namespace

class app_store : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir folder_;
    int files_ = 0;

    // Each test begins with a store of its own.
    std::filesystem::path NewFile() {
        return std::filesystem::path(folder_.path().toStdString()) /
               ("games-" + std::to_string(++files_) + ".db");
    }

  private slots:
    // Closed after Backward with the computer to move: the same position, level and buttons
    // come back, and the computer moves. A read record being stepped through comes back with
    // Forward, the computer waiting; a game left for a new size is kept as abandoned.
    void a_game_closed_mid_way_continues_where_it_was_left() {
        const std::filesystem::path file = NewFile();
        BoardState left;
        {
            Run first(file);
            BoardSizeDialog* sizes = first.app.sizeDialog();
            QVERIFY(!sizes->findChild<QPushButton*>("btn_Continue"));
            QTest::mouseClick(Button(*sizes, "btn_GameSize_2"), Qt::LeftButton);
            MainWindow& window = *first.app.mainWindow();
            Trigger(window, "mnu_Medium");
            Press(window, "btn_Hint");
            Press(window, "btn_Hint");
            Press(window, "btn_Backward");
            left = first.app.state().board;
            QCOMPARE(int(left.MoveNumber), 4);
            QCOMPARE(left.SideToMove, Red);
            Trigger(window, "mnu_Exit");
        }
        {
            Run second(file);
            BoardSizeDialog* sizes = second.app.sizeDialog();
            QVERIFY(QTest::qWaitForWindowActive(sizes));
            QPushButton* offered = Button(*sizes, "btn_Continue");
            QCOMPARE(offered->text(), QStringLiteral("Continue 9 \u00d7 9, Medium, move 4"));
            QVERIFY(offered->isDefault());
            QCOMPARE(QApplication::focusWidget(), offered);
            QTest::keyClick(sizes->windowHandle(), Qt::Key_Return);
            MainWindow& window = *second.app.mainWindow();
            const GameState& state = second.app.state();
            QVERIFY(std::equal(left.Board, left.Board + kBoardEntries, state.board.Board));
            QCOMPARE(state.board.MoveNumber, left.MoveNumber);
            QVERIFY(Control<QAction>(window, "mnu_Medium")->isChecked());
            QVERIFY(Button(window, "btn_Backward")->isVisible());
            QVERIFY(!Button(window, "btn_Forward")->isVisible());
            // The computer's turn: it moves.
            QVERIFY(Busy(window));
            QTRY_VERIFY_WITH_TIMEOUT(!Busy(window), 10000);
            QCOMPARE(int(state.board.MoveNumber), 5);

            Trigger(window, "mnu_GameSize");
            QTest::mouseClick(Button(*second.app.sizeDialog(), "btn_GameSize_0"), Qt::LeftButton);
            MainWindow& replay = *second.app.OpenRecord(NineByNine());
            Press(replay, "btn_Forward");
            Press(replay, "btn_Forward");
            Trigger(replay, "mnu_Exit");
        }
        Run third(file);
        QCOMPARE(Button(*third.app.sizeDialog(), "btn_Continue")->text(),
                 QStringLiteral("Continue 9 \u00d7 9, Medium, move 3"));
        QTest::mouseClick(Button(*third.app.sizeDialog(), "btn_Continue"), Qt::LeftButton);
        MainWindow& window = *third.app.mainWindow();
        QVERIFY(Button(window, "btn_Backward")->isVisible());
        QVERIFY(Button(window, "btn_Forward")->isVisible());
        QVERIFY(!Busy(window));
        Press(window, "btn_Forward");
        QCOMPARE(third.app.state().board.Board[42], Blue);
        QVERIFY(!Button(window, "btn_Forward")->isVisible());

        // The first game, left for a new size; neither the replay nor the untouched 5 x 5.
        const PlayerHistory history = third.games.ReadHistory();
        QCOMPARE(history.games.size(), size_t(1));
        QCOMPARE(history.games[0].size, int16_t(9));
        QCOMPARE(history.games[0].moves, int16_t(4));
        QCOMPARE(history.games[0].ForPerson(), PersonResult::Abandoned);
    }

    // Three games: one hinted to its end, one left by New Game, one for two players; the
    // window counts the first two, lists all three, opens the first for Forward to replay
    // without counting it again, and clears the history after Yes, not after No.
    void statistics_count_the_games_open_one_and_reset() {
        Run run(NewFile());
        QTest::mouseClick(Button(*run.app.sizeDialog(), "btn_GameSize_0"), Qt::LeftButton);
        MainWindow* window = run.app.mainWindow();
        const QString ending = HintToTheEnd(*window);
        const bool won = ending.contains("Blue Wins");
        QVERIFY2(won || ending.contains("Red Wins"), qPrintable(ending));
        const int moves = window->game().state().board.MoveNumber - 1;
        Trigger(*window, "mnu_NewGame");
        Press(*window, "btn_Hint");
        Trigger(*window, "mnu_NewGame");
        Trigger(*window, "mnu_TwoPlayer");
        HintToTheEnd(*window);
        Trigger(*window, "mnu_NewGame");

        Trigger(*window, "mnu_Statistics");
        QPointer<StatisticsWindow> statistics = run.app.statisticsWindow();
        QVERIFY(statistics && statistics->isVisible() && statistics->isModal());
        QCOMPARE(Control<QLabel>(*statistics, "lbl_Summary")->text(),
                 QStringLiteral("Played 2: won %1, lost %2, tied 0, abandoned 1. Win share %3.\n"
                                "Winning streak: 0 now, %4 at the longest.\n"
                                "Two-player games: 1, listed but not counted.")
                     .arg(won)
                     .arg(!won)
                     .arg(won ? "50%" : "0%")
                     .arg(won));
        QCOMPARE(PlayedIn(*Control<QTableWidget>(*statistics, "tbl_Levels"), "Easy"), 2);
        QCOMPARE(PlayedIn(*Control<QTableWidget>(*statistics, "tbl_Sizes"), "5 \u00d7 5"), 2);
        auto* list = Control<QTreeView>(*statistics, "lst_Games");
        const QAbstractItemModel& games = *list->model();
        QCOMPARE(games.rowCount(), 3);
        QCOMPARE(Cell(games, 0, 2), QStringLiteral("Two Player"));
        QCOMPARE(Cell(games, 1, 4), QStringLiteral("Abandoned"));
        QCOMPARE(Cell(games, 2, 4), won ? QStringLiteral("Won") : QStringLiteral("Lost"));
        QCOMPARE(Cell(games, 2, 5).toInt(), moves);

        // Enter on the oldest opens it as Load Game does.
        list->setCurrentIndex(games.index(2, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!statistics);
        window = run.app.mainWindow();
        for (int move = 0; move < moves; ++move) Press(*window, "btn_Forward");
        QCOMPARE(Control<QLabel>(*window, "lbl_Message")->text(), ending);
        QVERIFY(!Button(*window, "btn_Forward")->isVisible());

        Trigger(*window, "mnu_Statistics");
        statistics = run.app.statisticsWindow();
        const QAbstractItemModel& again = *Control<QTreeView>(*statistics, "lst_Games")->model();
        QCOMPARE(again.rowCount(), 3);
        WhenModalShows<QMessageBox>([](QMessageBox* box) {
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::mouseClick(Button(*statistics, "btn_Reset"), Qt::LeftButton);
        QCOMPARE(again.rowCount(), 3);
        WhenModalShows<QMessageBox>(
            [](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QTest::mouseClick(Button(*statistics, "btn_Reset"), Qt::LeftButton);
        QCOMPARE(again.rowCount(), 0);
        QCOMPARE(Control<QLabel>(*statistics, "lbl_Summary")->text(),
                 QStringLiteral("No finished games against the computer yet."));
        QVERIFY(run.games.ReadHistory().games.empty());
    }
};

QTEST_MAIN(app_store)
#include "app_store-test.moc"
