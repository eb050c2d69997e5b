// The main window driven through its own controls, with the real game and computer, and the
// program's order of windows. The rules of a turn are the controller tests' business; here
// each click, key, thread and window has to reach the game and the game the widgets.
#include "window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "app/orbel_app.h"
#include "computer/search.h"
#include "dialogs/rules_window.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

// A search held at a gate until the test opens it, or until it is told to stop.
std::atomic<bool> gateOpen{false};
std::atomic<int> searchesStarted{0};
std::atomic<int> searchesStopped{0};
std::atomic<bool> searchedOnTheWindowThread{false};
std::thread::id windowThread;

bool GatedSearch(BoardState& b, SearchTables& t, SearchRun& run) {
    if (std::this_thread::get_id() == windowThread) searchedOnTheWindowThread = true;
    searchesStarted.fetch_add(1);
    while (!gateOpen.load()) {
        if (run.Stopped()) {
            searchesStopped.fetch_add(1);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return SearchRootValues(b, t, run);
}

QLabel* Player(const QWidget& w, int index) {
    return Control<QLabel>(w, QStringLiteral("img_Player_%1").arg(index));
}
QWidget* Ring(const QWidget& w, int index) {
    return Control<QWidget>(w, QStringLiteral("shp_Circle_%1").arg(index));
}
QPushButton* Button(const QWidget& w, const char* name) {
    return Control<QPushButton>(w, name);
}
QString Message(const QWidget& w) {
    return Control<QLabel>(w, "lbl_Message")->text();
}
QAction* MenuItem(const QWidget& w, const char* name) {
    return Control<QAction>(w, name);
}

int FocusCell(const QWidget& w) {
    return Board(w)->property("focusCell").toInt();
}
int PlacedMark(const QWidget& w) {
    return Board(w)->property("placedCell").toInt();
}
int StandsMark(const QWidget& w) {
    return Board(w)->property("standsCell").toInt();
}
QList<int> WinningMarks(const QWidget& w) {
    return Board(w)->property("winningCells").value<QList<int>>();
}

constexpr const char* kLevelItems[kDeepestLevel + 1] = {
    "mnu_TwoPlayer", "mnu_Easy",        "mnu_Medium", "mnu_Difficult", "mnu_Advanced", "mnu_Expert",
    "mnu_Master",    "mnu_GrandMaster", "mnu_King",   "mnu_Emperor",   "mnu_Angel",    "mnu_God"};

MainWindow* OpenGame(OrbelApp& app, int n) {
    MainWindow* window = app.StartGame(n);
    if (!QTest::qWaitForWindowExposed(window)) qFatal("window not shown");
    return window;
}

MainWindow* OpenRecord(OrbelApp& app, const GameRecord& record) {
    MainWindow* window = app.OpenRecord(record);
    if (!QTest::qWaitForWindowActive(window)) qFatal("window not active");
    return window;
}

// A click as a person makes it: only on what can be seen. False when it is hidden.
[[nodiscard]] bool Click(QWidget* control) {
    if (!control->isVisible()) return false;
    QTest::mouseClick(control, Qt::LeftButton);
    return true;
}

int OrbelsOnBoard(const BoardState& b) {
    int count = 0;
    for (int c = 1; c <= b.CellCount(); ++c) count += b.Board[c] != Empty;
    return count;
}

// The busy pointer shows over the main window only, never over the whole program.
bool CursorIsBusy(const QWidget* window) {
    if (QApplication::overrideCursor()) return true;
    return window && window->cursor().shape() == Qt::WaitCursor;
}

// The first thing the window shows otherwise than the controller's picture says; empty when
// the two agree.
QString DifferenceFromPicture(MainWindow& w) {
    const GamePicture& p = w.game().controller().picture();
    const int n = p.boardSize;
    const Qt::CursorShape pointer = p.busy           ? Qt::WaitCursor
                                    : p.plainPointer ? Qt::ArrowCursor
                                                     : Qt::CrossCursor;
    // A sliding orbel is drawn by the slide layer until it stands in its cell.
    const QList<int> sliding =
        w.findChild<QWidget*>("shp_Slide")->property("slidingCells").value<QList<int>>();
    for (int cell = 1; cell <= n * n; ++cell) {
        const int side = p.Shown(cell);
        const QLabel* image = CellImage(w, cell);
        if (CellButton(w, cell)->isVisible() != p.Offers(cell))
            return QStringLiteral("button %1").arg(cell);
        if (CellButton(w, cell)->cursor().shape() != pointer)
            return QStringLiteral("pointer on %1").arg(cell);
        const bool drawn = side != Empty && !sliding.contains(cell);
        if (image->isVisible() != drawn) return QStringLiteral("image %1").arg(cell);
        if (side != Empty && image->property("orbel").toInt() != side)
            return QStringLiteral("colour of %1").arg(cell);
    }
    for (const int d : {kDown, kLeft, kRight, kUp})
        if (Arrow(w, d)->isVisible() != p.arrows[d]) return QStringLiteral("arrow %1").arg(d);
    if (!Arrow(w, 0)->isVisible()) return "centre mark";
    if (Message(w) != QString::fromStdString(p.message)) return "message " + Message(w);
    if (Ring(w, 0)->isVisible() != (p.ringSide == Red) ||
        Ring(w, 1)->isVisible() == Ring(w, 0)->isVisible())
        return "ring";
    if (Button(w, "btn_Undo")->isEnabled() != p.undoEnabled) return "Undo";
    if (Button(w, "btn_Hint")->isEnabled() != p.hintEnabled) return "Hint";
    if (Button(w, "btn_Backward")->isVisible() != p.backwardShown) return "Backward";
    if (Button(w, "btn_Forward")->isVisible() != p.forwardShown) return "Forward";
    if (!MenuItem(w, kLevelItems[p.level])->isChecked()) return "level";
    if (CursorIsBusy(&w) != p.busy) return "busy pointer";
    if (PlacedMark(w) != p.lastPlaced || StandsMark(w) != p.lastStands) return "last move";
    if (WinningMarks(w) != QList<int>(p.winning.cell, p.winning.cell + p.winning.count))
        return "winning lines";
    if (FocusCell(w) != p.focusCell) return "focus cell";
    return {};
}

// A key as a person types it: to whatever has the keyboard focus, shortcuts first.
void Type(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &window, key, modifiers);
}

// Moves the focus cell to `cell` with the arrow keys, through the inner columns so no
// corner is in the way.
void FocusOn(QWidget& window, int n, int cell) {
    const auto row = [n](int c) { return (c - 1) / n; };
    const auto column = [n](int c) { return (c - 1) % n; };
    const auto walk = [&](auto coordinate, int target, Qt::Key less, Qt::Key more) {
        for (int guard = 0; guard < 2 * n && coordinate(FocusCell(window)) != target; ++guard)
            Type(window, coordinate(FocusCell(window)) < target ? more : less);
    };
    walk(column, std::clamp(column(cell), 1, n - 2), Qt::Key_Left, Qt::Key_Right);
    walk(row, row(cell), Qt::Key_Up, Qt::Key_Down);
    walk(column, column(cell), Qt::Key_Left, Qt::Key_Right);
}

Qt::Key ArrowKey(int direction) {
    switch (direction) {
        case kUp:
            return Qt::Key_Up;
        case kDown:
            return Qt::Key_Down;
        case kLeft:
            return Qt::Key_Left;
        default:
            return Qt::Key_Right;
    }
}

struct Move {
    int cell;
    int direction;
};

Move SomeLegalMove(const BoardState& position) {
    static BoardState b;
    static int16_t moves[kMaxCandidates + 1];
    static Tenths scores[kMaxCandidates + 1];
    int16_t count = 0;
    b = position;
    GenerateMoves(b, {moves, scores, count});
    if (count == 0) return {0, 0};
    const int code = moves[1 + count / 2];
    return {code / 5, (code % 5) * 2};
}

GameRecord RecordOf(int n, std::initializer_list<std::pair<int, int>> moves,
                    int computerSide = Red) {
    GameRecord record;
    record.BoardSize = static_cast<int16_t>(n);
    record.ComputerSideChoice = static_cast<int16_t>(computerSide);
    for (auto [placed, moved] : moves)
        record.Moves.Add({static_cast<int16_t>(placed), static_cast<int16_t>(moved)});
    return record;
}

// The title of the modal window that `act` opens and waits for, which is then closed; empty
// when none opened.
QString ModalTitleOf(const std::function<void()>& act) {
    QString title;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        poll.stop();
        title = modal->windowTitle();
        modal->close();
    });
    poll.start();
    act();
    return title;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { windowThread = std::this_thread::get_id(); }
    void init() {
        gateOpen = false;
        searchesStarted = 0;
        searchesStopped = 0;
        searchedOnTheWindowThread = false;
    }

    void layout_follows_board_size_data();
    void layout_follows_board_size();
    void window_is_grey_resizable_and_named();
    void cells_off_the_board_are_hidden();
    void menus_have_their_items_in_order();
    void each_level_item_sets_its_level_and_its_check();

    void the_widgets_show_the_picture_after_random_clicks();
    void whole_game_by_clicks_against_easy();
    void keyboard_alone_plays_a_whole_game_against_easy();
    void tab_runs_board_undo_hint_backward_forward();
    void menu_shortcuts_stand_beside_the_captions_and_open_their_windows();
    void button_shortcuts_press_their_buttons_only_where_a_click_could();
    void marks_are_drawn_over_the_cells_until_a_new_game();

    void the_search_runs_off_the_window_thread_while_the_window_keeps_working();
    void scheduler_runs_on_the_window_thread_and_dies_with_its_owner();
    void commands_stop_a_search_at_once_and_no_late_move_is_played_data();
    void commands_stop_a_search_at_once_and_no_late_move_is_played();
    void a_move_found_behind_the_rules_window_waits_for_it_to_close();
    void the_program_ends_cleanly_with_the_rules_window_open();
    void the_program_ends_cleanly_right_after_a_window_was_replaced();

    void program_starts_with_the_size_window_and_a_size_opens_the_game();
    void change_game_size_closes_about_and_game_and_reopens_for_new_size();
    void size_window_closed_without_choice_leaves_no_window();
    void escape_in_the_size_window_keeps_the_program_running();
    void a_read_record_opens_at_its_size_and_a_size_choice_drops_it();
};

