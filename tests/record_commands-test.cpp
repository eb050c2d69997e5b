// Saving and reading games through the program's windows.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "app/orbel_app.h"
#include "computer/search.h"
#include "dialogs/file_dialog.h"
#include "window/main_window.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QString informative;
    bool seen = false;
};

void AnswerNextBox(QMessageBox::StandardButton answer, SeenBox* seen) {
    WhenModalShows([answer, seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) qFatal("expected a message box, got %s", modal->metaObject()->className());
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->informative = box->informativeText();
        seen->seen = true;
        box->button(answer)->click();
    });
}

QByteArray Contents(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

void WriteFile(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(file));
    f.write(bytes);
}

void Click(const QWidget& w, const QString& name) {
    QWidget* control = Control<QWidget>(w, name);
    if (!control->isVisible()) qFatal("%s is hidden", qPrintable(name));
    QTest::mouseClick(control, Qt::LeftButton);
}

const GamePicture& Picture(MainWindow& w) {
    return w.game().controller().picture();
}

// Cell, arrow, centre mark: a move of the side to move.
void ClickMove(MainWindow& w, int cell, int direction) {
    Click(w, QStringLiteral("btn_Board_%1").arg(cell));
    Click(w, QStringLiteral("img_dir_%1").arg(direction));
    Click(w, QStringLiteral("img_dir_0"));
}

// A search held until the test lets it go; it counts the searches begun and those stopped
// before that.
std::atomic<bool> searchMayFinish{false};
std::atomic<int> searchesStarted{0};
std::atomic<int> searchesStopped{0};

bool HeldSearch(BoardState& b, SearchTables& t, SearchRun& run) {
    searchesStarted.fetch_add(1);
    while (!searchMayFinish.load()) {
        if (run.Stopped()) {
            searchesStopped.fetch_add(1);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return SearchRootValues(b, t, run);
}

}  // namespace

class RecordCommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }

    // Two people play (placement, direction) moves with clicks.
    static void Play(MainWindow& w, std::initializer_list<std::pair<int, int>> moves) {
        w.findChild<QAction*>("mnu_TwoPlayer")->trigger();
        for (auto [cell, direction] : moves) ClickMove(w, cell, direction);
    }
    static void StepForward(MainWindow& w) {
        Click(w, "btn_Forward");
        QTRY_VERIFY(!Busy(w));
    }

  private slots:
    void init() {
        searchMayFinish = false;
        searchesStarted = 0;
        searchesStopped = 0;
    }

    void save_after_a_new_game_writes_three_lines();
    void overwriting_asks_and_no_leaves_the_file_untouched();
    void a_saved_game_is_read_back_and_replayed_with_forward();
    void a_bad_record_leaves_the_game_exactly_as_it_was();
    void a_failure_box_says_why_below_the_code();
    void the_menu_items_go_through_the_file_dialog();
    void save_while_the_computer_thinks_writes_the_game_as_it_stood();
    void loading_a_game_stops_the_search_of_the_one_it_replaces();
};

void RecordCommandsTest::save_after_a_new_game_writes_three_lines() {
    OrbelApp app;
    app.StartGame(9);
    QVERIFY(app.records().SaveGameRecord(Path("new.rec")));
    QCOMPARE(Contents(Path("new.rec")), QByteArray(" 9 \r\n-1 \r\n 0 \r\n"));
}

void RecordCommandsTest::overwriting_asks_and_no_leaves_the_file_untouched() {
    OrbelApp app;
    Play(*app.StartGame(7), {{18, 2}});
    WriteFile(Path("old.rec"), "keep me");

    SeenBox box;
    AnswerNextBox(QMessageBox::No, &box);
    QVERIFY(!app.records().SaveGameRecord(Path("old.rec")));
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("メニュー"));
    QCOMPARE(box.text, QStringLiteral("ファイルを上書きしますか？"));
    QCOMPARE(Contents(Path("old.rec")), QByteArray("keep me"));

    AnswerNextBox(QMessageBox::Yes, &box);
    QVERIFY(app.records().SaveGameRecord(Path("old.rec")));
    QCOMPARE(Contents(Path("old.rec")), QByteArray(" 7 \r\n-1 \r\n 1 \r\n 18  25 \r\n"));
}

