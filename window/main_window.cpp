#include "window/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "engine/move_rules.h"
#include "ui/window_place.h"
#include "window/board_marks.h"
#include "window/orbel_pictures.h"
#include "window/scaled_area.h"
#include "window/slide_layer.h"

namespace orbel {

namespace {

constexpr int kClientWidth = 1077;
constexpr int kClientHeight = 761;
constexpr int kBoardLeft = 40;
constexpr int kBoardTop = 20;
// The arrows stand this far from the centre image.
constexpr int kArrowStep = 34;
// No text of the window is drawn smaller, in logical pixels; the window's smallest size
// follows from it.
constexpr double kSmallestText = 8.0;

// A picture that answers a click, as the board's pictures do.
class PictureLabel final : public QLabel {
  public:
    PictureLabel(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick)) {}

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick_)
            onClick_();
        QLabel::mouseReleaseEvent(event);
    }

  private:
    std::function<void()> onClick_;
};

// The analysis panel's dock: its close button closes the analysis.
class AnalysisDock final : public QDockWidget {
  public:
    AnalysisDock(QWidget* parent, std::function<void()> onClose)
        : QDockWidget(QStringLiteral("Analysis"), parent), onClose_(std::move(onClose)) {}

  protected:
    void closeEvent(QCloseEvent* event) override {
        QDockWidget::closeEvent(event);
        if (event->isAccepted()) onClose_();
    }

  private:
    std::function<void()> onClose_;
};

}  // namespace

// An outline drawn over what lies below it; clicks pass through to that.
class OutlineShape final : public QWidget {
  public:
    enum class Kind { Rectangle, Circle };

    OutlineShape(QWidget* parent, Kind kind, double lineWidth)
        : QWidget(parent), kind_(kind), lineWidth_(lineWidth) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // The designed square times the scale; the outline may be a fraction of a pixel wider
    // than the widget's whole pixels.
    void Place(const QRectF& designed, double scale) {
        side_ = designed.width() * scale;
        line_ = std::max(1.0, lineWidth_ * scale);
        setProperty("side", side_);
        setGeometry(static_cast<int>(designed.left() * scale),
                    static_cast<int>(designed.top() * scale), static_cast<int>(std::ceil(side_)),
                    static_cast<int>(std::ceil(side_)));
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const double inset = line_ / 2.0;
        const QRectF box(inset, inset, side_ - line_, side_ - line_);
        painter.setPen(QPen(Qt::black, line_));
        painter.setBrush(Qt::NoBrush);
        if (kind_ == Kind::Circle) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.drawEllipse(box);
        } else {
            painter.drawRect(box);
        }
    }

  private:
    Kind kind_;
    double lineWidth_;
    double line_ = 1.0;
    double side_ = 0.0;
};

namespace {

// The platform's keys for a command, or ours where the platform has none.
QList<QKeySequence> KeysFor(QKeySequence::StandardKey standard, const QKeySequence& fallback) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    if (keys.isEmpty()) keys << fallback;
    return keys;
}

QString Indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QPushButton* MakeButton(ScaledArea& area, const char* name, const QString& caption,
                        const QRect& place) {
    auto* button = new QPushButton(caption, area.canvas());
    button->setObjectName(QLatin1String(name));
    area.Place(button, place);
    return button;
}

struct LevelItem {
    const char* name;
    const char* caption;
};

constexpr LevelItem kLevelItems[kDeepestLevel + 1] = {
    {"mnu_TwoPlayer", "&Two Player"},
    {"mnu_Easy", "&Easy"},
    {"mnu_Medium", "&Medium"},
    {"mnu_Difficult", "&Difficult"},
    {"mnu_Advanced", "&Advanced"},
    {"mnu_Expert", "Ex&pert"},
    {"mnu_Master", "Ma&ster"},
    {"mnu_GrandMaster", "&GrandMaster"},
    {"mnu_King", "&King"},
    {"mnu_Emperor", "Empe&ror"},
    {"mnu_Angel", "An&gel"},
    {"mnu_God", "G&od"},
};

}  // namespace

QString LevelName(int level) {
    return QString::fromUtf8(kLevelItems[level].caption).remove(QLatin1Char('&'));
}