void MainWindowTest::layout_follows_board_size_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QRect>("lastCell");
    QTest::addColumn<double>("frameSide");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<int>("pictureSide");
    QTest::newRow("5") << 5 << QRect(240, 220, 51, 51) << 251.0 << QPoint(390, 145) << 40;
    QTest::newRow("11") << 11 << QRect(540, 520, 51, 51) << 552.2 << QPoint(690, 295) << 40;
    QTest::newRow("13") << 13 << QRect(448, 428, 35, 35) << 442.65 << QPoint(550, 225) << 34;
    QTest::newRow("17") << 17 << QRect(584, 564, 35, 35) << 578.85 << QPoint(686, 293) << 34;
}

void MainWindowTest::layout_follows_board_size() {
    QFETCH(int, n);
    QFETCH(QRect, lastCell);
    QFETCH(double, frameSide);
    QFETCH(QPoint, centre);
    QFETCH(int, pictureSide);
    OrbelApp app;
    const MainWindow* window = OpenGame(app, n);
    const QRect firstCell(40, 20, lastCell.width(), lastCell.height());
    QCOMPARE(CellButton(*window, 1)->geometry(), firstCell);
    QCOMPARE(CellImage(*window, 1)->geometry(), firstCell);
    QCOMPARE(CellButton(*window, n * n)->geometry(), lastCell);
    QCOMPARE(CellImage(*window, n * n)->geometry(), lastCell);
    // The second cell of the second row lies one pitch right and one pitch down.
    const int pitch = lastCell.width() - 1;
    QCOMPARE(CellButton(*window, n + 2)->pos(), QPoint(40 + pitch, 20 + pitch));

    const QWidget* frame = Control<QWidget>(*window, "shp_BoardBorder");
    QCOMPARE(frame->pos(), QPoint(40, 20));
    QCOMPARE(frame->property("side").toDouble(), frameSide);

    QCOMPARE(Arrow(*window, 0)->geometry(), QRect(centre, QSize(32, 32)));
    QCOMPARE(Arrow(*window, 8)->pos(), centre + QPoint(0, -34));
    QCOMPARE(Arrow(*window, 2)->pos(), centre + QPoint(0, 34));
    QCOMPARE(Arrow(*window, 4)->pos(), centre + QPoint(-34, 0));
    QCOMPARE(Arrow(*window, 6)->pos(), centre + QPoint(34, 0));

    for (const int index : {0, 1}) {
        const QRect place(670 + 70 * index, 100, pictureSide, pictureSide);
        QCOMPARE(Player(*window, index)->geometry(), place);
        QCOMPARE(Ring(*window, index)->geometry(), place);
    }
}