// Read into another game altogether: a window of the record's size, and Forward brings back
// the board that was saved.
void RecordCommandsTest::a_saved_game_is_read_back_and_replayed_with_forward() {
    OrbelApp app;
    Play(*app.StartGame(9), {{32, 2}, {40, 6}, {33, 2}, {49, 6}, {59, 8}});
    const std::vector<int16_t> end(app.state().board.Board, app.state().board.Board + 82);
    QVERIFY(app.records().SaveGameRecord(Path("five.rec")));

    QPointer<MainWindow> old = app.StartGame(11);
    QVERIFY(app.records().LoadGameRecord(Path("five.rec")));
    QTRY_VERIFY(old.isNull());
    MainWindow& w = *app.mainWindow();
    QCOMPARE(app.state().board.BoardSize, 9);
    QCOMPARE(app.state().board.MoveNumber, 1);
    QVERIFY(Picture(w).forwardShown);
    QVERIFY(!Picture(w).backwardShown);

    for (int i = 0; i < 5; ++i) StepForward(w);
    QVERIFY(!Picture(w).forwardShown);
    QVERIFY(Picture(w).backwardShown);
    QVERIFY(std::equal(end.begin(), end.end(), app.state().board.Board));
}

void RecordCommandsTest::a_bad_record_leaves_the_game_exactly_as_it_was() {
    OrbelApp app;
    MainWindow* w = app.StartGame(9);
    Play(*w, {{32, 2}, {40, 6}});
    const GameState before = app.state();
    const GamePicture shown = Picture(*w);
    WriteFile(Path("bad.rec"), " 9 \r\n-1 \r\n 2 \r\n 32  41 \r\n");  // one move short

    SeenBox box;
    AnswerNextBox(QMessageBox::Ok, &box);
    QVERIFY(!app.records().LoadGameRecord(Path("bad.rec")));
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("テキストエディタ"));
    const QString failure = QStringLiteral("エラーが発生しました。もう一度実行してください。");
    QVERIFY(box.text.startsWith(failure));
    QCOMPARE(box.text.mid(failure.size()), QStringLiteral("9"));  // the file ends too early
    QCOMPARE(app.mainWindow(), w);
    QVERIFY(w->isVisible());
    QVERIFY(std::equal(before.board.Board, before.board.Board + kBoardEntries,
                       app.state().board.Board));
    QCOMPARE(app.state().board.MoveNumber, before.board.MoveNumber);
    QCOMPARE(app.state().board.BoardSize, before.board.BoardSize);
    QCOMPARE(app.state().history.Record.count(), before.history.Record.count());
    QCOMPARE(app.state().ComputerSideChoice, before.ComputerSideChoice);
    QCOMPARE(app.state().SearchLevel, before.SearchLevel);
    QCOMPARE(Picture(*w).backwardShown, shown.backwardShown);
    QCOMPARE(Picture(*w).forwardShown, shown.forwardShown);
    QCOMPARE(Picture(*w).message, shown.message);

    AnswerNextBox(QMessageBox::Ok, &box);
    QVERIFY(!app.records().LoadGameRecord(Path("missing.rec")));
    QCOMPARE(box.text.mid(failure.size()), QStringLiteral("1"));  // cannot be read
}

// The fixed text and the code stand as they are; the line below them gives the reason in the
// words of the record reader and writer.
void RecordCommandsTest::a_failure_box_says_why_below_the_code() {
    OrbelApp app;
    app.StartGame(9);
    const QString failure = QStringLiteral("エラーが発生しました。もう一度実行してください。");
    SeenBox box;

    // Blue's orbel now stands on 41, so the second move places on a taken cell.
    WriteFile(Path("taken.rec"), " 9 \r\n-1 \r\n 2 \r\n 40  41 \r\n 41  42 \r\n");
    AnswerNextBox(QMessageBox::Ok, &box);
    QVERIFY(!app.records().LoadGameRecord(Path("taken.rec")));
    QVERIFY(box.seen);
    QCOMPARE(box.text, failure + QStringLiteral("12"));
    QCOMPARE(box.informative,
             QStringLiteral("line 5, move 2: placement cell 41 is already taken (error 12)"));

    WriteFile(Path("short.rec"), " 9 \r\n-1 \r\n 2 \r\n 32  41 \r\n");
    AnswerNextBox(QMessageBox::Ok, &box);
    QVERIFY(!app.records().LoadGameRecord(Path("short.rec")));
    QCOMPARE(box.text, failure + QStringLiteral("9"));
    QCOMPARE(box.informative,
             QStringLiteral("the file ends before move 2 of 2 is complete (error 9)"));

    // A save into a folder that does not exist.
    box = SeenBox();
    AnswerNextBox(QMessageBox::Ok, &box);
    QVERIFY(!app.records().SaveGameRecord(Path("no such folder/game.rec")));
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("テキストエディタ"));
    QCOMPARE(box.text, failure + QStringLiteral("20"));
    QVERIFY2(box.informative.startsWith(QStringLiteral("cannot create the temporary file: ")),
             qPrintable(box.informative));
    QVERIFY2(box.informative.endsWith(QStringLiteral(" (error 20)")), qPrintable(box.informative));
}

