// The main window driven through its own controls, with the real controller and computer,
// and the program's order of windows.
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
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/orbel_app.h"
#include "computer/search.h"
#include "dialogs/rules_window.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"

using namespace orbel;

namespace {

// A search held at a gate until the test opens it, or until it is told to stop.
std::atomic<bool> gateOpen{false};
std::atomic<int> searchesStarted{0};
std::atomic<int> searchesStopped{0};

bool GatedSearch(BoardState& b, SearchTables& t, SearchRun& run) {
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

void CloseGate() {
    gateOpen = false;
    searchesStarted = 0;
    searchesStopped = 0;
}

template <class T>
T* Control(const QWidget& window, const QString& name) {
    T* control = window.findChild<T*>(name);
    if (!control) qFatal("no control %s", qPrintable(name));
    return control;
}

QPushButton* CellButton(const QWidget& w, int cell) {
    return Control<QPushButton>(w, QStringLiteral("btn_Board_%1").arg(cell));
}
QLabel* CellImage(const QWidget& w, int cell) {
    return Control<QLabel>(w, QStringLiteral("img_Board_%1").arg(cell));
}
QLabel* Arrow(const QWidget& w, int index) {
    return Control<QLabel>(w, QStringLiteral("img_dir_%1").arg(index));
}
QLabel* Player(const QWidget& w, int index) {
    return Control<QLabel>(w, QStringLiteral("img_Player_%1").arg(index));
}
QWidget* Ring(const QWidget& w, int index) {
    return Control<QWidget>(w, QStringLiteral("shp_Circle_%1").arg(index));
}
QString Message(const QWidget& w) {
    return Control<QLabel>(w, "lbl_Message")->text();
}
QAction* MenuItem(const QWidget& w, const char* name) {
    return Control<QAction>(w, name);
}

std::unique_ptr<MainWindow> OpenWindow(GameState& state, int n,
                                       RootSearch search = SearchRootValues) {
    state.board.BoardSize = static_cast<int16_t>(n);
    state.ComputerSideChoice = Red;
    auto window = std::make_unique<MainWindow>(state, search);
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("window not shown");
    return window;
}

int OrbelsOnBoard(const BoardState& b) {
    int count = 0;
    for (int c = 1; c <= b.CellCount(); ++c) count += b.Board[c] != Empty;
    return count;
}

bool CursorIsBusy() {
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// Counts the paints of one widget.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

struct Move {
    int cell;
    int direction;
};

QWidget* Board(const QWidget& w) {
    return Control<QWidget>(w, "shp_BoardMarks");
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

// A placement and an offered push that the outer ring refuses; cell 0 when there is none.
Move SomeRefusedPush(const BoardState& position) {
    for (int cell = 1; cell <= position.CellCount(); ++cell) {
        if (position.Board[cell] != Empty || !HasOccupiedNeighbour(position, cell)) continue;
        const OfferedDirections offered = DirectionsOffered(position, cell);
        for (int i = 0; i < offered.count; ++i) {
            BoardState b = position;
            b.SelectedCell = static_cast<int16_t>(cell);
            b.Board[cell] = b.SideToMove;
            if (!RunPush(b, offered.direction[i], RingRule::Check, Placed::MovesOn))
                return {cell, offered.direction[i]};
        }
    }
    return {0, 0};
}

GameRecord RecordOf(int n, std::initializer_list<std::pair<int, int>> moves) {
    GameRecord record;
    record.BoardSize = static_cast<int16_t>(n);
    record.ComputerSideChoice = Red;
    for (auto [placed, moved] : moves) {
        ++record.RecordCount;
        record.RecordPlaced[record.RecordCount] = static_cast<int16_t>(placed);
        record.RecordMoved[record.RecordCount] = static_cast<int16_t>(moved);
    }
    return record;
}

std::unique_ptr<MainWindow> OpenRecord(GameState& state, const GameRecord& record) {
    state.board.BoardSize = record.BoardSize;
    auto window = std::make_unique<MainWindow>(state);
    window->Form_Load(&record);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("window not active");
    return window;
}

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

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { CloseGate(); }

    void layout_follows_board_size_data();
    void layout_follows_board_size();
    void window_is_grey_fixed_and_named();
    void window_opens_with_its_title_and_menus_on_the_screen();
    void cells_off_the_board_are_hidden();
    void menus_have_their_items_in_order();
    void level_check_mark_moves_with_the_level();
    void start_shows_centre_orbel_message_and_blue_ring();
    void three_clicks_make_a_move_on_five_by_five();
    void full_game_against_the_computer_through_the_controls();
    void window_keeps_working_while_the_computer_thinks();
    void new_game_stops_the_search_and_no_late_move_is_played();
    void exit_while_the_computer_thinks_closes_cleanly();
    void a_move_found_behind_the_rules_window_waits_for_it_to_close();
    void the_program_ends_cleanly_with_the_rules_window_open();

    void keyboard_alone_plays_a_whole_game_against_easy();
    void the_focus_cell_never_leaves_the_board();
    void tab_runs_board_undo_hint_backward_forward();
    void menu_shortcuts_stand_beside_the_captions_and_trigger_their_items();
    void button_shortcuts_press_their_buttons_only_where_a_click_could();
    void marks_are_drawn_over_the_cells_until_a_new_game();

    void computer_delivers_on_the_window_thread_and_never_after_cancel();
    void scheduler_runs_on_the_window_thread_and_dies_with_its_owner();

    void program_starts_with_the_size_window_and_a_size_opens_the_game();
    void change_game_size_closes_about_and_game_and_reopens_for_new_size();
    void size_window_closed_without_choice_leaves_no_window();
    void escape_in_the_size_window_keeps_the_program_running();
    void reopening_keeps_the_record_while_a_size_choice_drops_it();
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
    GameState state;
    auto window = OpenWindow(state, n);
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

void MainWindowTest::window_is_grey_fixed_and_named() {
    GameState state;
    auto window = OpenWindow(state, 9);
    QCOMPARE(window->objectName(), QStringLiteral("frm_Orbel"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Orbel Five"));
    QCOMPARE(window->centralWidget()->size(), QSize(1077, 761));
    QCOMPARE(window->minimumSize(), window->maximumSize());
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
        QCOMPARE(Control<QPushButton>(*window, button.name)->text(), QString(button.caption));
        QCOMPARE(Control<QPushButton>(*window, button.name)->geometry(), button.place);
    }
    QCOMPARE(Control<QLabel>(*window, "img_Title")->geometry(), QRect(770, 600, 181, 35));
    QVERIFY(Control<QTimer>(*window, "tmr_Select")->isActive());
    QCOMPARE(Control<QTimer>(*window, "tmr_Select")->interval(), 300);
    QCOMPARE(CellButton(*window, 41)->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(CellButton(*window, 41)->focusPolicy(), Qt::NoFocus);
    QVERIFY(CellButton(*window, 41)->text().isEmpty());
}

// Wider than the test screen (and taller at 1.5 times on 1920 x 1080): centring it would put
// its title and menus off the top-left of the screen.
void MainWindowTest::window_opens_with_its_title_and_menus_on_the_screen() {
    GameState state;
    const auto window = OpenWindow(state, 17);
    const QRect available = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    QVERIFY(available.contains(frame.topLeft()));
    QVERIFY(available.contains(window->menuBar()->mapToGlobal(QPoint(0, 0))));
    // The frame is known only once shown, so it may shift a centred window by its thickness.
    const QSize thickness = frame.size() - window->size();
    if (frame.width() > available.width())
        QCOMPARE(frame.left(), available.left());
    else
        QVERIFY(qAbs(frame.center().x() - available.center().x()) <= thickness.width());
    if (frame.height() > available.height())
        QCOMPARE(frame.top(), available.top());
    else
        QVERIFY(qAbs(frame.center().y() - available.center().y()) <= thickness.height());
}

void MainWindowTest::cells_off_the_board_are_hidden() {
    for (const int n : {5, 17}) {
        GameState state;
        auto window = OpenWindow(state, n);
        for (const int corner : {1, n, n * n - n + 1, n * n}) {
            QVERIFY(CellButton(*window, corner)->isHidden());
            QVERIFY(CellImage(*window, corner)->isHidden());
        }
        QVERIFY(!CellButton(*window, 2)->isHidden());
        QVERIFY(!CellButton(*window, n * n - 1)->isHidden());
        for (int cell = n * n + 1; cell <= 289; ++cell) {
            QVERIFY(CellButton(*window, cell)->isHidden());
            QVERIFY(!CellButton(*window, cell)->isEnabled());
            QVERIFY(CellImage(*window, cell)->isHidden());
        }
    }
}

void MainWindowTest::menus_have_their_items_in_order() {
    GameState state;
    auto window = OpenWindow(state, 9);
    const QList<QAction*> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    const QStringList titles = {"&Options", "&Level", "&Help"};
    const QList<QStringList> items = {
        {"&New Game", "&Load Game", "&Save Game", "-", "&Change Game Size", "-", "E&xit"},
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
                QCOMPARE(actions[i]->isCheckable(), m == 1);
            }
        }
    }
}

void MainWindowTest::level_check_mark_moves_with_the_level() {
    GameState state;
    auto window = OpenWindow(state, 9);
    const QList<QAction*> levels = window->menuBar()->actions()[1]->menu()->actions();
    const auto checked = [&] {
        QStringList on;
        for (const QAction* item : levels)
            if (item->isChecked()) on << item->text();
        return on;
    };
    QCOMPARE(checked(), QStringList{"&Easy"});
    QCOMPARE(state.SearchLevel, 1);
    MenuItem(*window, "mnu_Master")->trigger();
    QCOMPARE(checked(), QStringList{"Ma&ster"});
    QCOMPARE(state.SearchLevel, 6);
    MenuItem(*window, "mnu_TwoPlayer")->trigger();
    QCOMPARE(checked(), QStringList{"&Two Player"});
    QCOMPARE(state.SearchLevel, 0);
    MenuItem(*window, "mnu_God")->trigger();
    QCOMPARE(checked(), QStringList{"G&od"});
    QCOMPARE(state.SearchLevel, 11);
}

void MainWindowTest::start_shows_centre_orbel_message_and_blue_ring() {
    GameState state;
    auto window = OpenWindow(state, 9);
    QVERIFY(CellButton(*window, 41)->isHidden());
    QVERIFY(CellImage(*window, 41)->isVisible());
    QCOMPARE(CellImage(*window, 41)->pixmap().cacheKey(), Player(*window, 0)->pixmap().cacheKey());
    QCOMPARE(Message(*window), QStringLiteral("Select Red or Blue"));
    QVERIFY(Ring(*window, 1)->isVisible());
    QVERIFY(!Ring(*window, 0)->isVisible());
    for (const int arrow : {2, 4, 6, 8}) QVERIFY(!Arrow(*window, arrow)->isVisible());
    QVERIFY(Arrow(*window, 0)->isVisible());
    QVERIFY(!Control<QPushButton>(*window, "btn_Backward")->isVisible());
    QVERIFY(!Control<QPushButton>(*window, "btn_Forward")->isVisible());
    QVERIFY(Control<QPushButton>(*window, "btn_Undo")->isEnabled());
    QVERIFY(Control<QPushButton>(*window, "btn_Hint")->isEnabled());
    QVERIFY(!CursorIsBusy());
}

// Cell 8, the down arrow, the centre: Red goes to 18, Blue to 13, and the computer answers.
void MainWindowTest::three_clicks_make_a_move_on_five_by_five() {
    GameState state;
    auto window = OpenWindow(state, 5);
    QTest::mouseClick(CellButton(*window, 8), Qt::LeftButton);
    QVERIFY(Arrow(*window, 2)->isVisible());
    for (const int arrow : {4, 6, 8}) QVERIFY(!Arrow(*window, arrow)->isVisible());
    QVERIFY(CellButton(*window, 8)->isHidden());
    QCOMPARE(CellImage(*window, 8)->pixmap().cacheKey(), Player(*window, 1)->pixmap().cacheKey());
    QCOMPARE(state.board.Board[8], Empty);
    // The chosen cell flashes.
    const bool shown = CellImage(*window, 8)->isVisible();
    QTRY_VERIFY_WITH_TIMEOUT(CellImage(*window, 8)->isVisible() != shown, 2000);

    QTest::mouseClick(Arrow(*window, 2), Qt::LeftButton);
    QCOMPARE(state.board.Board[13], Blue);
    QCOMPARE(state.board.Board[18], Red);
    QVERIFY(!CellButton(*window, 8)->isHidden());
    QVERIFY(CellButton(*window, 18)->isHidden());

    QTest::mouseClick(Arrow(*window, 0), Qt::LeftButton);
    QCOMPARE(state.history.HistoryPlaced[1], 8);
    QCOMPARE(state.history.HistoryMoved[1], 13);
    QVERIFY(Control<QPushButton>(*window, "btn_Backward")->isVisible());
    // The computer plays Red at Easy.
    QTRY_COMPARE_WITH_TIMEOUT(state.board.MoveNumber, 3, 5000);
    QCOMPARE(OrbelsOnBoard(state.board), 3);
    QVERIFY(Ring(*window, 1)->isVisible());
    QVERIFY(!CursorIsBusy());
}

// Every turn of the person goes through the cell, arrow and centre controls; the computer
// answers at Easy until the game ends.
void MainWindowTest::full_game_against_the_computer_through_the_controls() {
    GameState state;
    auto window = OpenWindow(state, 7);
    const BoardState& b = state.board;
    for (int turn = 0; turn < 40 && !state.GameOver; ++turn) {
        QCOMPARE(b.SideToMove, Blue);
        const Move move = SomeLegalMove(b);
        QVERIFY(move.cell > 0);
        const int before = OrbelsOnBoard(b);
        QVERIFY(CellButton(*window, move.cell)->isVisible());
        QTest::mouseClick(CellButton(*window, move.cell), Qt::LeftButton);
        QVERIFY(Arrow(*window, move.direction)->isVisible());
        QTest::mouseClick(Arrow(*window, move.direction), Qt::LeftButton);
        QCOMPARE(b.Board[move.cell + StepOf(b.BoardSize, move.direction)], Blue);
        QTest::mouseClick(Arrow(*window, 0), Qt::LeftButton);
        QCOMPARE(OrbelsOnBoard(b), before + 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            state.GameOver || (b.SideToMove == Blue && !window->controller().ComputerBusy()),
            10000);
        if (!state.GameOver) QCOMPARE(OrbelsOnBoard(b), before + 2);
    }
    QVERIFY(state.GameOver);
    QVERIFY(Message(*window).contains(QStringLiteral("Win")) ||
            Message(*window) == QStringLiteral("A Tie!"));
    QVERIFY(!Control<QPushButton>(*window, "btn_Undo")->isEnabled());
    QVERIFY(!Control<QPushButton>(*window, "btn_Hint")->isEnabled());
    // What the window shows is the board.
    const int n = b.BoardSize;
    for (int c = 1; c <= n * n; ++c) {
        if (c == 1 || c == n || c == n * n - n + 1 || c == n * n) continue;
        QCOMPARE(CellButton(*window, c)->isHidden(), b.Board[c] != Empty);
        if (b.Board[c] != Empty) {
            QVERIFY(CellImage(*window, c)->isVisible());
            QCOMPARE(CellImage(*window, c)->pixmap().cacheKey(),
                     Player(*window, (b.Board[c] + 1) / 2)->pixmap().cacheKey());
        }
    }
    QVERIFY(!CursorIsBusy());
}

// The person takes Red, so the computer must move Blue at once; its search waits at the gate.
void MainWindowTest::window_keeps_working_while_the_computer_thinks() {
    GameState state;
    auto window = OpenWindow(state, 5, GatedSearch);
    QTest::mouseClick(Player(*window, 0), Qt::LeftButton);
    QTRY_COMPARE(searchesStarted.load(), 1);
    QCOMPARE(Message(*window), QStringLiteral("Thinking ..."));
    QVERIFY(CursorIsBusy());

    PaintCounter counter;
    window->centralWidget()->installEventFilter(&counter);
    QSignalSpy ticks(Control<QTimer>(*window, "tmr_Select"), &QTimer::timeout);
    window->centralWidget()->update();
    QTRY_VERIFY(counter.paints > 0);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 2000);
    window->centralWidget()->removeEventFilter(&counter);

    // Moves wait until the computer has moved.
    QTest::mouseClick(CellButton(*window, 8), Qt::LeftButton);
    QVERIFY(!state.PlacementPending);
    QVERIFY(!Arrow(*window, 2)->isVisible());

    gateOpen = true;
    QTRY_COMPARE_WITH_TIMEOUT(state.board.MoveNumber, 2, 5000);
    QTRY_VERIFY(!window->controller().ComputerBusy());
    QCOMPARE(OrbelsOnBoard(state.board), 2);
    QCOMPARE(state.board.SideToMove, Red);
    QVERIFY(!CursorIsBusy());
    QCOMPARE(searchesStopped.load(), 0);
}

void MainWindowTest::new_game_stops_the_search_and_no_late_move_is_played() {
    GameState state;
    auto window = OpenWindow(state, 5, GatedSearch);
    QTest::mouseClick(Player(*window, 0), Qt::LeftButton);
    QTRY_COMPARE(searchesStarted.load(), 1);
    MenuItem(*window, "mnu_NewGame")->trigger();
    QCOMPARE(searchesStopped.load(), 1);
    QVERIFY(!CursorIsBusy());
    gateOpen = true;
    QTest::qWait(400);
    QCOMPARE(state.board.MoveNumber, 1);
    QCOMPARE(OrbelsOnBoard(state.board), 1);
    QCOMPARE(state.board.Board[13], Red);
    QCOMPARE(Message(*window), QStringLiteral("Select Red or Blue"));
    QCOMPARE(searchesStarted.load(), 1);
}

void MainWindowTest::exit_while_the_computer_thinks_closes_cleanly() {
    GameState state;
    QPointer<MainWindow> window = OpenWindow(state, 5, GatedSearch).release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    QTest::mouseClick(Player(*window, 0), Qt::LeftButton);
    QTRY_COMPARE(searchesStarted.load(), 1);
    MenuItem(*window, "mnu_Exit")->trigger();
    QCOMPARE(searchesStopped.load(), 1);
    QTRY_VERIFY(window.isNull());
    QVERIFY(!CursorIsBusy());
    QCOMPARE(state.board.MoveNumber, 1);
}

void MainWindowTest::a_move_found_behind_the_rules_window_waits_for_it_to_close() {
    OrbelApp app(GatedSearch);
    MainWindow* window = app.ReopenMainWindow(5);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(Player(*window, 0), Qt::LeftButton);  // the computer plays Blue now
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
    QVERIFY(!window->controller().ComputerBusy());
}

// Every turn: the focus cell to the placement, Enter, the arrow key of the push, Enter. On
// the way, one refused push and one push taken back with Escape.
void MainWindowTest::keyboard_alone_plays_a_whole_game_against_easy() {
    GameState state;
    auto window = OpenWindow(state, 7);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(QApplication::focusWidget(), Board(*window));
    const BoardState& b = state.board;
    const int n = b.BoardSize;
    QCOMPARE(FocusCell(*window), 25);
    bool refused = false;
    bool undone = false;
    for (int turn = 0; turn < 40 && !state.GameOver; ++turn) {
        QCOMPARE(b.SideToMove, Blue);
        const Move refusal = SomeRefusedPush(b);
        if (!refused && refusal.cell > 0) {
            FocusOn(*window, n, refusal.cell);
            QCOMPARE(FocusCell(*window), refusal.cell);
            Type(*window, Qt::Key_Return);
            QVERIFY(state.PlacementPending);
            Type(*window, ArrowKey(refusal.direction));
            QCOMPARE(Message(*window), QStringLiteral("You Cant't Push Out"));
            QVERIFY(state.PlacementPending);
            QCOMPARE(state.PushDone, 0);
            Type(*window, Qt::Key_Escape);  // the arrow keys move the focus cell again
            refused = true;
        }
        const Move move = SomeLegalMove(b);
        QVERIFY(move.cell > 0);
        const int before = OrbelsOnBoard(b);
        const BoardState board = b;
        FocusOn(*window, n, move.cell);
        QCOMPARE(FocusCell(*window), move.cell);
        Type(*window, Qt::Key_Space);
        QVERIFY(Arrow(*window, move.direction)->isVisible());
        Type(*window, ArrowKey(move.direction));
        QCOMPARE(b.Board[move.cell + StepOf(n, move.direction)], Blue);
        QCOMPARE(state.PushDone, 1);
        if (!undone) {
            Type(*window, Qt::Key_Escape);
            QCOMPARE(state.PushDone, 0);
            QCOMPARE(OrbelsOnBoard(b), before);
            QVERIFY(std::equal(b.Board, b.Board + kBoardEntries, board.Board));
            undone = true;
            Type(*window, Qt::Key_Enter);
            Type(*window, ArrowKey(move.direction));
        }
        Type(*window, Qt::Key_Return);
        QCOMPARE(OrbelsOnBoard(b), before + 1);
        QCOMPARE(PlacedMark(*window), move.cell);
        QCOMPARE(StandsMark(*window), move.cell + StepOf(n, move.direction));
        QTRY_VERIFY_WITH_TIMEOUT(
            state.GameOver || (b.SideToMove == Blue && !window->controller().ComputerBusy()),
            10000);
        const int last = b.MoveNumber - 1;
        QCOMPARE(PlacedMark(*window), int(state.history.HistoryPlaced[last]));
        QCOMPARE(StandsMark(*window), int(state.history.HistoryMoved[last]));
    }
    QVERIFY(state.GameOver);
    QVERIFY(refused);
    QVERIFY(undone);
    const bool line = Message(*window).endsWith(QStringLiteral("Wins!")) &&
                      !Message(*window).contains(QStringLiteral("Cannot"));
    QCOMPARE(!WinningMarks(*window).isEmpty(), line || Message(*window) == "A Tie!");
    QCOMPARE(QApplication::focusWidget(), Board(*window));
}

void MainWindowTest::the_focus_cell_never_leaves_the_board() {
    for (const int n : {5, 9}) {
        GameState state;
        auto window = OpenWindow(state, n);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Left,  Qt::Key_Down, Qt::Key_Right,
                                Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_Down};
        for (const Qt::Key key : keys) {
            for (int i = 0; i <= n; ++i) {
                Type(*window, key);
                const int cell = FocusCell(*window);
                QVERIFY(cell >= 1 && cell <= n * n);
                QVERIFY(cell != 1 && cell != n && cell != n * n - n + 1 && cell != n * n);
            }
        }
        QCOMPARE(FocusCell(*window), n * n - n + 2);  // down the second column to the edge
        QCOMPARE(state.board.MoveNumber, 1);
    }
}

void MainWindowTest::tab_runs_board_undo_hint_backward_forward() {
    GameState state;
    auto window = OpenRecord(state, RecordOf(9, {{32, 41}, {40, 41}, {33, 42}}));
    QTest::mouseClick(Control<QPushButton>(*window, "btn_Forward"), Qt::LeftButton);
    QTRY_VERIFY(!window->controller().ComputerBusy());
    QVERIFY(Control<QPushButton>(*window, "btn_Backward")->isVisible());
    QVERIFY(Control<QPushButton>(*window, "btn_Forward")->isVisible());
    Board(*window)->setFocus();
    const QList<QWidget*> order = {Control<QWidget>(*window, "btn_Undo"),
                                   Control<QWidget>(*window, "btn_Hint"),
                                   Control<QWidget>(*window, "btn_Backward"),
                                   Control<QWidget>(*window, "btn_Forward"), Board(*window)};
    for (QWidget* next : order) {
        Type(*window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void MainWindowTest::menu_shortcuts_stand_beside_the_captions_and_trigger_their_items() {
    GameState state;
    QPointer<MainWindow> window = OpenWindow(state, 7).release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    QVERIFY(QTest::qWaitForWindowActive(window));
    const struct {
        const char* item;
        QKeySequence keys;
    } items[] = {{"mnu_NewGame", QKeySequence(Qt::CTRL | Qt::Key_N)},
                 {"mnuFileItem_1", QKeySequence(Qt::CTRL | Qt::Key_O)},
                 {"mnuFileItem_2", QKeySequence(Qt::CTRL | Qt::Key_S)},
                 {"mnu_Exit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
                 {"mnu_Rules", QKeySequence(Qt::Key_F1)}};
    for (const auto& item : items) QCOMPARE(MenuItem(*window, item.item)->shortcut(), item.keys);

    QSignalSpy loads(window.data(), &MainWindow::loadGameRequested);
    QSignalSpy saves(window.data(), &MainWindow::saveGameRequested);
    QSignalSpy rules(window.data(), &MainWindow::rulesRequested);
    Type(*window, Qt::Key_O, Qt::ControlModifier);
    Type(*window, Qt::Key_S, Qt::ControlModifier);
    Type(*window, Qt::Key_F1);
    QCOMPARE(loads.count(), 1);
    QCOMPARE(saves.count(), 1);
    QCOMPARE(rules.count(), 1);

    Type(*window, Qt::Key_Up);
    Type(*window, Qt::Key_Return);
    Type(*window, Qt::Key_Down);
    Type(*window, Qt::Key_Return);
    QCOMPARE(state.board.MoveNumber, 2);
    QTRY_VERIFY(!window->controller().ComputerBusy());
    Type(*window, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(state.board.MoveNumber, 1);
    QCOMPARE(OrbelsOnBoard(state.board), 1);
    QCOMPARE(Message(*window), QStringLiteral("Select Red or Blue"));

    Type(*window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(window.isNull());
}

void MainWindowTest::button_shortcuts_press_their_buttons_only_where_a_click_could() {
    GameState state;
    auto window = OpenRecord(state, RecordOf(9, {{32, 41}, {40, 41}, {33, 42}}));
    window->controller().SelectLevel(0);
    const BoardState& b = state.board;

    // Backward and Forward are hidden at the start: their keys do nothing.
    Type(*window, Qt::Key_PageUp);
    Type(*window, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(b.MoveNumber, 1);
    Type(*window, Qt::Key_PageDown);
    QTRY_VERIFY(!window->controller().ComputerBusy());
    QCOMPARE(b.MoveNumber, 2);
    Type(*window, Qt::Key_Right, Qt::ControlModifier);
    QTRY_VERIFY(!window->controller().ComputerBusy());
    QCOMPARE(b.MoveNumber, 3);
    QCOMPARE(PlacedMark(*window), 40);
    Type(*window, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(b.MoveNumber, 2);
    Type(*window, Qt::Key_PageUp);
    QCOMPARE(b.MoveNumber, 1);
    QCOMPARE(PlacedMark(*window), 0);
    QCOMPARE(QApplication::focusWidget(), Board(*window));  // the keys leave the focus

    // Undo takes a push back; Hint makes a move, but not while Hint is disabled.
    Type(*window, Qt::Key_Up);
    Type(*window, Qt::Key_Return);
    Type(*window, Qt::Key_Down);
    QCOMPARE(state.PushDone, 1);
    Type(*window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(state.PushDone, 0);
    QCOMPARE(OrbelsOnBoard(b), 1);
    window->SetHintEnabled(false);
    Type(*window, Qt::Key_H);
    QVERIFY(!window->controller().ComputerBusy());
    window->SetHintEnabled(true);
    Type(*window, Qt::Key_H);
    QVERIFY(window->controller().ComputerBusy());
    QTRY_COMPARE_WITH_TIMEOUT(b.MoveNumber, 2, 10000);
    QCOMPARE(StandsMark(*window), int(state.history.HistoryMoved[1]));
}

// A 7 x 7 game that Red won with its 24th move, replayed with Forward's key.
void MainWindowTest::marks_are_drawn_over_the_cells_until_a_new_game() {
    GameState state;
    auto window = OpenRecord(
        state, RecordOf(7, {{26, 25}, {32, 25}, {32, 25}, {31, 24}, {26, 25}, {10, 17},
                            {38, 31}, {22, 23}, {16, 17}, {20, 19}, {15, 16}, {9, 10},
                            {5, 12},  {30, 23}, {5, 12},  {32, 33}, {2, 9},   {3, 10},
                            {27, 34}, {4, 11},  {2, 9},   {4, 11},  {22, 23}, {48, 41}}));
    const BoardState& b = state.board;
    for (int move = 1; move <= 24; ++move) {
        Type(*window, Qt::Key_PageDown);
        QTRY_VERIFY(!window->controller().ComputerBusy());
        QCOMPARE(int(b.MoveNumber), move + 1);
    }
    QCOMPARE(Message(*window), QStringLiteral("Red Wins!"));
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

    Type(*window, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(WinningMarks(*window).isEmpty());
    QCOMPARE(PlacedMark(*window), 0);
    for (const int cell : line) QVERIFY(!gold(pixel(cell, 3, 25)));
    QVERIFY(pixel(48, 25, 25).lightness() > 150);
}

void MainWindowTest::the_program_ends_cleanly_with_the_rules_window_open() {
    QPointer<RulesWindow> rules;
    {
        OrbelApp app(GatedSearch);
        MainWindow* window = app.ReopenMainWindow(5);
        QTest::mouseClick(Player(*window, 0), Qt::LeftButton);
        QTRY_COMPARE(searchesStarted.load(), 1);
        MenuItem(*window, "mnu_Rules")->trigger();
        rules = window->findChild<RulesWindow*>();
        QVERIFY(rules && rules->isVisible());
    }
    QVERIFY(rules.isNull());
    QCOMPARE(searchesStopped.load(), 1);
}

void MainWindowTest::computer_delivers_on_the_window_thread_and_never_after_cancel() {
    BoardState position;
    StartPosition(position, 5);
    int deliveries = 0;
    BestMoves received;
    {
        QtComputerPlayer computer;
        computer.Start(position, 2, [&](const BestMoves& best) {
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            received = best;
            ++deliveries;
        });
        QTRY_COMPARE(deliveries, 1);
    }
    // Blue's first move on 5 x 5 places beside the centre orbel, pushing it one step.
    QVERIFY(received.count >= 1);
    for (int i = 0; i < received.count; ++i) {
        const int cell = received.codes[i] / 5;
        QVERIFY(cell == 8 || cell == 12 || cell == 14 || cell == 18);
    }

    QtComputerPlayer gated(GatedSearch);
    gated.Start(position, 1, [&](const BestMoves&) { ++deliveries; });
    QTRY_COMPARE(searchesStarted.load(), 1);
    gated.Cancel();
    QCOMPARE(searchesStopped.load(), 1);
    gateOpen = true;
    QTest::qWait(200);
    QCOMPARE(deliveries, 1);

    // The player searches again after a cancelled search, and its destructor stops a search.
    gated.Start(position, 1, [&](const BestMoves&) { ++deliveries; });
    QTRY_COMPARE(deliveries, 2);
    gateOpen = false;
    {
        QtComputerPlayer leaving(GatedSearch);
        leaving.Start(position, 1, [&](const BestMoves&) { ++deliveries; });
        QTRY_COMPARE(searchesStarted.load(), 3);
    }
    QCOMPARE(searchesStopped.load(), 2);
    QTest::qWait(50);
    QCOMPARE(deliveries, 2);
}

void MainWindowTest::scheduler_runs_on_the_window_thread_and_dies_with_its_owner() {
    int runs = 0;
    QtScheduler scheduler;
    scheduler.After(0.02f, [&] {
        QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
        ++runs;
    });
    QCOMPARE(runs, 0);
    QTRY_COMPARE(runs, 1);
    {
        QtScheduler gone;
        gone.After(0.01f, [&] { ++runs; });
    }
    QTest::qWait(100);
    QCOMPARE(runs, 1);
}

void MainWindowTest::program_starts_with_the_size_window_and_a_size_opens_the_game() {
    OrbelApp app;
    app.Start();
    QVERIFY(app.sizeDialog() && app.sizeDialog()->isVisible());
    QVERIFY(!app.mainWindow());
    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_2"), Qt::LeftButton);
    QVERIFY(app.mainWindow() && app.mainWindow()->isVisible());
    QTRY_VERIFY(!app.sizeDialog());
    QCOMPARE(app.state().board.BoardSize, 9);
    QCOMPARE(app.state().board.Board[41], Red);
    QCOMPARE(app.state().ComputerSideChoice, Red);
    QCOMPARE(Message(*app.mainWindow()), QStringLiteral("Select Red or Blue"));
    QVERIFY(!CellButton(*app.mainWindow(), 80)->isHidden());
    QVERIFY(CellButton(*app.mainWindow(), 82)->isHidden());
}

void MainWindowTest::change_game_size_closes_about_and_game_and_reopens_for_new_size() {
    OrbelApp app;
    app.Start();
    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_0"), Qt::LeftButton);
    QPointer<MainWindow> first = app.mainWindow();
    MenuItem(*first, "mnu_About")->trigger();
    QVERIFY(app.aboutWindow() && app.aboutWindow()->isVisible());
    QVERIFY(first->isVisible());

    MenuItem(*first, "mnu_GameSize")->trigger();
    QTRY_VERIFY(first.isNull());
    QTRY_VERIFY(!app.aboutWindow());
    QVERIFY(app.sizeDialog() && app.sizeDialog()->isVisible());
    QVERIFY(app.sizeDialog()->isModal());
    QVERIFY(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_6")->isVisible());

    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_6"), Qt::LeftButton);
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
    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_0"), Qt::LeftButton);
    QPointer<MainWindow> first = app.mainWindow();
    QVERIFY(first);

    MenuItem(*first, "mnu_GameSize")->trigger();
    QTRY_VERIFY(first.isNull());
    QVERIFY(escapeKeepsSizeWindow());
    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_1"), Qt::LeftButton);
    QVERIFY(app.mainWindow() && app.mainWindow()->isVisible());
    QCOMPARE(app.state().board.BoardSize, 7);
    QCoreApplication::processEvents();
    QCOMPARE(ended.count(), 0);

    MenuItem(*app.mainWindow(), "mnu_Exit")->trigger();
    QTRY_COMPARE(ended.count(), 1);
}

// Reading a record reopens the window as it stands; a size choice starts afresh.
void MainWindowTest::reopening_keeps_the_record_while_a_size_choice_drops_it() {
    OrbelApp app;
    QSignalSpy ended(&app, &OrbelApp::noWindowLeft);
    app.Start();
    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_1"), Qt::LeftButton);
    app.state().history.RecordCount = 3;
    app.state().ComputerSideChoice = Blue;
    QPointer<MainWindow> first = app.mainWindow();
    MainWindow* second = app.ReopenMainWindow(11);
    QTRY_VERIFY(first.isNull());
    QCOMPARE(app.mainWindow(), second);
    QCOMPARE(app.state().board.BoardSize, 11);
    QCOMPARE(app.state().history.RecordCount, 3);
    QCOMPARE(app.state().ComputerSide, Blue);
    QCOMPARE(CellButton(*second, 121)->geometry(), QRect(540, 520, 51, 51));

    MenuItem(*second, "mnu_GameSize")->trigger();
    QTest::mouseClick(Control<QPushButton>(*app.sizeDialog(), "btn_GameSize_1"), Qt::LeftButton);
    QCOMPARE(app.state().history.RecordCount, 0);
    QCOMPARE(app.state().ComputerSideChoice, Red);
    QCOMPARE(ended.count(), 0);

    MenuItem(*app.mainWindow(), "mnu_Exit")->trigger();
    QTRY_COMPARE(ended.count(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "main_window-test.moc"