void MainWindowTest::window_is_grey_resizable_and_named() {
    OrbelApp app;
    MainWindow* window = OpenGame(app, 9);
    QCOMPARE(window->objectName(), QStringLiteral("frm_Orbel"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Orbel Five"));
    // Designed size where the screen has room; the player may resize it.
    QCOMPARE(window->centralWidget()->size(), QSize(1077, 761));
    QVERIFY(window->minimumSize().width() < window->maximumSize().width());
    QVERIFY(!window->windowIcon().isNull());
    const QImage client = window->centralWidget()->grab().toImage();
    QCOMPARE(QColor(client.pixel(1050, 740)), QColor(192, 192, 192));

    const QGroupBox* messages = Control<QGroupBox>(*window, "frm_Messages");
    QCOMPARE(messages->title(), QStringLiteral("Messages"));
    QCOMPARE(messages->geometry(), QRect(777, 180, 251, 71));
    QCOMPARE(Control<QLabel>(*window, "lbl_Message")->geometry(), QRect(10, 30, 231, 31));
    const struct {
        const char* name;
        const char* caption;
        QRect place;
    } buttons[] = {{"btn_Undo", "Undo", {790, 260, 91, 31}},
                   {"btn_Hint", "Hint", {907, 260, 91, 31}},
                   {"btn_Forward", "Forward", {860, 430, 101, 41}},
                   {"btn_Backward", "Backward", {860, 480, 101, 41}}};
    for (const auto& button : buttons) {
        QCOMPARE(Button(*window, button.name)->text(), QString(button.caption));
        QCOMPARE(Button(*window, button.name)->geometry(), button.place);
    }
    QCOMPARE(Control<QLabel>(*window, "img_Title")->geometry(), QRect(770, 600, 181, 35));
    QVERIFY(Control<QTimer>(*window, "tmr_Select")->isActive());
    QCOMPARE(Control<QTimer>(*window, "tmr_Select")->interval(), 300);
    QCOMPARE(CellButton(*window, 41)->focusPolicy(), Qt::NoFocus);
    QVERIFY(CellButton(*window, 41)->text().isEmpty());
}

// Beyond the board's n * n cells; its corners the picture hides like any other cell.
void MainWindowTest::cells_off_the_board_are_hidden() {
    for (const int n : {5, 17}) {
        OrbelApp app;
        const MainWindow* window = OpenGame(app, n);
        for (int cell = n * n + 1; cell <= 289; ++cell) {
            QVERIFY(CellButton(*window, cell)->isHidden());
            QVERIFY(!CellButton(*window, cell)->isEnabled());
            QVERIFY(CellImage(*window, cell)->isHidden());
        }
    }
}

void MainWindowTest::menus_have_their_items_in_order() {
    OrbelApp app;
    const MainWindow* window = OpenGame(app, 9);
    const QList<QAction*> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    const QStringList titles = {"&Options", "&Level", "&Help"};
    const QList<QStringList> items = {
        {"&New Game", "&Load Game", "&Save Game", "-", "&Change Game Size", "-", "E&xit", "-",
         "&Analysis", "S&tatistics"},
        {"&Two Player", "-", "&Easy", "&Medium", "&Difficult", "&Advanced", "Ex&pert", "Ma&ster",
         "&GrandMaster", "&King", "Empe&ror", "An&gel", "G&od"},
        {"&Rules", "About Orbel &Five"}};
    for (int m = 0; m < 3; ++m) {
        QCOMPARE(menus[m]->text(), titles[m]);
        const QList<QAction*> actions = menus[m]->menu()->actions();
        QCOMPARE(actions.size(), items[m].size());
        for (int i = 0; i < actions.size(); ++i) {
            if (items[m][i] == "-") {
                QVERIFY(actions[i]->isSeparator());
            } else {
                QVERIFY(!actions[i]->isSeparator());
                QCOMPARE(actions[i]->text(), items[m][i]);
                // The levels and Analysis, which is open or closed, carry check marks.
                QCOMPARE(actions[i]->isCheckable(), m == 1 || items[m][i] == "&Analysis");
            }
        }
    }
}

void MainWindowTest::each_level_item_sets_its_level_and_its_check() {
    OrbelApp app;
    const MainWindow* window = OpenGame(app, 9);
    const QList<QAction*> levels = window->menuBar()->actions()[1]->menu()->actions();
    const auto checked = [&] {
        QStringList on;
        for (const QAction* item : levels)
            if (item->isChecked()) on << item->objectName();
        return on;
    };
    QCOMPARE(checked(), QStringList{"mnu_Easy"});
    for (const int level : {6, 0, 11, 3, 1, 10, 2, 9, 4, 8, 5, 7}) {
        MenuItem(*window, kLevelItems[level])->trigger();
        QCOMPARE(checked(), QStringList{kLevelItems[level]});
        QCOMPARE(app.state().SearchLevel, level);
    }
}

// Real clicks on whatever shows, chosen at random, against Easy: after each, every widget
// shows what the controller's picture says.
void MainWindowTest::the_widgets_show_the_picture_after_random_clicks() {
    OrbelApp app;
    MainWindow* window = OpenGame(app, 7);
    std::mt19937 random(20261209);
    const auto any = [&random](const QList<QWidget*>& from) {
        return from[static_cast<int>(random() % from.size())];
    };
    int moves = 0;
    for (int event = 0; event < 60; ++event) {
        QList<QWidget*> cells, arrows, others;
        for (int cell = 1; cell <= 49; ++cell)
            if (CellButton(*window, cell)->isVisible()) cells << CellButton(*window, cell);
        for (const int index : {0, 2, 4, 6, 8})
            if (Arrow(*window, index)->isVisible()) arrows << Arrow(*window, index);
        others << Player(*window, 0) << Player(*window, 1);
        for (const char* name : {"btn_Undo", "btn_Hint", "btn_Backward", "btn_Forward"})
            if (Button(*window, name)->isVisible()) others << Button(*window, name);
        const int kind = static_cast<int>(random() % 10);
        if (kind < 4 && !cells.isEmpty())
            QVERIFY(Click(any(cells)));
        else if (kind < 7)
            QVERIFY(Click(any(arrows)));
        else if (kind < 9)
            QVERIFY(Click(any(others)));
        else
            MenuItem(*window, std::array{"mnu_NewGame", "mnu_TwoPlayer", "mnu_Easy"}[random() % 3])
                ->trigger();
        QString difference = DifferenceFromPicture(*window);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("event %1: %2").arg(event).arg(difference)));
        QTRY_VERIFY_WITH_TIMEOUT(!Busy(*window), 10000);
        difference = DifferenceFromPicture(*window);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("after event %1: %2").arg(event).arg(difference)));
        moves = std::max(moves, app.state().board.MoveNumber - 1);
    }
    QVERIFY(moves >= 4);  // the clicks played, not only chose
}

