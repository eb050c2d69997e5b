// The main window on the desktop: fitted to its screen, scaled as the player resizes it,
// pushes seen as slides, the keyboard where the player acts and the busy pointer over the
// window alone. Driven through the program's windows, as a person would.
#include <QAbstractAnimation>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "app/orbel_app.h"
#include "computer/search.h"
#include "engine/move_rules.h"
#include "window/main_window.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

constexpr QSize kDesigned(1077, 761);

// A search held until the test lets it answer.
std::atomic<bool> gateOpen{true};

bool GatedSearch(BoardState& b, SearchTables& t, SearchRun& run) {
    while (!gateOpen.load()) {
        if (run.Stopped()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return SearchRootValues(b, t, run);
}

QWidget* Canvas(const QWidget& w) {
    return Control(w, "frm_Orbel_canvas");
}
QList<int> SlidingCells(const QWidget& w) {
    return Control(w, "shp_Slide")->property("slidingCells").value<QList<int>>();
}
int SlidesStarted(const QWidget& w) {
    return Control(w, "shp_Slide")->property("slidesStarted").toInt();
}

struct Move {
    int cell;
    int direction;
};

// Of the pushes the outer ring lets through, the first that moves the most orbels.
Move LongestPush(const BoardState& position) {
    Move best{0, 0};
    int most = 0;
    for (int cell = 1; cell <= position.CellCount(); ++cell) {
        if (position.Board[cell] != Empty || !HasOccupiedNeighbour(position, cell)) continue;
        const OfferedDirections offered = DirectionsOffered(position, cell);
        for (int i = 0; i < offered.count; ++i) {
            BoardState b = position;
            b.SelectedCell = static_cast<int16_t>(cell);
            b.Board[cell] = b.SideToMove;
            if (RunPush(b, offered.direction[i], RingRule::Check, Placed::MovesOn) &&
                b.PushCount > most) {
                most = b.PushCount;
                best = {cell, offered.direction[i]};
            }
        }
    }
    return best;
}

// The cell and the arrow of a move, clicked.
void ChooseMove(QWidget& w, Move move) {
    QTest::mouseClick(CellButton(w, move.cell), Qt::LeftButton);
    QTest::mouseClick(Arrow(w, move.direction), Qt::LeftButton);
}

// The designed places of an 11 x 11 board's controls, in the window's design.
QPointF CellCentre(int cell) {
    const int k = cell - 1;
    return {40 + 50 * (k % 11) + 25.5, 20 + 50 * (k / 11) + 25.5};
}
QPointF ArrowCentre(int index) {
    const QPointF centre(690 + 16, 295 + 16);
    switch (index) {
        case kUp:
            return centre + QPointF(0, -34);
        case kDown:
            return centre + QPointF(0, 34);
        case kLeft:
            return centre + QPointF(-34, 0);
        case kRight:
            return centre + QPointF(34, 0);
        default:
            return centre;
    }
}
const QPointF kRedPicture(690, 120);
const QPointF kUndo(835.5, 275.5);
const QPointF kBackward(910.5, 500.5);

double ShownScale(const QWidget& w) {
    return Canvas(w)->width() / static_cast<double>(kDesigned.width());
}

// A click where a designed point is shown now, delivered to whatever stands there.
void ClickAt(QWidget& w, QPointF designed) {
    const QPoint at = Canvas(w)->mapTo(&w, (designed * ShownScale(w)).toPoint());
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

// A key as a person types it: to whatever has the keyboard focus, shortcuts first.
void Type(QWidget& w, Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &w, key);
}

// Empty when the label's picture has a device pixel for every pixel of the screen under it.
QString Blurred(const QLabel* label) {
    const QPixmap picture = label->pixmap();
    const qreal ratio = label->screen()->devicePixelRatio();
    const QSizeF pixels = QSizeF(label->size()) * ratio;
    if (picture.devicePixelRatio() != ratio || std::abs(picture.width() - pixels.width()) >= 1.0 ||
        std::abs(picture.height() - pixels.height()) >= 1.0)
        return QStringLiteral("%1: %2 x %3 pixels at %4 in a label of %5 x %6 at %7")
            .arg(label->objectName())
            .arg(picture.width())
            .arg(picture.height())
            .arg(picture.devicePixelRatio())
            .arg(label->width())
            .arg(label->height())
            .arg(ratio);
    return {};
}

QString BlurredPicture(const QWidget& w, int n) {
    QStringList names = {"img_Title", "img_Player_0", "img_Player_1"};
    for (const int index : {0, 2, 4, 6, 8}) names << QStringLiteral("img_dir_%1").arg(index);
    for (int cell = 1; cell <= n * n; ++cell)
        if (CellImage(w, cell)->isVisible()) names << QStringLiteral("img_Board_%1").arg(cell);
    for (const QString& name : names)
        if (QString problem = Blurred(Control<QLabel>(w, name)); !problem.isEmpty()) return problem;
    return {};
}

// The program on a game of `n` at level `level`, its window shown.
struct Program {
    explicit Program(int n, int level = 1) : app(GatedSearch) {
        window = app.StartGame(n);
        if (!QTest::qWaitForWindowActive(window)) qFatal("window not active");
        if (level != 1) Control<QAction>(*window, kLevels[level])->trigger();
    }
    const GamePicture& picture() { return app.game().controller().picture(); }
    const GameState& state() const { return app.state(); }
    bool ComputerBusy() { return app.game().controller().ComputerBusy(); }

    static constexpr const char* kLevels[] = {"mnu_TwoPlayer", "mnu_Easy"};
    OrbelApp app;
    MainWindow* window = nullptr;
};

// The slide is made long while the test looks at it; no clock of the test's own is shared
// with the window.
void SlowSlides(QWidget& w) {
    Control<QAbstractAnimation>(w, "ani_Slide")->setProperty("duration", 60000);
}

}  // namespace

class MainWindowDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { gateOpen = true; }

    void first_start_looks_as_designed();
    void a_resized_window_keeps_every_control_working_and_sharp_data();
    void a_resized_window_keeps_every_control_working_and_sharp();
    void pushes_slide_exactly_the_moved_orbels_and_input_ends_the_slide_first();
    void only_pushes_slide();
    void a_click_on_the_board_brings_the_keyboard_back_to_it();
    void keys_choose_red_and_let_the_computer_move();
    void the_busy_pointer_shows_over_the_main_window_only();
};