MainWindow::MainWindow(Game& game, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                              Qt::WindowCloseButtonHint),
      game_(game),
      controller_(game.controller()) {
    setObjectName(QStringLiteral("frm_Orbel"));
    setWindowTitle(QStringLiteral("Orbel Five"));
    setWindowIcon(OrbelIcon());
    QPalette grey = palette();
    grey.setColor(QPalette::Window, WindowGrey());
    grey.setColor(QPalette::Button, WindowGrey());
    setPalette(grey);
    setAutoFillBackground(true);

    const QSize designed(kClientWidth, kClientHeight);
    area_ = new ScaledArea(this, designed);
    area_->setObjectName(QStringLiteral("frm_Orbel_client"));
    area_->canvas()->setObjectName(QStringLiteral("frm_Orbel_canvas"));
    area_->onRescaled = [this] { DrawPictures(); };
    setCentralWidget(area_);
    analysisDock_ = new AnalysisDock(this, [this] { emit analysisClosed(); });
    analysisDock_->setObjectName(QStringLiteral("dock_Analysis"));
    analysisDock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    addDockWidget(Qt::RightDockWidgetArea, analysisDock_);
    analysisDock_->hide();
    // Floated off, the panel leaves the window as it was without it, and stands where it
    // was docked, beside the board; docked again, it takes its room again.
    connect(analysisDock_, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        if (!analysis()) return;
        if (!floating) {
            MakeRoomForAnalysis();
            return;
        }
        GiveBackRoom();
        // Where it was docked: beside the board, now that the window is narrower.
        QTimer::singleShot(0, analysisDock_, [this] {
            const QRect framed = FramedGeometry(*this);
            analysisDock_->move(framed.right() + 1, framed.top());
            KeepOnScreen(*analysisDock_);
        });
    });
    CreateBoard(area_->canvas());
    CreateSidePanel(area_->canvas());
    CreateMenus();
    CreateShortcuts();
    // The window's size is needed before it is shown, to centre it.
    resize(designed.width(), designed.height() + menuBar()->sizeHint().height());
    layout()->activate();

    selectTimer_ = new QTimer(this);
    selectTimer_->setObjectName(QStringLiteral("tmr_Select"));
    selectTimer_->setInterval(300);
    connect(selectTimer_, &QTimer::timeout, this, &MainWindow::tmr_Select_Timer);
    selectTimer_->start();
}

MainWindow::~MainWindow() {
    QApplication::instance()->removeEventFilter(this);
    StopAndLetGo();
}

// The game waits without a window until the next one opens; a window already replaced by
// another leaves the game to it. A closed window awaits its deletion, which may come after
// the game is gone, so from then on it touches the game no more.
void MainWindow::StopAndLetGo() {
    selectTimer_->stop();
    if (!letGo_ && controller_.Detach(this)) {
        game_.Stop();
        // No picture comes any more: the pointer leaves the busy one itself.
        GamePicture still = controller_.picture();
        still.busy = false;
        ShowPointers(still);
    }
    letGo_ = true;
}

// Frame first, then the images and above them the buttons that cover empty cells, the
// sliding orbels and the marks.
void MainWindow::CreateBoard(QWidget* canvas) {
    boardBorder_ = new OutlineShape(canvas, OutlineShape::Kind::Rectangle, 1.0);
    boardBorder_->setObjectName(QStringLiteral("shp_BoardBorder"));
    for (int cell = 1; cell < kBoardEntries; ++cell) {
        auto* image = new QLabel(canvas);
        image->setObjectName(Indexed("img_Board", cell));
        image->setScaledContents(true);
        cellImages_[cell] = image;
    }
    for (int cell = 1; cell < kBoardEntries; ++cell) {
        auto* button = new QPushButton(canvas);
        button->setObjectName(Indexed("btn_Board", cell));
        button->setCursor(Qt::CrossCursor);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, cell] { btn_Board_Click(cell); });
        cellButtons_[cell] = button;
    }
    slide_ = new SlideLayer(canvas, [this] { SlideEnded(); });
    slide_->setObjectName(QStringLiteral("shp_Slide"));
    marks_ = new BoardMarks(
        canvas, [this](BoardKey key, bool repeated) { controller_.PressKey(key, repeated); });
    marks_->setObjectName(QStringLiteral("shp_BoardMarks"));
    marks_->raise();
}