// Each turn of the person is a click on the cell, the arrow and the centre mark; the computer
// answers at Easy until the game ends.
void MainWindowTest::whole_game_by_clicks_against_easy() {
    OrbelApp app;
    MainWindow* window = OpenGame(app, 7);
    const GameState& state = app.state();
    const BoardState& b = state.board;
    for (int turn = 0; turn < 40 && !state.GameOver; ++turn) {
        QCOMPARE(b.SideToMove, Blue);
        const Move move = SomeLegalMove(b);
        QVERIFY(move.cell > 0);
        const int before = OrbelsOnBoard(b);
        QVERIFY(Click(CellButton(*window, move.cell)));
        if (turn == 0) {
            // The orbel in hand blinks on the window's clock.
            const bool shown = CellImage(*window, move.cell)->isVisible();
            QTRY_VERIFY_WITH_TIMEOUT(CellImage(*window, move.cell)->isVisible() != shown, 2000);
        }
        QVERIFY(Click(Arrow(*window, move.direction)));
        QVERIFY(Click(Arrow(*window, 0)));
        QCOMPARE(OrbelsOnBoard(b), before + 1);
        QTRY_VERIFY_WITH_TIMEOUT(state.GameOver || (b.SideToMove == Blue && !Busy(*window)), 10000);
        if (!state.GameOver) QCOMPARE(OrbelsOnBoard(b), before + 2);
    }
    QVERIFY(state.GameOver);
    QCOMPARE(DifferenceFromPicture(*window), QString());
}