// On a screen with room for it, the window is as it was designed, to the pixel: its
// controls stand where the main window's tests say, unscaled and sharp.
void MainWindowDesktopTest::first_start_looks_as_designed() {
    Program program(11);
    const MainWindow& w = *program.window;
    QCOMPARE(w.centralWidget()->size(), kDesigned);
    QCOMPARE(Canvas(w)->geometry(), QRect(QPoint(0, 0), kDesigned));
    QCOMPARE(Canvas(w)->font(), QApplication::font());
    QCOMPARE(BlurredPicture(w, 11), QString());
    QVERIFY(!SlidingCells(w).size());
}

void MainWindowDesktopTest::a_resized_window_keeps_every_control_working_and_sharp_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<double>("scale");
    // The controls end at 1028 x 635 in the design, 40 and 20 from its left and top: only
    // the margin beyond them may be cut.
    const auto controls = [](double factor) { return (QSizeF(1068, 655) * factor).toSize(); };
    QTest::newRow("1.6") << (QSizeF(kDesigned) * 1.6).toSize() << 1.6;
    QTest::newRow("0.7") << controls(0.7) << 0.7;
    QTest::newRow("0.7, wider than the design") << controls(0.7) + QSize(150, 0) << 0.7;
    QTest::newRow("0.8, with room below") << controls(0.8) + QSize(0, 20) << 0.8;
    // The scale at which the font is 8 pixels high, the least there is.
    QTest::newRow("smaller than the smallest") << QSize(100, 100) << 0.0;
}