void RecordCommandsTest::the_menu_items_go_through_the_file_dialog() {
    OrbelApp app;
    MainWindow* w = app.StartGame(7);
    Play(*w, {{18, 2}});
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());

    // Save: a new name typed into the box.
    QString caption;
    WhenModalShows([&caption](QWidget* modal) {
        caption = modal->windowTitle();
        modal->findChild<QLineEdit*>("txtOpenSave")->setText("typed.rec");
        modal->findChild<QPushButton*>("cmdOpenSave(0)")->click();
    });
    w->findChild<QAction*>("mnuFileItem_2")->trigger();
    QCOMPARE(caption, QStringLiteral("新規保存"));
    QCOMPARE(Contents(Path("typed.rec")), QByteArray(" 7 \r\n-1 \r\n 1 \r\n 18  25 \r\n"));

    // Load, cancelled: nothing changes.
    WhenModalShows([&caption](QWidget* modal) {
        caption = modal->windowTitle();
        modal->findChild<QPushButton*>("cmdOpenSave(1)")->click();
    });
    w->findChild<QAction*>("mnuFileItem_1")->trigger();
    QCOMPARE(caption, QStringLiteral("開く"));
    QCOMPARE(app.mainWindow(), w);
    QCOMPARE(app.state().board.MoveNumber, 2);

    // Load, the saved file named: the game reopens with Forward offered.
    WhenModalShows([](QWidget* modal) {
        modal->findChild<QLineEdit*>("txtOpenSave")->setText("typed.rec");
        modal->findChild<QPushButton*>("cmdOpenSave(0)")->click();
    });
    w->findChild<QAction*>("mnuFileItem_1")->trigger();
    QVERIFY(app.mainWindow() != w);
    QCOMPARE(app.state().history.Record.count(), 1);
    QVERIFY(Picture(*app.mainWindow()).forwardShown);
    QDir::setCurrent(before);
}

// The search ends while the dialog is open; its move waits for the dialog to close, and the
// file holds the game as it stood when Save was chosen.
void RecordCommandsTest::save_while_the_computer_thinks_writes_the_game_as_it_stood() {
    OrbelApp app(HeldSearch);
    MainWindow* w = app.StartGame(7);
    ClickMove(*w, 18, 2);
    QTRY_COMPARE(searchesStarted.load(), 1);
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());

    int movesWhileOpen = -1;
    WhenModalShows([&app, &movesWhileOpen](QWidget* modal) {
        searchMayFinish = true;
        QTest::qWait(300);
        movesWhileOpen = app.state().board.MoveNumber - 1;
        modal->findChild<QLineEdit*>("txtOpenSave")->setText("thinking.rec");
        modal->findChild<QPushButton*>("cmdOpenSave(0)")->click();
    });
    w->findChild<QAction*>("mnuFileItem_2")->trigger();
    QCOMPARE(movesWhileOpen, 1);
    QCOMPARE(Contents(Path("thinking.rec")), QByteArray(" 7 \r\n-1 \r\n 1 \r\n 18  25 \r\n"));
    QTRY_COMPARE(app.state().board.MoveNumber, 3);
    QCOMPARE(searchesStopped.load(), 0);
    QDir::setCurrent(before);
}

// Chosen while the computer thinks: the search goes on behind the dialog and stops the
// moment a record is read; no late move reaches the game read.
void RecordCommandsTest::loading_a_game_stops_the_search_of_the_one_it_replaces() {
    OrbelApp app(HeldSearch);
    MainWindow* w = app.StartGame(7);
    ClickMove(*w, 18, 2);
    QTRY_COMPARE(searchesStarted.load(), 1);
    WriteFile(Path("other.rec"), " 9 \r\n-1 \r\n 1 \r\n 32  41 \r\n");
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());

    int stoppedWhileOpen = -1;
    WhenModalShows([&stoppedWhileOpen](QWidget* modal) {
        QTest::qWait(100);
        stoppedWhileOpen = searchesStopped.load();
        modal->findChild<QLineEdit*>("txtOpenSave")->setText("other.rec");
        modal->findChild<QPushButton*>("cmdOpenSave(0)")->click();
    });
    w->findChild<QAction*>("mnuFileItem_1")->trigger();
    QCOMPARE(stoppedWhileOpen, 0);
    QCOMPARE(searchesStopped.load(), 1);
    QCOMPARE(app.state().board.BoardSize, 9);
    QVERIFY(!Busy(*app.mainWindow()));
    searchMayFinish = true;
    QTest::qWait(300);
    QCOMPARE(app.state().board.MoveNumber, 1);
    QVERIFY(Picture(*app.mainWindow()).forwardShown);
    QDir::setCurrent(before);
}

QTEST_MAIN(RecordCommandsTest)
#include "record_commands-test.moc"