// Every turn: the focus cell to the placement, Enter, the arrow key of the push, Enter; once
// a push is taken back with Escape and made again.
void MainWindowTest::keyboard_alone_plays_a_whole_game_against_easy() {
    OrbelApp app;
    MainWindow* window = OpenGame(app, 7);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(QApplication::focusWidget(), Board(*window));
    const GameState& state = app.state();
    const BoardState& b = state.board;
    const int n = b.BoardSize;
    bool undone = false;
    for (int turn = 0; turn < 40 && !state.GameOver; ++turn) {
        QCOMPARE(b.SideToMove, Blue);
        const Move move = SomeLegalMove(b);
        QVERIFY(move.cell > 0);
        const int before = OrbelsOnBoard(b);
        FocusOn(*window, n, move.cell);
        QCOMPARE(FocusCell(*window), move.cell);
        Type(*window, Qt::Key_Space);
        QVERIFY(Arrow(*window, move.direction)->isVisible());
        Type(*window, ArrowKey(move.direction));
        QCOMPARE(state.Phase, TurnPhase::Pushed);
        if (!undone) {
            Type(*window, Qt::Key_Escape);
            QCOMPARE(state.Phase, TurnPhase::ChoosingCell);
            QCOMPARE(OrbelsOnBoard(b), before);
            undone = true;
            Type(*window, Qt::Key_Enter);
            Type(*window, ArrowKey(move.direction));
        }
        Type(*window, Qt::Key_Return);
        QCOMPARE(OrbelsOnBoard(b), before + 1);
        QCOMPARE(PlacedMark(*window), move.cell);
        QTRY_VERIFY_WITH_TIMEOUT(state.GameOver || (b.SideToMove == Blue && !Busy(*window)), 10000);
    }
    QVERIFY(state.GameOver);
    QVERIFY(undone);
    QCOMPARE(QApplication::focusWidget(), Board(*window));
}

