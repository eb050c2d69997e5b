// The analysis panel beside a real game, driven as a person would: through the menus, the
// board's controls and the keyboard, with the program's own computer.
#include "window/analysis_window.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <memory>
#include <random>

#include "analysis_reference.h"
#include "app/orbel_app.h"
#include "engine/move_rules.h"
#include "random_games.h"
#include "ui/window_place.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

void Click(const QWidget& window, const QString& name) {
    QTest::mouseClick(Control<QWidget>(window, name), Qt::LeftButton);
}

QList<int> AnalysisMarksOn(const MainWindow& window) {
    return Control<QWidget>(window, "shp_BoardMarks")
        ->property("analysisMarks")
        .value<QList<int>>();
}

// The list as a person reads it: each row's move and value, the best in bold.
struct ListedMove {
    int code;
    QString value;
    bool bold;
    bool operator==(const ListedMove&) const = default;
};

QList<ListedMove> Listed(const AnalysisWindow& analysis) {
    const auto* list = Control<QTreeWidget>(analysis, "lst_Candidates");
    QList<ListedMove> moves;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        moves.append({item->data(0, Qt::UserRole).toInt(), item->text(2), item->font(2).bold()});
    }
    return moves;
}

// A decided value reads as the moves to its end, an upper bound as one (or, where it says
// nothing, as below the best), a push not searched beside a line of the mover's own as so.
QList<ListedMove> Expected(const orbel::testing::LevelSummary& level) {
    QList<ListedMove> moves;
    for (const auto& [code, value, kind, best, decidedAt] : level.moves) {
        QString text = QString::fromStdString(ValueText(value));
        if (decidedAt > 0)
            text = QString::fromStdString(EndText(value, decidedAt));
        else if (kind == ValueKind::AtMost)
            text = OutcomeOf(value) == Outcome::Won ? QStringLiteral("below the best")
                                                    : QStringLiteral("\u2264 ") + text;
        else if (kind == ValueKind::Static)
            text = QStringLiteral("not searched");
        moves.append({code, text, best});
    }
    return moves;
}

}  // namespace

class AnalysisWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<OrbelApp> app_;
    orbel::testing::Reference reference_;
    int searchesBesideTheComputer_ = 0;

    MainWindow& Board() { return *app_->mainWindow(); }
    AnalysisWindow& Analysis() { return *app_->analysisWindow(); }
    const GameController& Controller() { return app_->game().controller(); }

    // A busy picture finds no analysis search running: it has stopped for the computer.
    void WatchTheComputersTurn(MainWindow& window) {
        connect(&window, &MainWindow::gameShown, this, [this] {
            const AnalysisWindow* analysis = app_->analysisWindow();
            if (analysis && Controller().picture().busy && analysis->session().Searching())
                ++searchesBesideTheComputer_;
        });
    }

    void WaitForTheComputer() { QTRY_VERIFY_WITH_TIMEOUT(!Controller().ComputerBusy(), 20000); }

    // Waits until the analysis is done with the game as it stands, then compares it with
    // what the test's own analyser finds.
    void ExpectShowsTheGame() {
        const AnalysisSession& s = Analysis().session();
        using S = AnalysisSession::Standing;
        QVERIFY(AnalysisDone());
        BoardState completed;
        Controller().CompletedPosition(completed);
        QVERIFY(orbel::testing::SamePosition(s.position(), completed));
        QCOMPARE(s.completedMoves(), completed.MoveNumber - 1);
        QCOMPARE(Control<QTreeWidget>(Analysis(), "lst_Review")->topLevelItemCount(),
                 s.completedMoves());
        QCOMPARE(Control<QWidget>(Analysis(), "img_Evaluation")->property("points").toInt(),
                 s.completedMoves());
        if (s.standing() == S::GameOver) return;
        const orbel::testing::LevelSummary expected = reference_.Analyse(completed, s.deepest());
        QCOMPARE(s.finished()->level, s.deepest());
        QCOMPARE(Listed(Analysis()), Expected(expected));
        const QList<int> best(expected.bestSet.begin(), expected.bestSet.end());
        QCOMPARE(AnalysisMarksOn(Board()), s.BoardShowsPosition() ? best : QList<int>());
        QCOMPARE(Analysis().marks(), AnalysisMarksOn(Board()));
    }

    // The person plays `code` with the three clicks; the computer answers.
    void PlayAndLetTheComputerAnswer(int code) {
        const int moves = Controller().state().board.MoveNumber;
        Click(Board(), QStringLiteral("btn_Board_%1").arg(PlacementOf(code)));
        Click(Board(), QStringLiteral("img_dir_%1").arg(DirectionOf(code)));
        Click(Board(), QStringLiteral("img_dir_0"));
        QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(Controller().state().board.MoveNumber),
                                  moves + 2, 20000);
        WaitForTheComputer();
    }

    // Whether the analysis is done with the game as it stands, within 20 s.
    bool AnalysisDone() {
        const AnalysisSession& s = Analysis().session();
        using S = AnalysisSession::Standing;
        return QTest::qWaitFor(
            [&] {
                return (s.standing() == S::Finished || s.standing() == S::GameOver) &&
                       s.reviewedMoves() == s.completedMoves();
            },
            20000);
    }

    // The best move of the finished analysis; while it searches the list may be empty.
    int FirstListed() {
        const bool done = AnalysisDone();
        const auto listed = Listed(Analysis());
        if (!done || listed.isEmpty()) {
            QTest::qFail("no finished analysis listing a move", __FILE__, __LINE__);
            return 0;
        }
        return listed.front().code;
    }

  private slots:
    void init() {
        app_ = std::make_unique<OrbelApp>();
        searchesBesideTheComputer_ = 0;
    }
    void cleanup() { app_.reset(); }

    void follows_the_game_through_play_take_back_stepping_loading_and_reopening() {
        MainWindow* window = app_->StartGame(9);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        WatchTheComputersTurn(*window);
        Control<QAction>(*window, "mnu_Expert")->trigger();
        QCOMPARE(static_cast<int>(Controller().state().SearchLevel), 5);
        QVERIFY(!app_->analysisWindow());
        QVERIFY(AnalysisMarksOn(*window).isEmpty());
        Control<QAction>(*window, "mnu_Analysis")->trigger();
        QVERIFY(app_->analysisWindow() && Analysis().isVisible());
        ExpectShowsTheGame();

        // The list has the keyboard: its moves, walked with the arrow keys, mark the one
        // chosen; Escape gives the best set back.
        auto* list = Control<QTreeWidget>(Analysis(), "lst_Candidates");
        QCOMPARE(QApplication::focusWidget(), list);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        const int chosen = list->currentItem()->data(0, Qt::UserRole).toInt();
        QCOMPARE(AnalysisMarksOn(Board()), QList<int>{chosen});
        QTest::keyClick(list, Qt::Key_Escape);
        QCOMPARE(Analysis().marks().size(),
                 static_cast<qsizetype>(Analysis().session().finished()->best.count));

        // No mark is drawn over the orbel in hand. A push in hand hides the marks and the
        // list keeps the position before it; Undo brings them back.
        const int code = FirstListed();
        Click(Board(), QStringLiteral("btn_Board_%1").arg(PlacementOf(code)));
        for (const int marked : AnalysisMarksOn(Board()))
            QVERIFY(PlacementOf(marked) != PlacementOf(code));
        Click(Board(), QStringLiteral("img_dir_%1").arg(DirectionOf(code)));
        ExpectShowsTheGame();
        QVERIFY(AnalysisMarksOn(Board()).isEmpty());
        Click(Board(), QStringLiteral("btn_Undo"));
        ExpectShowsTheGame();
        QVERIFY(!AnalysisMarksOn(Board()).isEmpty());

        PlayAndLetTheComputerAnswer(FirstListed());
        ExpectShowsTheGame();
        PlayAndLetTheComputerAnswer(FirstListed());
        ExpectShowsTheGame();
        auto record = std::make_unique<GameRecord>(app_->game().Record());
        Click(Board(), QStringLiteral("btn_Backward"));
        ExpectShowsTheGame();
        QCOMPARE(Analysis().session().completedMoves(), 3);

        // A game read from a file opens a new main window; the analysis follows it there,
        // and Forward takes the review rows of the moves already valued back.
        std::mt19937 rng(5);
        QCOMPARE(record->Moves.count(), 4);
        BoardState b;
        QVERIFY(ReplayMoves(record->BoardSize, record->Moves, b).Ok());
        for (int i = 0; i < 2; ++i) {
            const orbel::testing::Offered offered(b);
            const int next = offered.Random(rng);
            orbel::testing::RecordMove(*record, next);
            orbel::testing::PlayMove(b, next);
        }
        window = app_->OpenRecord(*record);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        WatchTheComputersTurn(*window);
        ExpectShowsTheGame();
        const uint64_t reviewed = Analysis().session().movesReviewed();
        for (int step = 1; step <= 6; ++step) {
            Click(Board(), QStringLiteral("btn_Forward"));
            WaitForTheComputer();
            ExpectShowsTheGame();
        }
        // Moves 1 to 4 were valued before Backward; 5 and 6 are new.
        QCOMPARE(Analysis().session().movesReviewed(), reviewed + 2);

        // Closed, the board loses its marks; opened again with its key, it shows the game.
        Control<QDockWidget>(Board(), "dock_Analysis")->close();
        QTRY_VERIFY(!app_->analysisWindow());
        QVERIFY(AnalysisMarksOn(Board()).isEmpty());
        Board().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Board()));
        QTest::keyClick(&Board(), Qt::Key_A);
        QVERIFY(app_->analysisWindow());
        ExpectShowsTheGame();
        PlayAndLetTheComputerAnswer(FirstListed());
        ExpectShowsTheGame();
        QCOMPARE(searchesBesideTheComputer_, 0);
    }

    // Enter on a chosen move shows the line the computer expects after it, numbered on the
    // board from the side to move, until Escape. Enter on a review row takes the game back
    // to the position before its move, as Backward pressed as often would, and a double
    // click on the graph's first point to the start; the analysis follows.
    void shows_a_line_and_steps_into_a_review_row() {
        MainWindow* window = app_->StartGame(9);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        WatchTheComputersTurn(*window);
        Control<QAction>(*window, "mnu_Analysis")->trigger();
        ExpectShowsTheGame();
        PlayAndLetTheComputerAnswer(FirstListed());
        PlayAndLetTheComputerAnswer(FirstListed());
        ExpectShowsTheGame();
        const GameRecord played = app_->game().Record();
        QCOMPARE(played.Moves.count(), 4);

        auto* list = Control<QTreeWidget>(Analysis(), "lst_Candidates");
        QTest::keyClick(list, Qt::Key_Down);
        const int chosen = list->currentItem()->data(0, Qt::UserRole).toInt();
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(Analysis().session().line(), 20000);
        const ExpectedLine line = *Analysis().session().line();
        QCOMPARE(static_cast<int>(line.codes[0]), chosen);
        QCOMPARE(AnalysisMarksOn(Board()), QList<int>(line.codes, line.codes + line.count));
        QCOMPARE(Control<QWidget>(Board(), "shp_BoardMarks")->property("lineSide").toInt(),
                 static_cast<int>(Controller().state().board.SideToMove));
        QTest::keyClick(list, Qt::Key_Escape);
        QCOMPARE(AnalysisMarksOn(Board()), QList<int>{chosen});
        QTest::keyClick(list, Qt::Key_Escape);
        ExpectShowsTheGame();

        auto* review = Control<QTreeWidget>(Analysis(), "lst_Review");
        review->setFocus();
        review->setCurrentItem(review->topLevelItem(1));
        QTest::keyClick(review, Qt::Key_Return);
        const GameState& state = Controller().state();
        QCOMPARE(static_cast<int>(state.board.MoveNumber), 2);
        BoardState before;
        QVERIFY(ReplayMoves(9, played.Moves, before, 1).Ok());
        QVERIFY(std::equal(before.Board, before.Board + kBoardEntries, state.board.Board));
        QCOMPARE(state.history.Played.count(), 1);
        QVERIFY(Control<QPushButton>(Board(), "btn_Backward")->isVisible());
        ExpectShowsTheGame();

        auto* graph = Control<QWidget>(Analysis(), "img_Evaluation");
        QTest::mouseDClick(graph, Qt::LeftButton, {}, QPoint(1, graph->height() / 2));
        QCOMPARE(static_cast<int>(state.board.MoveNumber), 1);
        QVERIFY(!Control<QPushButton>(Board(), "btn_Backward")->isVisible());
        ExpectShowsTheGame();
        QCOMPARE(searchesBesideTheComputer_, 0);
    }

    // The long opening read and stepped through, and its deepening to level 11 under way.
    MainWindow* ReadLongOpening() {
        MainWindow* window = app_->OpenRecord(orbel::testing::LongAnalysisRecord());
        for (int step = 0; step < 3; ++step) {
            Click(*window, QStringLiteral("btn_Forward"));
            WaitForTheComputer();
        }
        if (!app_->analysisWindow()) Control<QAction>(*window, "mnu_Analysis")->trigger();
        Control<QSpinBox>(Analysis(), "spn_Deepest")->setValue(kDeepestLevel);
        return window;
    }
    // Polls more often than QTRY_VERIFY: the deepening is under way for about a second.
    bool DeepInASearch() {
        for (int wait = 0; wait < 10000; ++wait) {
            const AnalysisSession& s = Analysis().session();
            if (s.finished() && s.finished()->level >= 3 && s.Searching()) return true;
            QTest::qWait(2);
        }
        return false;
    }

    // Closing the window, or the program, in the middle of a search returns at once.
    void closing_it_or_the_program_during_a_search_ends_promptly() {
        MainWindow* window = ReadLongOpening();
        QVERIFY(DeepInASearch());

        // Floated where the player put it, it stays there in the next window, and closing it
        // with its own button or with A stops it at once.
        auto* dock = Control<QDockWidget>(*window, "dock_Analysis");
        dock->setFloating(true);
        const QPoint place = orbel::AvailableArea(*dock).topLeft() + QPoint(40, 30);
        dock->move(place);
        window = ReadLongOpening();
        dock = Control<QDockWidget>(*window, "dock_Analysis");
        QVERIFY(dock->isFloating() && Analysis().isVisible());
        QCOMPARE(dock->pos(), place);
        QVERIFY(DeepInASearch());
        dock->close();
        QTRY_VERIFY(!app_->analysisWindow());
        Control<QAction>(*window, "mnu_Analysis")->trigger();
        QCOMPARE(dock->pos(), place);
        Control<QSpinBox>(Analysis(), "spn_Deepest")->setValue(kDeepestLevel);
        QVERIFY(DeepInASearch());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
        QVERIFY(!app_->analysisWindow());
        // Left partly off the screen, it comes back whole.
        dock->move(orbel::AvailableArea(*dock).bottomRight() - QPoint(40, 30));
        Control<QAction>(*window, "mnu_Analysis")->trigger();
        QVERIFY(orbel::WhollyOn(orbel::FramedGeometry(*dock), orbel::AvailableAreas()));
        Control<QSpinBox>(Analysis(), "spn_Deepest")->setValue(kDeepestLevel);
        QVERIFY(DeepInASearch());

        // Exit closes the analysis with the board, and then the program ends.
        QSignalSpy ended(app_.get(), &OrbelApp::noWindowLeft);
        QPointer<AnalysisWindow> analysis = app_->analysisWindow();
        Control<QAction>(*window, "mnu_Exit")->trigger();
        QTRY_VERIFY(analysis.isNull());
        QTRY_COMPARE(ended.count(), 1);

        // So does the program.
        ReadLongOpening();
        QVERIFY(DeepInASearch());
        analysis = app_->analysisWindow();
        app_.reset();
        QVERIFY(analysis.isNull());
    }
};

QTEST_MAIN(AnalysisWindowTest)
#include "analysis_window-test.moc"