void MainWindow::CreateSidePanel(QWidget* canvas) {
    for (const int index : {0, 2, 4, 6, 8}) {
        auto* arrow = new PictureLabel(canvas, [this, index] { img_dir_Click(index); });
        arrow->setObjectName(Indexed("img_dir", index));
        arrows_[index] = arrow;
    }
    for (const int index : {0, 1}) {
        auto* player = new PictureLabel(canvas, [this, index] { img_Player_Click(index); });
        player->setObjectName(Indexed("img_Player", index));
        player->setScaledContents(true);
        players_[index] = player;
        auto* ring = new OutlineShape(canvas, OutlineShape::Kind::Circle, 2.0);
        ring->setObjectName(Indexed("shp_Circle", index));
        ring->hide();
        rings_[index] = ring;
    }

    auto* messages = new QGroupBox(QStringLiteral("Messages"), canvas);
    messages->setObjectName(QStringLiteral("frm_Messages"));
    area_->Place(messages, QRect(777, 180, 251, 71));
    message_ = new QLabel(messages);
    message_->setObjectName(QStringLiteral("lbl_Message"));
    area_->Place(message_, QRect(10, 30, 231, 31));
    message_->setAlignment(Qt::AlignCenter);
    QPalette white = message_->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    message_->setPalette(white);

    undo_ = MakeButton(*area_, "btn_Undo", QStringLiteral("Undo"), QRect(790, 260, 91, 31));
    hint_ = MakeButton(*area_, "btn_Hint", QStringLiteral("Hint"), QRect(907, 260, 91, 31));
    forward_ =
        MakeButton(*area_, "btn_Forward", QStringLiteral("Forward"), QRect(860, 430, 101, 41));
    backward_ =
        MakeButton(*area_, "btn_Backward", QStringLiteral("Backward"), QRect(860, 480, 101, 41));
    // Nothing is possible before the first new game enables them.
    undo_->setEnabled(false);
    hint_->setEnabled(false);
    connect(undo_, &QPushButton::clicked, this, &MainWindow::btn_Undo_Click);
    connect(hint_, &QPushButton::clicked, this, &MainWindow::btn_Hint_Click);
    connect(forward_, &QPushButton::clicked, this, &MainWindow::btn_Forward_Click);
    connect(backward_, &QPushButton::clicked, this, &MainWindow::btn_Backward_Click);

    title_ = new QLabel(canvas);
    title_->setObjectName(QStringLiteral("img_Title"));
    area_->Place(title_, QRect(770, 600, kTitleWidth, kTitleHeight));
}