void MainWindowDesktopTest::a_resized_window_keeps_every_control_working_and_sharp() {
    QFETCH(QSize, client);
    QFETCH(double, scale);
    Program program(11, 0);
    MainWindow& w = *program.window;
    if (scale == 0.0) scale = 8.0 / (QApplication::font().pointSizeF() * w.logicalDpiY() / 72);
    w.resize(w.size() + client - w.centralWidget()->size());
    QTRY_COMPARE(w.centralWidget()->size(), client.expandedTo(w.centralWidget()->minimumSize()));

    // One scale for the whole design, centred in the window's grey where it fits; every
    // control inside the window, and no text smaller than 8 pixels.
    const QRect area = w.centralWidget()->rect();
    const QRect canvas = Canvas(w)->geometry();
    QVERIFY2(std::abs(ShownScale(w) - scale) < 0.002, qPrintable(QString::number(ShownScale(w))));
    if (canvas.width() <= area.width())
        QVERIFY(std::abs(canvas.center().x() - area.center().x()) <= 1);
    for (const QWidget* control : Canvas(w)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isVisible()) continue;
        QVERIFY2(area.contains(control->geometry().translated(canvas.topLeft())),
                 qPrintable(control->objectName()));
        QVERIFY(QFontInfo(control->font()).pixelSize() >= 8);
    }
    QVERIFY(std::abs(Control(w, "btn_Undo")->font().pointSizeF() -
                     QApplication::font().pointSizeF() * ShownScale(w)) < 0.01);
    QCOMPARE(BlurredPicture(w, 11), QString());

    // Every kind of control answers a click at its new place.
    ClickAt(w, kRedPicture);
    QCOMPARE(program.state().ComputerSide, Blue);
    const int cell = CentreCell(11) - 1;
    ClickAt(w, CellCentre(cell));
    QCOMPARE(program.picture().handCell, cell);
    ClickAt(w, ArrowCentre(kRight));
    QCOMPARE(program.picture().handCell, cell + 1);
    ClickAt(w, kUndo);
    QCOMPARE(program.picture().handCell, 0);
    QCOMPARE(program.picture().cells[cell + 1], Red);
    ClickAt(w, CellCentre(cell));
    ClickAt(w, ArrowCentre(kRight));
    ClickAt(w, ArrowCentre(0));
    QCOMPARE(program.state().board.MoveNumber, 2);
    QTRY_VERIFY(SlidingCells(w).isEmpty());
    QCOMPARE(BlurredPicture(w, 11), QString());
    ClickAt(w, kBackward);
    QCOMPARE(program.state().board.MoveNumber, 1);
}

// The orbels a push moved are the run from the placed cell up to the first empty cell
// before the push; those slide, and only those.
void MainWindowDesktopTest::pushes_slide_exactly_the_moved_orbels_and_input_ends_the_slide_first() {
    Program program(11, 0);
    MainWindow& w = *program.window;
    SlowSlides(w);
    int longest = 0;
    for (int turn = 0; turn < 8; ++turn) {
        const BoardState before = program.state().board;
        const Move move = LongestPush(before);
        const int step = StepOf(before.BoardSize, move.direction);
        QList<int> moved;
        for (int c = move.cell + step;; c += step) {
            moved << c;
            if (before.Board[c] == Empty) break;
        }
        longest = std::max(longest, static_cast<int>(moved.size()));
        ChooseMove(w, move);
        QCOMPARE(SlidingCells(w), moved);
        for (const int c : moved) QVERIFY(!CellImage(w, c)->isVisible());
        QVERIFY(Control(w, "shp_Slide")->isVisible());
        // The last move's marks wait for the orbels.
        QVERIFY(!Board(w)->property("moveMarksShown").toBool());
        // The game is final at once.
        QCOMPARE(program.state().board.Board[moved.back()], before.Board[moved.back() - step]);

        // A key ends the slide, then acts; a click does the same.
        if (turn % 2 == 0)
            Type(w, Qt::Key_Return);
        else
            QTest::mouseClick(Arrow(w, 0), Qt::LeftButton);
        QVERIFY(SlidingCells(w).isEmpty());
        QVERIFY(!Control(w, "shp_Slide")->isVisible());
        QVERIFY(Board(w)->property("moveMarksShown").toBool());
        for (const int c : moved) QVERIFY(CellImage(w, c)->isVisible());
        QCOMPARE(program.state().board.MoveNumber, before.MoveNumber + 1);
    }
    QCOMPARE(SlidesStarted(w), 8);
    QVERIFY(longest >= 3);
}