void MainWindowTest::tab_runs_board_undo_hint_backward_forward() {
    OrbelApp app;
    MainWindow* window = OpenRecord(app, RecordOf(9, {{32, 41}, {40, 41}, {33, 42}}));
    QVERIFY(Click(Button(*window, "btn_Forward")));
    QTRY_VERIFY(!Busy(*window));
    QVERIFY(Button(*window, "btn_Backward")->isVisible());
    QVERIFY(Button(*window, "btn_Forward")->isVisible());
    Board(*window)->setFocus();
    const QList<QWidget*> order = {Button(*window, "btn_Undo"), Button(*window, "btn_Hint"),
                                   Button(*window, "btn_Backward"), Button(*window, "btn_Forward"),
                                   Board(*window)};
    for (QWidget* next : order) {
        Type(*window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void MainWindowTest::menu_shortcuts_stand_beside_the_captions_and_open_their_windows() {
    OrbelApp app;
    QSignalSpy ended(&app, &OrbelApp::noWindowLeft);
    QPointer<MainWindow> window = OpenGame(app, 7);
    QVERIFY(QTest::qWaitForWindowActive(window));
    const struct {
        const char* item;
        QKeySequence keys;
    } items[] = {{"mnu_NewGame", QKeySequence(Qt::CTRL | Qt::Key_N)},
                 {"mnuFileItem_1", QKeySequence(Qt::CTRL | Qt::Key_O)},
                 {"mnuFileItem_2", QKeySequence(Qt::CTRL | Qt::Key_S)},
                 {"mnu_Exit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
                 {"mnu_Statistics", QKeySequence(Qt::CTRL | Qt::Key_H)},
                 {"mnu_Rules", QKeySequence(Qt::Key_F1)}};
    for (const auto& item : items) QCOMPARE(MenuItem(*window, item.item)->shortcut(), item.keys);

    const BoardState& b = app.state().board;
    Type(*window, Qt::Key_Up);
    Type(*window, Qt::Key_Return);
    Type(*window, Qt::Key_Down);
    Type(*window, Qt::Key_Return);
    QCOMPARE(b.MoveNumber, 2);
    QTRY_VERIFY(!Busy(*window));
    QCOMPARE(b.MoveNumber, 3);
    Type(*window, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(b.MoveNumber, 1);

    // Without a window manager nothing activates the window again when a dialog closes.
    const auto backToWindow = [&] {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    };
    QCOMPARE(ModalTitleOf([&] { Type(*window, Qt::Key_O, Qt::ControlModifier); }),
             QStringLiteral("開く"));
    QVERIFY(backToWindow());
    QCOMPARE(ModalTitleOf([&] { Type(*window, Qt::Key_S, Qt::ControlModifier); }),
             QStringLiteral("新規保存"));
    QVERIFY(backToWindow());
    Type(*window, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(app.statisticsWindow() && app.statisticsWindow()->isModal());
    app.statisticsWindow()->close();
    QVERIFY(backToWindow());
    Type(*window, Qt::Key_F1);
    QPointer<RulesWindow> rules = window->findChild<RulesWindow*>();
    QVERIFY(rules && rules->isVisible());
    rules->close();

    QVERIFY(backToWindow());
    Type(*window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(window.isNull());
    QTRY_COMPARE(ended.count(), 1);
}

void MainWindowTest::button_shortcuts_press_their_buttons_only_where_a_click_could() {
    OrbelApp app;
    MainWindow* window = OpenRecord(app, RecordOf(9, {{32, 41}, {40, 41}, {33, 42}}));
    MenuItem(*window, "mnu_TwoPlayer")->trigger();
    const GameState& state = app.state();
    const BoardState& b = state.board;

    // Backward is hidden at the start: its keys do nothing.
    Type(*window, Qt::Key_PageUp);
    Type(*window, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(b.MoveNumber, 1);
    Type(*window, Qt::Key_PageDown);
    QTRY_VERIFY(!Busy(*window));
    QCOMPARE(b.MoveNumber, 2);
    Type(*window, Qt::Key_Right, Qt::ControlModifier);
    QTRY_VERIFY(!Busy(*window));
    QCOMPARE(b.MoveNumber, 3);
    QCOMPARE(PlacedMark(*window), 40);

    // A push waiting hides both; Undo's key takes the push back.
    Type(*window, Qt::Key_Up);
    Type(*window, Qt::Key_Return);
    Type(*window, Qt::Key_Down);
    QCOMPARE(state.Phase, TurnPhase::Pushed);
    Type(*window, Qt::Key_PageUp);
    Type(*window, Qt::Key_PageDown);
    QCOMPARE(state.Phase, TurnPhase::Pushed);
    QCOMPARE(b.MoveNumber, 3);
    Type(*window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(state.Phase, TurnPhase::ChoosingCell);

    Type(*window, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(b.MoveNumber, 2);
    Type(*window, Qt::Key_PageUp);
    QCOMPARE(b.MoveNumber, 1);
    QCOMPARE(PlacedMark(*window), 0);
    QCOMPARE(QApplication::focusWidget(), Board(*window));  // the keys leave the focus

    // Hint's key has the computer make the move.
    Type(*window, Qt::Key_H);
    QVERIFY(Busy(*window));
    QTRY_COMPARE_WITH_TIMEOUT(b.MoveNumber, 2, 10000);
    QCOMPARE(StandsMark(*window), int(state.history.Played[1].moved));
}

// A 7 x 7 game that Red won with its 24th move, replayed with Forward's key.
void MainWindowTest::marks_are_drawn_over_the_cells_until_a_new_game() {
    OrbelApp app;
    MainWindow* window =
        OpenRecord(app, RecordOf(7, {{26, 25}, {32, 25}, {32, 25}, {31, 24}, {26, 25}, {10, 17},
                                     {38, 31}, {22, 23}, {16, 17}, {20, 19}, {15, 16}, {9, 10},
                                     {5, 12},  {30, 23}, {5, 12},  {32, 33}, {2, 9},   {3, 10},
                                     {27, 34}, {4, 11},  {2, 9},   {4, 11},  {22, 23}, {48, 41}}));
    const BoardState& b = app.state().board;
    for (int move = 1; move <= 24; ++move) {
        Type(*window, Qt::Key_PageDown);
        QTRY_VERIFY(!Busy(*window));
        QCOMPARE(int(b.MoveNumber), move + 1);
    }
    QCOMPARE(Message(*window), QStringLiteral("Red Wins!"));
    // The marks are drawn once the last push has slid.
    QTRY_VERIFY(Board(*window)->property("moveMarksShown").toBool());
    const QList<int> line = WinningMarks(*window);
    QVERIFY(line.size() >= 5);
    for (const int cell : line) QCOMPARE(b.Board[cell], Red);
    QCOMPARE(PlacedMark(*window), 48);
    QCOMPARE(StandsMark(*window), 41);

    // Where the cell's own picture would be: gold on each winning cell's frame, the dark dot
    // in the middle of the placement cell.
    const auto pixel = [&](int cell, int x, int y) {
        const QImage picture = window->centralWidget()->grab().toImage();
        return QColor(
            picture.pixel(40 + 50 * ((cell - 1) % 7) + x, 20 + 50 * ((cell - 1) / 7) + y));
    };
    const auto gold = [](const QColor& c) {
        return c.red() > 200 && c.green() > 170 && c.blue() < 80;
    };
    for (const int cell : line)
        QVERIFY2(gold(pixel(cell, 3, 25)), qPrintable(QString::number(cell)));
    QVERIFY(pixel(48, 25, 25).lightness() < 60);
    QVERIFY(!gold(pixel(26, 3, 25)));

    // The game is over: Hint is disabled, and so is its key.
    QVERIFY(!Button(*window, "btn_Hint")->isEnabled());
    Type(*window, Qt::Key_H);
    QVERIFY(!Busy(*window));

    Type(*window, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(WinningMarks(*window).isEmpty());
    QCOMPARE(PlacedMark(*window), 0);
    for (const int cell : line) QVERIFY(!gold(pixel(cell, 3, 25)));
    QVERIFY(pixel(48, 25, 25).lightness() > 150);
}

// The person takes Red, so the computer must move Blue at once; its search waits at the gate
// on the computer's own thread, and the window goes on painting and ticking meanwhile.
void MainWindowTest::the_search_runs_off_the_window_thread_while_the_window_keeps_working() {
    OrbelApp app(GatedSearch);
    MainWindow* window = OpenGame(app, 5);
    QVERIFY(Click(Player(*window, 0)));
    QTRY_COMPARE(searchesStarted.load(), 1);
    QVERIFY(!searchedOnTheWindowThread);
    QCOMPARE(Message(*window), QStringLiteral("Thinking ..."));
    QVERIFY(CursorIsBusy(window));

    int paints = 0;
    QWidget* area = window->centralWidget();
    struct PaintCounter : QObject {
        int* paints;
        explicit PaintCounter(int* p) : paints(p) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++*paints;
            return false;
        }
    } counter(&paints);
    area->installEventFilter(&counter);
    QSignalSpy ticks(Control<QTimer>(*window, "tmr_Select"), &QTimer::timeout);
    area->update();
    QTRY_VERIFY(paints > 0);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 2000);
    area->removeEventFilter(&counter);

    gateOpen = true;
    QTRY_COMPARE_WITH_TIMEOUT(app.state().board.MoveNumber, 2, 5000);
    QTRY_VERIFY(!Busy(*window));
    QCOMPARE(OrbelsOnBoard(app.state().board), 2);
    QVERIFY(!CursorIsBusy(window));
    QCOMPARE(searchesStopped.load(), 0);
}

// Answers come from the computer's thread; the scheduler runs them on the window's, and not
// at all once it is gone.
void MainWindowTest::scheduler_runs_on_the_window_thread_and_dies_with_its_owner() {
    std::vector<QThread*> ranOn;
    QtScheduler scheduler;
    scheduler.After(0.02f, [&] { ranOn.push_back(QThread::currentThread()); });
    std::thread([&] { scheduler.Post([&] { ranOn.push_back(QThread::currentThread()); }); }).join();
    QVERIFY(ranOn.empty());
    QTRY_COMPARE(ranOn.size(), size_t{2});
    for (QThread* thread : ranOn) QCOMPARE(thread, QCoreApplication::instance()->thread());
    {
        QtScheduler gone;
        gone.After(0.01f, [&] { ranOn.push_back(nullptr); });
        std::thread([&] { gone.Post([&] { ranOn.push_back(nullptr); }); }).join();
    }
    QTest::qWait(100);
    QCOMPARE(ranOn.size(), size_t{2});
}

void MainWindowTest::commands_stop_a_search_at_once_and_no_late_move_is_played_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("New Game") << "mnu_NewGame";
    QTest::newRow("Change Game Size") << "mnu_GameSize";
    QTest::newRow("Exit") << "mnu_Exit";
    QTest::newRow("the window closed") << "";
}

// Load Game does the same once a record is read: see the record commands' tests.
void MainWindowTest::commands_stop_a_search_at_once_and_no_late_move_is_played() {
    QFETCH(QString, command);
    OrbelApp app(GatedSearch);
    QSignalSpy ended(&app, &OrbelApp::noWindowLeft);
    QPointer<MainWindow> window = OpenGame(app, 5);
    QVERIFY(Click(Player(*window, 0)));
    QTRY_COMPARE(searchesStarted.load(), 1);
    if (command.isEmpty())
        window->close();
    else
        MenuItem(*window, qPrintable(command))->trigger();
    QCOMPARE(searchesStopped.load(), 1);
    QVERIFY(!CursorIsBusy(window));
    gateOpen = true;
    QTest::qWait(300);
    QCOMPARE(app.state().board.MoveNumber, 1);
    QCOMPARE(OrbelsOnBoard(app.state().board), 1);
    QCOMPARE(searchesStarted.load(), 1);
    if (command == "mnu_NewGame") {
        QCOMPARE(app.mainWindow(), window.data());
        QCOMPARE(Message(*window), QStringLiteral("Select Red or Blue"));
    } else {
        QTRY_VERIFY(window.isNull());
        QCOMPARE(ended.count(), command == "mnu_GameSize" ? 0 : 1);
    }
}

void MainWindowTest::a_move_found_behind_the_rules_window_waits_for_it_to_close() {
    OrbelApp app(GatedSearch);
    MainWindow* window = OpenGame(app, 5);
    QVERIFY(Click(Player(*window, 0)));  // the computer plays Blue now
    QTRY_COMPARE(searchesStarted.load(), 1);
    MenuItem(*window, "mnu_Rules")->trigger();
    QPointer<RulesWindow> rules = window->findChild<RulesWindow*>();
    QVERIFY(rules && rules->isVisible() && rules->isModal());
    gateOpen = true;
    QTest::qWait(400);
    QCOMPARE(app.state().board.MoveNumber, 1);
    QCOMPARE(Message(*window), QStringLiteral("Thinking ..."));
    rules->close();
    QTRY_COMPARE(app.state().board.MoveNumber, 2);
    QVERIFY(!Busy(*window));
}

void MainWindowTest::the_program_ends_cleanly_with_the_rules_window_open() {
    QPointer<RulesWindow> rules;
    {
        OrbelApp app(GatedSearch);
        MainWindow* window = OpenGame(app, 5);
        QVERIFY(Click(Player(*window, 0)));
        QTRY_COMPARE(searchesStarted.load(), 1);
        MenuItem(*window, "mnu_Rules")->trigger();
        rules = window->findChild<RulesWindow*>();
        QVERIFY(rules && rules->isVisible());
    }
    QVERIFY(rules.isNull());
    QCOMPARE(searchesStopped.load(), 1);
    QVERIFY(!CursorIsBusy(nullptr));
}

// A replaced window is deleted only when the event loop next runs; by then the game may be
// gone with the program.
void MainWindowTest::the_program_ends_cleanly_right_after_a_window_was_replaced() {
    QPointer<MainWindow> replaced;
    {
        OrbelApp app;
        replaced = OpenGame(app, 5);
        app.StartGame(7);
        QVERIFY(replaced && !replaced->isVisible());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(replaced.isNull());
}

void MainWindowTest::program_starts_with_the_size_window_and_a_size_opens_the_game() {
    OrbelApp app;
    app.Start();
    QVERIFY(app.sizeDialog() && app.sizeDialog()->isVisible());
    QVERIFY(!app.mainWindow());
    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_2")));
    QVERIFY(app.mainWindow() && app.mainWindow()->isVisible());
    QTRY_VERIFY(!app.sizeDialog());
    QCOMPARE(app.state().board.BoardSize, 9);
    QCOMPARE(app.state().ComputerSideChoice, Red);
    QVERIFY(!CellButton(*app.mainWindow(), 80)->isHidden());
    QVERIFY(CellButton(*app.mainWindow(), 82)->isHidden());
}

void MainWindowTest::change_game_size_closes_about_and_game_and_reopens_for_new_size() {
    OrbelApp app;
    app.Start();
    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_0")));
    QPointer<MainWindow> first = app.mainWindow();
    MenuItem(*first, "mnu_About")->trigger();
    QVERIFY(app.aboutWindow() && app.aboutWindow()->isVisible());
    QVERIFY(first->isVisible());

    MenuItem(*first, "mnu_GameSize")->trigger();
    QTRY_VERIFY(first.isNull());
    QTRY_VERIFY(!app.aboutWindow());
    QVERIFY(app.sizeDialog() && app.sizeDialog()->isVisible());
    QVERIFY(app.sizeDialog()->isModal());

    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_6")));
    QVERIFY(app.mainWindow());
    QCOMPARE(app.state().board.BoardSize, 17);
    QCOMPARE(app.state().board.Board[145], Red);
    QVERIFY(!CellButton(*app.mainWindow(), 288)->isHidden());
}

void MainWindowTest::size_window_closed_without_choice_leaves_no_window() {
    OrbelApp app;
    QSignalSpy ended(&app, &OrbelApp::noWindowLeft);
    app.Start();
    app.sizeDialog()->close();
    QTRY_COMPARE(ended.count(), 1);
    QVERIFY(!app.mainWindow());
}

// Escape would leave the program without a window, so the size window ignores it, both at
// start and after "Change Game Size".
void MainWindowTest::escape_in_the_size_window_keeps_the_program_running() {
    OrbelApp app;
    QSignalSpy ended(&app, &OrbelApp::noWindowLeft);
    // True when the size window is still open after Escape and its aftermath.
    const auto escapeKeepsSizeWindow = [&app] {
        if (!QTest::qWaitForWindowExposed(app.sizeDialog())) return false;
        QWidget* focused = app.sizeDialog()->focusWidget();
        QTest::keyClick(focused ? focused : app.sizeDialog(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        return app.sizeDialog() && app.sizeDialog()->isVisible();
    };
    app.Start();
    QVERIFY(escapeKeepsSizeWindow());
    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_0")));
    QPointer<MainWindow> first = app.mainWindow();
    QVERIFY(first);

    MenuItem(*first, "mnu_GameSize")->trigger();
    QTRY_VERIFY(first.isNull());
    QVERIFY(escapeKeepsSizeWindow());
    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_1")));
    QVERIFY(app.mainWindow() && app.mainWindow()->isVisible());
    QCOMPARE(app.state().board.BoardSize, 7);
    QCoreApplication::processEvents();
    QCOMPARE(ended.count(), 0);

    MenuItem(*app.mainWindow(), "mnu_Exit")->trigger();
    QTRY_COMPARE(ended.count(), 1);
}

// A record opens in a window of its own size with its colours and Forward offered; a size
// chosen afterwards starts afresh.
void MainWindowTest::a_read_record_opens_at_its_size_and_a_size_choice_drops_it() {
    OrbelApp app;
    QSignalSpy ended(&app, &OrbelApp::noWindowLeft);
    app.Start();
    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_1")));
    QPointer<MainWindow> first = app.mainWindow();
    MainWindow* second = app.OpenRecord(RecordOf(11, {{50, 61}}, Blue));
    QTRY_VERIFY(first.isNull());
    QCOMPARE(app.mainWindow(), second);
    QCOMPARE(app.state().board.BoardSize, 11);
    QCOMPARE(app.state().ComputerSide, Blue);
    QVERIFY(!CellButton(*second, 120)->isHidden());
    QVERIFY(CellButton(*second, 122)->isHidden());
    QVERIFY(Button(*second, "btn_Forward")->isVisible());

    MenuItem(*second, "mnu_GameSize")->trigger();
    QVERIFY(Click(Button(*app.sizeDialog(), "btn_GameSize_1")));
    QCOMPARE(app.state().history.Record.count(), 0);
    QCOMPARE(app.state().ComputerSideChoice, Red);
    QVERIFY(!Button(*app.mainWindow(), "btn_Forward")->isVisible());
    QCOMPARE(ended.count(), 0);

    MenuItem(*app.mainWindow(), "mnu_Exit")->trigger();
    QTRY_COMPARE(ended.count(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "main_window-test.moc"