void MainWindow::CreateMenus() {
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mnu_Options"));
    const auto item = [](QMenu* menu, const char* name, const char* caption) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        return action;
    };
    const auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QLatin1String(name));
    };
    QAction* newGame = item(options, "mnu_NewGame", "&New Game");
    newGame->setShortcuts(KeysFor(QKeySequence::New, Qt::CTRL | Qt::Key_N));
    connect(newGame, &QAction::triggered, this, &MainWindow::mnu_NewGame_Click);
    QAction* load = item(options, "mnuFileItem_1", "&Load Game");
    load->setShortcuts(KeysFor(QKeySequence::Open, Qt::CTRL | Qt::Key_O));
    connect(load, &QAction::triggered, this, &MainWindow::loadGameRequested);
    QAction* save = item(options, "mnuFileItem_2", "&Save Game");
    save->setShortcuts(KeysFor(QKeySequence::Save, Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, this, &MainWindow::saveGameRequested);
    separator(options, "mnu_SizeSep");
    connect(item(options, "mnu_GameSize", "&Change Game Size"), &QAction::triggered, this,
            &MainWindow::mnu_GameSize_Click);
    separator(options, "mnu_ExitSep");
    QAction* exit = item(options, "mnu_Exit", "E&xit");
    exit->setShortcuts(KeysFor(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, &MainWindow::mnu_Exit_Click);
    separator(options, "mnu_AnalysisSep");
    analysisItem_ = item(options, "mnu_Analysis", "&Analysis");
    analysisItem_->setShortcut(Qt::Key_A);
    analysisItem_->setCheckable(true);
    connect(analysisItem_, &QAction::triggered, this, [this] {
        analysisItem_->setChecked(analysis());
        emit analysisRequested();
    });
    // Ctrl+H, where desktop games show their scores and browsers their history.
    QAction* statistics = item(options, "mnu_Statistics", "S&tatistics");
    statistics->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(statistics, &QAction::triggered, this, &MainWindow::statisticsRequested);

    QMenu* levels = menuBar()->addMenu(QStringLiteral("&Level"));
    levels->setObjectName(QStringLiteral("mnu_Level"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (int level = 0; level <= kDeepestLevel; ++level) {
        QAction* action = item(levels, kLevelItems[level].name, kLevelItems[level].caption);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, level] { mnu_Level_Click(level); });
        levelItems_[level] = action;
        if (level == 0) separator(levels, "mnu_TwoSep");
    }
    levelItems_[1]->setChecked(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnu_Help"));
    QAction* rules = item(help, "mnu_Rules", "&Rules");
    rules->setShortcuts(KeysFor(QKeySequence::HelpContents, Qt::Key_F1));
    connect(rules, &QAction::triggered, this, &MainWindow::rulesRequested);
    connect(item(help, "mnu_About", "About Orbel &Five"), &QAction::triggered, this,
            &MainWindow::aboutRequested);
}

// The buttons have no menu items; their keys press them only where a click could, and the
// focus stays on the board. The colour pictures and the centre mark have keys of their own,
// which act as those clicks do and bring the focus to the board. Every key of the window
// also works from the analysis panel, floating or docked, but those its list takes itself.
void MainWindow::CreateShortcuts() {
    const auto key = [this](const QList<QKeySequence>& keys, const char* name) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        addAction(action);
        return action;
    };
    const auto press = [key](QPushButton* button, const QList<QKeySequence>& keys,
                             const char* name) {
        connect(key(keys, name), &QAction::triggered, button, [button] {
            if (button->isVisible() && button->isEnabled()) button->click();
        });
    };
    press(undo_, KeysFor(QKeySequence::Undo, Qt::CTRL | Qt::Key_Z), "key_Undo");
    press(hint_, {QKeySequence(Qt::Key_H)}, "key_Hint");
    press(backward_, {QKeySequence(Qt::CTRL | Qt::Key_Left), QKeySequence(Qt::Key_PageUp)},
          "key_Backward");
    press(forward_, {QKeySequence(Qt::CTRL | Qt::Key_Right), QKeySequence(Qt::Key_PageDown)},
          "key_Forward");

    const auto boardKey = [this, key](Qt::Key pressed, BoardKey boardKey, const char* name) {
        QAction* action = key({QKeySequence(pressed)}, name);
        action->setAutoRepeat(false);
        connect(action, &QAction::triggered, this, [this, boardKey] {
            TakeBoardFocus();
            controller_.PressKey(boardKey);
        });
    };
    boardKey(Qt::Key_R, BoardKey::PlayRed, "key_Red");
    boardKey(Qt::Key_B, BoardKey::PlayBlue, "key_Blue");
    boardKey(Qt::Key_C, BoardKey::ComputerMoves, "key_Computer");

    for (QAction* action : findChildren<QAction*>())
        if (!action->shortcuts().isEmpty()) analysisDock_->addAction(action);

    setTabOrder(marks_, undo_);
    setTabOrder(undo_, hint_);
    setTabOrder(hint_, backward_);
    setTabOrder(backward_, forward_);
}

void MainWindow::Form_Load(int level) {
    const int n = game_.BoardSize();
    LayOutBoard(n);
    for (int cell = n * n + 1; cell < kBoardEntries; ++cell) {
        cellButtons_[cell]->hide();
        cellButtons_[cell]->setEnabled(false);
        cellImages_[cell]->hide();
        cellImages_[cell]->setEnabled(false);
    }
    area_->setMinimumSize(area_->SizeAt(SmallestScale(), QSize()));
    FitOnScreen();
    DrawPictures();
    controller_.Attach(this);
    controller_.OpenGame(level);
    marks_->setFocus();
}

// Pitch 50 up to 11 x 11, 34 beyond; every cell is one pixel wider than the pitch so
// neighbours share their edge. In designed pixels: the window shows them scaled.
void MainWindow::LayOutBoard(int n) {
    const bool large = n >= 12;
    const int pitch = large ? 34 : 50;
    const int side = pitch + 1;
    for (int cell = 1; cell <= n * n; ++cell) {
        const int k = cell - 1;
        const QRect place(pitch * (k % n) + kBoardLeft, pitch * (k / n) + kBoardTop, side, side);
        area_->Place(cellButtons_[cell], place);
        area_->Place(cellImages_[cell], place);
    }
    const double frameSide = (large ? 34.05 : 50.2) * n;
    const auto outline = [](OutlineShape* shape) {
        return [shape](const QRectF& designed, double scale) { shape->Place(designed, scale); };
    };
    area_->Place(boardBorder_, QRectF(kBoardLeft, kBoardTop, frameSide, frameSide),
                 outline(boardBorder_));
    const QRectF board(kBoardLeft, kBoardTop, pitch * n + 1, pitch * n + 1);
    marks_->LayOut(n, pitch);
    area_->Place(marks_, board,
                 [this](const QRectF& designed, double scale) { marks_->Place(designed, scale); });
    area_->Place(slide_, board);

    const int x0 = pitch * (n + 2) + kBoardLeft;
    const int y0 = static_cast<int>(std::lround(pitch * (n / 2.0 + 1.0))) - 30;
    const auto arrowAt = [this](int index, int x, int y) {
        area_->Place(arrows_[index], QRect(x, y, kArrowPictureSide, kArrowPictureSide));
    };
    arrowAt(0, x0, y0);
    arrowAt(8, x0, y0 - kArrowStep);
    arrowAt(2, x0, y0 + kArrowStep);
    arrowAt(4, x0 - kArrowStep, y0);
    arrowAt(6, x0 + kArrowStep, y0);

    const int pictureSide = large ? 34 : 40;
    for (const int index : {0, 1}) {
        const QRect place(670 + 70 * index, 100, pictureSide, pictureSide);
        area_->Place(players_[index], place);
        area_->Place(rings_[index], place, outline(rings_[index]));
        rings_[index]->raise();
    }
}

// At the designed size where it fits the screen's available area with its frame, else at
// the largest scale that fits there; centred, its frame wholly on the area. A docked
// analysis keeps its width and the board takes what is left.
void MainWindow::FitOnScreen() {
    layout()->activate();
    const QSize around = size() - area_->size();
    const QSize room = RoomOnScreen(*this) - around;
    const double scale = std::max(std::min(area_->ScaleFor(room), 1.0), SmallestScale());
    resize(around + area_->SizeAt(scale, room));
    layout()->activate();
    area_->Fit();
    CentreOnScreen(*this);
}

double MainWindow::SmallestScale() const {
    return area_->ScaleForText(kSmallestText);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Pictures follow the window to a screen of another density.
    if (QWindow* window = windowHandle())
        connect(window, &QWindow::screenChanged, this, [this] { DrawPictures(); });
    if (devicePixelRatioF() != drawnRatio_) DrawPictures();
    // A window manager frames the window only now; its frame may be larger than allowed for.
    RefitOnceFramed(*this, [this] {
        if (!isMaximized() && !isFullScreen()) FitOnScreen();
    });
}

void MainWindow::OpenAnalysis(QWidget* panel, Focus focus) {
    analysisDock_->setWidget(panel);
    // A window manager places a window shown again anew unless it was told where.
    if (analysisDock_->isFloating()) analysisDock_->move(analysisDock_->pos());
    analysisDock_->show();
    analysisItem_->setChecked(true);
    if (analysisDock_->isFloating()) {
        // Where the player left it, if the whole of it is on a screen there is now.
        const QMargins frame = FrameAllowance(*analysisDock_);
        const QRect framed(analysisDock_->geometry().topLeft() - QPoint(frame.left(), frame.top()),
                           analysisDock_->size().grownBy(frame));
        if (!WhollyOn(framed, AvailableAreas())) {
            analysisDock_->resize(analysisDock_->size().boundedTo(RoomOnScreen(*analysisDock_)));
            CentreOnScreen(*analysisDock_);
        }
        if (focus == Focus::Take) analysisDock_->activateWindow();
    } else {
        MakeRoomForAnalysis();
    }
    if (focus == Focus::Take) panel->setFocus(Qt::OtherFocusReason);
}

QWidget* MainWindow::TakeAnalysis() {
    QWidget* panel = analysisDock_->widget();
    if (!panel) return nullptr;
    analysisItem_->setChecked(false);
    analysisDock_->hide();
    analysisDock_->setWidget(nullptr);
    panel->setParent(nullptr);
    GiveBackRoom();
    if (isVisible()) TakeBoardFocus();
    return panel;
}

// The window grows by the docked panel's width where the screen has room for it; the board
// scales down to leave the rest, and all of it where the window cannot be moved back onto
// the screen.
void MainWindow::MakeRoomForAnalysis() {
    if (grownForAnalysis_ > 0 || isMaximized() || isFullScreen() || !WindowsPlaceable()) return;
    layout()->activate();
    const int room = RoomOnScreen(*this).width() - width();
    grownForAnalysis_ = std::clamp(width() - area_->width(), 0, std::max(room, 0));
    resize(width() + grownForAnalysis_, height());
    layout()->activate();
    area_->Fit();
    KeepOnScreen(*this);
}

void MainWindow::GiveBackRoom() {
    if (!isMaximized() && !isFullScreen()) resize(width() - grownForAnalysis_, height());
    grownForAnalysis_ = 0;
    layout()->activate();
    area_->Fit();
}

QWidget* MainWindow::analysis() const {
    return analysisDock_->widget();
}

QByteArray MainWindow::PanelPlace() const {
    return saveState();
}

void MainWindow::RestorePanelPlace(const QByteArray& place) {
    restoreState(place);
    // The place only: the panel shows when it is opened.
    if (!analysis()) analysisDock_->hide();
}

QRect MainWindow::BoardGeometry() const {
    QRect geometry = normalGeometry();
    geometry.setWidth(geometry.width() - grownForAnalysis_);
    return geometry;
}

// Every picture is drawn anew for its label's size at this scale, in the screen's pixels.
void MainWindow::DrawPictures() {
    if (slide_->Sliding()) slide_->Finish();
    drawnRatio_ = devicePixelRatioF();
    for (const int index : {0, 2, 4, 6, 8})
        arrows_[index]->setPixmap(ArrowPicture(index, arrows_[index]->size(), drawnRatio_));
    for (const int index : {0, 1})
        players_[index]->setPixmap(
            OrbelPicture(index == 0 ? Red : Blue, players_[index]->size(), drawnRatio_));
    title_->setPixmap(TitlePicture(title_->size(), drawnRatio_));
    drawnOrbels_.clear();
    imageSide_.fill(Empty);
    if (pictureSeen_) ShowCells(picture_);
}

// Cells of one board differ by a pixel at most, so few sizes are ever drawn.
QPixmap MainWindow::CellPicture(int16_t side, QSize size) {
    for (const DrawnOrbel& drawn : drawnOrbels_)
        if (drawn.side == side && drawn.size == size) return drawn.picture;
    drawnOrbels_.push_back({side, size, OrbelPicture(side, size, drawnRatio_)});
    return drawnOrbels_.back().picture;
}

void MainWindow::Show(const GamePicture& picture) {
    const bool pushed = pictureSeen_ && picture.slide.serial != picture_.slide.serial;
    // A board set up anew ends a slide still running over it.
    if (pushed ||
        !std::equal(std::begin(picture.cells), std::end(picture.cells), std::begin(picture_.cells)))
        slide_->Finish();
    picture_ = picture;
    pictureSeen_ = true;
    if (pushed) StartSlide(picture);
    ShowCells(picture);
    ShowSidePanel(picture);
    ShowPointers(picture);
    marks_->SetLastMove(picture.lastPlaced, picture.lastStands);
    marks_->SetWinning(picture.winning);
    marks_->SetFocusCell(picture.focusCell);
    marks_->SetHandCell(picture.handCell);
    emit gameShown();
}

void MainWindow::SetAnalysisMarks(const QList<int>& codes, int lineSide) {
    marks_->SetAnalysisMarks(codes, lineSide);
}

// An empty cell shows its button; an orbel its image, which the orbel in hand blinks. An
// orbel still sliding there shows on the slide layer instead.
void MainWindow::ShowCells(const GamePicture& picture) {
    const int n = picture.boardSize;
    for (int cell = 1; cell <= n * n; ++cell) {
        const int16_t side = picture.Shown(cell);
        cellButtons_[cell]->setVisible(picture.Offers(cell));
        if (side != Empty && side != imageSide_[cell]) {
            cellImages_[cell]->setPixmap(CellPicture(side, cellImages_[cell]->size()));
            cellImages_[cell]->setProperty("orbel", side);  // for tests: the colour drawn
            imageSide_[cell] = side;
        }
        cellImages_[cell]->setVisible(side != Empty && !sliding_[cell]);
    }
}

void MainWindow::ShowSidePanel(const GamePicture& picture) {
    for (const int direction : {kDown, kLeft, kRight, kUp})
        arrows_[direction]->setVisible(picture.arrows[direction]);
    message_->setText(QString::fromStdString(picture.message));
    rings_[0]->setVisible(picture.ringSide == Red);
    rings_[1]->setVisible(picture.ringSide != Red);
    undo_->setEnabled(picture.undoEnabled);
    hint_->setEnabled(picture.hintEnabled);
    backward_->setVisible(picture.backwardShown);
    forward_->setVisible(picture.forwardShown);
    if (picture.level >= 0 && picture.level <= kDeepestLevel)
        levelItems_[picture.level]->setChecked(true);
}

// The busy pointer shows over this window only: over the cells, whose buttons have a
// pointer of their own, and over the rest of the window.
void MainWindow::ShowPointers(const GamePicture& picture) {
    if (picture.busy == busyPointer_ && picture.plainPointer == plainPointer_) return;
    busyPointer_ = picture.busy;
    plainPointer_ = picture.plainPointer;
    const Qt::CursorShape cells = busyPointer_    ? Qt::WaitCursor
                                  : plainPointer_ ? Qt::ArrowCursor
                                                  : Qt::CrossCursor;
    for (int cell = 1; cell <= picture.boardSize * picture.boardSize; ++cell)
        cellButtons_[cell]->setCursor(cells);
    if (busyPointer_)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

// The moved orbels slide from the cell before theirs in the push's direction.
void MainWindow::StartSlide(const GamePicture& picture) {
    const PushSlide& slide = picture.slide;
    const QPoint layer = slide_->pos();
    std::vector<SlideLayer::Slider> sliders;
    for (int i = 0; i < slide.count; ++i) {
        const int to = slide.to[i];
        const int from = to - slide.step;
        const QRect place = cellImages_[to]->geometry();
        sliders.push_back({to, cellImages_[from]->geometry().translated(-layer),
                           place.translated(-layer), CellPicture(picture.cells[to], place.size())});
        sliding_[to] = true;
    }
    slide_->Start(std::move(sliders));
    if (!slide_->Sliding()) return;
    QApplication::instance()->installEventFilter(this);
    marks_->HoldMoveMarks(true);
}

void MainWindow::SlideEnded() {
    QApplication::instance()->removeEventFilter(this);
    sliding_.fill(false);
    marks_->HoldMoveMarks(false);
    ShowCells(picture_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
            if (const auto* widget = qobject_cast<QWidget*>(watched);
                widget && widget->window() == this)
                slide_->Finish();
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::Beep() {
    QApplication::beep();
}

// A click on the board leaves the keyboard with the board, so Enter and Space act there
// next, whatever button had the focus before.
void MainWindow::TakeBoardFocus() {
    marks_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::btn_Board_Click(int cell) {
    TakeBoardFocus();
    controller_.ChooseCell(cell);
}

void MainWindow::img_dir_Click(int index) {
    TakeBoardFocus();
    controller_.ChoosePush(index);
}

// The Red picture is 0, the Blue one 1.
void MainWindow::img_Player_Click(int index) {
    TakeBoardFocus();
    controller_.ChooseColour(index == 0 ? Red : Blue);
}

void MainWindow::tmr_Select_Timer() {
    controller_.Blink();
}

void MainWindow::mnu_NewGame_Click() {
    controller_.NewGame();
}

void MainWindow::btn_Undo_Click() {
    controller_.TakeBack();
}

void MainWindow::btn_Hint_Click() {
    controller_.AskHint();
}

void MainWindow::btn_Backward_Click() {
    controller_.StepBackward();
}

void MainWindow::btn_Forward_Click() {
    controller_.StepForward();
}

void MainWindow::mnu_Level_Click(int level) {
    controller_.ChooseLevel(level);
    emit levelChosen(level);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    StopAndLetGo();
    QMainWindow::closeEvent(event);
}

void MainWindow::mnu_GameSize_Click() {
    game_.Stop();
    emit changeGameSizeRequested();
}

void MainWindow::mnu_Exit_Click() {
    game_.Stop();
    close();
}

}  // namespace orbel