// The person's push, the computer's, Hint's and Forward's slide, and end by themselves.
// Backward, New Game and a new window show the board at once.
void MainWindowDesktopTest::only_pushes_slide() {
    Program program(9);
    MainWindow* w = program.window;
    const auto atRest = [&] {
        return QTest::qWaitFor([&] { return SlidingCells(*w).isEmpty(); }, 1000) &&
               !Control(*w, "shp_Slide")->isVisible();
    };
    ChooseMove(*w, LongestPush(program.state().board));
    QCOMPARE(SlidesStarted(*w), 1);
    QVERIFY(atRest());
    QTest::mouseClick(Arrow(*w, 0), Qt::LeftButton);
    QTRY_COMPARE(program.state().board.MoveNumber, 3);
    QCOMPARE(SlidesStarted(*w), 2);
    QTest::mouseClick(Control(*w, "btn_Hint"), Qt::LeftButton);
    QTRY_COMPARE(program.state().board.MoveNumber, 5);
    QCOMPARE(SlidesStarted(*w), 4);
    QVERIFY(atRest());

    QTest::mouseClick(Control(*w, "btn_Backward"), Qt::LeftButton);
    QCOMPARE(program.state().board.MoveNumber, 4);
    QCOMPARE(SlidesStarted(*w), 4);
    // Another window on the game shows its last push at rest.
    w = program.app.OpenRecord(program.app.game().Record());
    QVERIFY(QTest::qWaitForWindowActive(w));
    QCOMPARE(SlidesStarted(*w), 0);
    QTest::mouseClick(Control(*w, "btn_Forward"), Qt::LeftButton);
    QTRY_COMPARE(SlidesStarted(*w), 1);
    QVERIFY(atRest());
    Control<QAction>(*w, "mnu_NewGame")->trigger();
    QCOMPARE(SlidesStarted(*w), 1);
}

void MainWindowDesktopTest::a_click_on_the_board_brings_the_keyboard_back_to_it() {
    Program program(9, 0);
    MainWindow& w = *program.window;
    QPushButton* undo = Control<QPushButton>(w, "btn_Undo");
    const int centre = CentreCell(9);
    for (const char* place : {"img_Player_1", "img_dir_0", "btn_Board"}) {
        undo->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), undo);
        QWidget* target =
            QByteArray(place) == "btn_Board" ? CellButton(w, centre - 1) : Control(w, place);
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), Board(w));
    }
    // The arrow key picks the push and Enter confirms it on the board, not on Undo.
    Type(w, Qt::Key_Right);
    Type(w, Qt::Key_Return);
    QCOMPARE(program.state().board.MoveNumber, 2);
    // Tab still runs from the board through the buttons shown.
    for (const char* next : {"btn_Undo", "btn_Hint", "btn_Backward", "shp_BoardMarks"}) {
        Type(w, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Control(w, next));
    }
}

void MainWindowDesktopTest::keys_choose_red_and_let_the_computer_move() {
    Program program(9);
    MainWindow& w = *program.window;
    Control(w, "btn_Undo")->setFocus(Qt::TabFocusReason);
    Type(w, Qt::Key_R);
    QCOMPARE(program.state().ComputerSide, Blue);
    QCOMPARE(QApplication::focusWidget(), Board(w));
    QTRY_COMPARE(program.state().board.MoveNumber, 2);
    // Red's move, Blue's answer, then back to Blue's turn, which waits for C.
    QTRY_VERIFY(!program.ComputerBusy());
    ChooseMove(w, LongestPush(program.state().board));
    Type(w, Qt::Key_C);  // a push waits: C does not confirm it
    QCOMPARE(program.state().Phase, TurnPhase::Pushed);
    Type(w, Qt::Key_Return);
    QTRY_COMPARE(program.state().board.MoveNumber, 4);
    QTest::mouseClick(Control(w, "btn_Backward"), Qt::LeftButton);
    QCOMPARE(program.state().board.MoveNumber, 3);
    QCOMPARE(program.state().board.SideToMove, Blue);
    Type(w, Qt::Key_C);
    QTRY_COMPARE(program.state().board.MoveNumber, 4);
}

void MainWindowDesktopTest::the_busy_pointer_shows_over_the_main_window_only() {
    Program program(9);
    MainWindow& w = *program.window;
    gateOpen = false;
    QTest::mouseClick(Control(w, "img_Player_0"), Qt::LeftButton);
    QTRY_VERIFY(program.picture().busy);
    QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(CellButton(w, 1 + 9 + 1)->cursor().shape(), Qt::WaitCursor);
    QVERIFY(!QApplication::overrideCursor());
    gateOpen = true;
    QTRY_VERIFY(!program.ComputerBusy());
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(CellButton(w, 1 + 9 + 1)->cursor().shape(), Qt::CrossCursor);

    // A take-back leaves the cells the plain pointer.
    const Move move = LongestPush(program.state().board);
    ChooseMove(w, move);
    QTest::mouseClick(Control(w, "btn_Undo"), Qt::LeftButton);
    QCOMPARE(CellButton(w, move.cell)->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(MainWindowDesktopTest)
#include "main_window_desktop-test.moc"
