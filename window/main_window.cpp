#include "window/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <cmath>
#include <functional>
#include <utility>

#include "engine/move_rules.h"
#include "ui/window_place.h"
#include "window/orbel_pictures.h"

namespace orbel {

namespace {

constexpr int kClientWidth = 1077;
constexpr int kClientHeight = 761;
constexpr int kBoardLeft = 40;
constexpr int kBoardTop = 20;
// The arrows stand this far from the centre image.
constexpr int kArrowStep = 34;

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

// An outline drawn over what lies below it; clicks pass through to that.
class OutlineShape final : public QWidget {
  public:
    enum class Kind { Rectangle, Circle };

    OutlineShape(QWidget* parent, Kind kind, double lineWidth)
        : QWidget(parent), kind_(kind), lineWidth_(lineWidth) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // The outline may be a fraction of a pixel wider than the widget's whole pixels.
    void Place(double left, double top, double side) {
        side_ = side;
        setProperty("side", side);
        setGeometry(static_cast<int>(left), static_cast<int>(top),
                    static_cast<int>(std::ceil(side)), static_cast<int>(std::ceil(side)));
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const double inset = lineWidth_ / 2.0;
        const QRectF box(inset, inset, side_ - lineWidth_, side_ - lineWidth_);
        painter.setPen(QPen(Qt::black, lineWidth_));
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
    double side_ = 0.0;
};

// Marks drawn over the board: the last move, the lines that ended the game and the focus
// cell. Drawn, not pictures, so they stay sharp at any scale. The overlay takes the
// keyboard focus for the board, while clicks pass through to the cells below.
class BoardMarks final : public QWidget {
  public:
    BoardMarks(QWidget* parent, std::function<void(BoardKey, bool)> onKey)
        : QWidget(parent), onKey_(std::move(onKey)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::TabFocus);
    }

    void LayOut(int n, int pitch) {
        n_ = n;
        pitch_ = pitch;
        setGeometry(kBoardLeft, kBoardTop, pitch * n + 1, pitch * n + 1);
        update();
    }

    void SetLastMove(int placed, int stands) {
        placed_ = placed;
        stands_ = stands;
        setProperty("placedCell", placed);
        setProperty("standsCell", stands);
        update();
    }

    void SetWinning(const CellList& cells) {
        winning_.fill(false);
        QList<int> listed;
        for (int i = 0; i < cells.count; ++i) {
            winning_[cells.cell[i]] = true;
            listed << cells.cell[i];
        }
        setProperty("winningCells", QVariant::fromValue(listed));
        update();
    }

    void SetFocusCell(int cell) {
        focus_ = cell;
        setProperty("focusCell", cell);
        update();
    }

    void SetAnalysisMarks(const QList<int>& codes) {
        if (codes == analysis_) return;
        analysis_ = codes;
        setProperty("analysisMarks", QVariant::fromValue(codes));
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (n_ == 0) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        for (int cell = 1; cell <= n_ * n_; ++cell)
            if (winning_[cell]) DrawWinning(painter, Box(cell));
        if (stands_ > 0) DrawStands(painter, Box(stands_));
        if (placed_ > 0) DrawPlaced(painter, Box(placed_));
        for (const int code : analysis_) DrawAnalysed(painter, Box(PlacementOf(code)), code);
        if (hasFocus() && focus_ > 0) DrawFocus(painter, Box(focus_));
    }

    void keyPressEvent(QKeyEvent* event) override {
        BoardKey key;
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        switch (plain ? event->key() : Qt::Key_unknown) {
            case Qt::Key_Up:
                key = BoardKey::Up;
                break;
            case Qt::Key_Down:
                key = BoardKey::Down;
                break;
            case Qt::Key_Left:
                key = BoardKey::Left;
                break;
            case Qt::Key_Right:
                key = BoardKey::Right;
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
                key = BoardKey::Choose;
                break;
            case Qt::Key_Escape:
                key = BoardKey::TakeBack;
                break;
            default:
                QWidget::keyPressEvent(event);
                return;
        }
        onKey_(key, event->isAutoRepeat());
    }

    void focusInEvent(QFocusEvent* event) override {
        update();
        QWidget::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        update();
        QWidget::focusOutEvent(event);
    }

  private:
    QRectF Box(int cell) const {
        const int k = cell - 1;
        return QRectF(pitch_ * (k % n_), pitch_ * (k / n_), pitch_ + 1, pitch_ + 1);
    }

    // Each mark is one stroke over a wider one of a contrasting colour, so it reads on both
    // orbels and on the grey of an empty cell.
    static void Stroke(QPainter& painter, const QColor& under, const QColor& over, double width,
                       const std::function<void()>& draw) {
        painter.setPen(QPen(under, width + 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        draw();
        painter.setPen(QPen(over, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        draw();
    }

    void DrawWinning(QPainter& painter, const QRectF& box) const {
        const QRectF frame = box.adjusted(3.5, 3.5, -3.5, -3.5);
        const double round = pitch_ * 0.16;
        Stroke(painter, Qt::black, QColor(255, 215, 0), 2.5,
               [&] { painter.drawRoundedRect(frame, round, round); });
    }

    void DrawStands(QPainter& painter, const QRectF& box) const {
        const double radius = pitch_ * 0.37;
        Stroke(painter, Qt::white, Qt::black, 1.5,
               [&] { painter.drawEllipse(box.center(), radius, radius); });
    }

    void DrawPlaced(QPainter& painter, const QRectF& box) const {
        const double radius = pitch_ * 0.07;
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(Qt::black);
        painter.drawEllipse(box.center(), radius, radius);
        painter.setBrush(Qt::NoBrush);
    }

    // An analysed move: an arrow from the middle of its placement cell toward the orbel
    // it pushes, in a colour no other mark uses. It leaves the middle free for the dot of
    // the last move, and two pushes from one cell apart.
    void DrawAnalysed(QPainter& painter, const QRectF& box, int code) const {
        const int direction = DirectionOf(code);
        const double dx = direction == kRight ? 1 : direction == kLeft ? -1 : 0;
        const double dy = direction == kDown ? 1 : direction == kUp ? -1 : 0;
        const QPointF along(dx, dy);
        const QPointF across(-dy, dx);
        const QPointF tail = box.center() + along * (pitch_ * 0.12);
        const QPointF tip = box.center() + along * (pitch_ * 0.44);
        const QPointF barb = tip - along * (pitch_ * 0.14);
        const double spread = pitch_ * 0.13;
        QPainterPath arrow;
        arrow.moveTo(tail);
        arrow.lineTo(tip);
        arrow.moveTo(barb + across * spread);
        arrow.lineTo(tip);
        arrow.lineTo(barb - across * spread);
        Stroke(painter, QColor(0, 70, 0), QColor(60, 210, 40), 2.5,
               [&] { painter.drawPath(arrow); });
    }

    void DrawFocus(QPainter& painter, const QRectF& box) const {
        const QRectF frame = box.adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.drawRect(frame);
        painter.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
        painter.drawRect(frame);
    }

    std::function<void(BoardKey, bool)> onKey_;
    int n_ = 0;
    int pitch_ = 0;
    int placed_ = 0;
    int stands_ = 0;
    int focus_ = 0;
    std::array<bool, kBoardEntries> winning_ = {};
    QList<int> analysis_;
};

// The platform's keys for a command, or ours where the platform has none.
QList<QKeySequence> KeysFor(QKeySequence::StandardKey standard, const QKeySequence& fallback) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    if (keys.isEmpty()) keys << fallback;
    return keys;
}

QString Indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
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

MainWindow::MainWindow(Game& game, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
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

    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("frm_Orbel_client"));
    area->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(area);
    CreateBoard(area);
    CreateSidePanel(area);
    CreateMenus();
    CreateShortcuts();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The window's size is needed now, to centre it before it is shown.
    layout()->activate();

    selectTimer_ = new QTimer(this);
    selectTimer_->setObjectName(QStringLiteral("tmr_Select"));
    selectTimer_->setInterval(300);
    connect(selectTimer_, &QTimer::timeout, this, &MainWindow::tmr_Select_Timer);
    selectTimer_->start();
}

MainWindow::~MainWindow() {
    StopAndLetGo();
}

// The game waits without a window until the next one opens; a window already replaced by
// another leaves the game to it.
void MainWindow::StopAndLetGo() {
    if (controller_.Detach(this)) game_.Stop();
    SetBusyPointer(false);
}

// Frame first, then the images and above them the buttons that cover empty cells.
void MainWindow::CreateBoard(QWidget* area) {
    auto* border = new OutlineShape(area, OutlineShape::Kind::Rectangle, 1.0);
    border->setObjectName(QStringLiteral("shp_BoardBorder"));
    boardBorder_ = border;
    for (int cell = 1; cell < kBoardEntries; ++cell) {
        auto* image = new QLabel(area);
        image->setObjectName(Indexed("img_Board", cell));
        image->setScaledContents(true);
        cellImages_[cell] = image;
    }
    for (int cell = 1; cell < kBoardEntries; ++cell) {
        auto* button = new QPushButton(area);
        button->setObjectName(Indexed("btn_Board", cell));
        button->setCursor(Qt::CrossCursor);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, cell] { btn_Board_Click(cell); });
        cellButtons_[cell] = button;
    }
    marks_ = new BoardMarks(
        area, [this](BoardKey key, bool repeated) { controller_.PressKey(key, repeated); });
    marks_->setObjectName(QStringLiteral("shp_BoardMarks"));
    marks_->raise();
}

void MainWindow::CreateSidePanel(QWidget* area) {
    // Pictures are drawn for the screen the window opens on, so they are sharp when scaled.
    const qreal ratio = devicePixelRatioF();
    for (const int index : {0, 2, 4, 6, 8}) {
        auto* arrow = new PictureLabel(area, [this, index] { img_dir_Click(index); });
        arrow->setObjectName(Indexed("img_dir", index));
        arrow->setPixmap(ArrowPicture(index, ratio));
        arrow->resize(kArrowPictureSide, kArrowPictureSide);
        arrows_[index] = arrow;
    }
    for (const int index : {0, 1}) {
        auto* player = new PictureLabel(area, [this, index] { img_Player_Click(index); });
        player->setObjectName(Indexed("img_Player", index));
        player->setScaledContents(true);
        player->setPixmap(OrbelPicture(index == 0 ? Red : Blue, ratio));
        players_[index] = player;
        auto* ring = new OutlineShape(area, OutlineShape::Kind::Circle, 2.0);
        ring->setObjectName(Indexed("shp_Circle", index));
        ring->hide();
        rings_[index] = ring;
    }

    auto* messages = new QGroupBox(QStringLiteral("Messages"), area);
    messages->setObjectName(QStringLiteral("frm_Messages"));
    messages->setGeometry(777, 180, 251, 71);
    message_ = new QLabel(messages);
    message_->setObjectName(QStringLiteral("lbl_Message"));
    message_->setGeometry(10, 30, 231, 31);
    message_->setAlignment(Qt::AlignCenter);
    QPalette white = message_->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    message_->setPalette(white);

    undo_ = MakeButton(area, "btn_Undo", QStringLiteral("Undo"), QRect(790, 260, 91, 31));
    hint_ = MakeButton(area, "btn_Hint", QStringLiteral("Hint"), QRect(907, 260, 91, 31));
    forward_ = MakeButton(area, "btn_Forward", QStringLiteral("Forward"), QRect(860, 430, 101, 41));
    backward_ =
        MakeButton(area, "btn_Backward", QStringLiteral("Backward"), QRect(860, 480, 101, 41));
    // Nothing is possible before the first new game enables them.
    undo_->setEnabled(false);
    hint_->setEnabled(false);
    connect(undo_, &QPushButton::clicked, this, &MainWindow::btn_Undo_Click);
    connect(hint_, &QPushButton::clicked, this, &MainWindow::btn_Hint_Click);
    connect(forward_, &QPushButton::clicked, this, &MainWindow::btn_Forward_Click);
    connect(backward_, &QPushButton::clicked, this, &MainWindow::btn_Backward_Click);

    auto* title = new QLabel(area);
    title->setObjectName(QStringLiteral("img_Title"));
    title->setGeometry(770, 600, kTitleWidth, kTitleHeight);
    title->setPixmap(TitlePicture(ratio));
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
    QAction* analysis = item(options, "mnu_Analysis", "&Analysis");
    analysis->setShortcut(Qt::Key_A);
    connect(analysis, &QAction::triggered, this, &MainWindow::analysisRequested);

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
// focus stays on the board.
void MainWindow::CreateShortcuts() {
    const auto press = [this](QPushButton* button, const QList<QKeySequence>& keys,
                              const char* name) {
        auto* shortcut = new QShortcut(this);
        shortcut->setObjectName(QLatin1String(name));
        shortcut->setKeys(keys);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isVisible() && button->isEnabled()) button->click();
        });
    };
    press(undo_, KeysFor(QKeySequence::Undo, Qt::CTRL | Qt::Key_Z), "key_Undo");
    press(hint_, {QKeySequence(Qt::Key_H)}, "key_Hint");
    press(backward_, {QKeySequence(Qt::CTRL | Qt::Key_Left), QKeySequence(Qt::Key_PageUp)},
          "key_Backward");
    press(forward_, {QKeySequence(Qt::CTRL | Qt::Key_Right), QKeySequence(Qt::Key_PageDown)},
          "key_Forward");

    setTabOrder(marks_, undo_);
    setTabOrder(undo_, hint_);
    setTabOrder(hint_, backward_);
    setTabOrder(backward_, forward_);
}

void MainWindow::Form_Load(int level) {
    CentreOnScreen(*this);
    const int n = game_.BoardSize();
    LayOutBoard(n);
    for (int cell = n * n + 1; cell < kBoardEntries; ++cell) {
        cellButtons_[cell]->hide();
        cellButtons_[cell]->setEnabled(false);
        cellImages_[cell]->hide();
        cellImages_[cell]->setEnabled(false);
    }
    controller_.Attach(this);
    controller_.OpenGame(level);
    marks_->setFocus();
}

// Pitch 50 up to 11 x 11, 34 beyond; every cell is one pixel wider than the pitch so
// neighbours share their edge.
void MainWindow::LayOutBoard(int n) {
    const bool large = n >= 12;
    const int pitch = large ? 34 : 50;
    const int side = pitch + 1;
    for (int cell = 1; cell <= n * n; ++cell) {
        const int k = cell - 1;
        const QRect place(pitch * (k % n) + kBoardLeft, pitch * (k / n) + kBoardTop, side, side);
        cellButtons_[cell]->setGeometry(place);
        cellImages_[cell]->setGeometry(place);
    }
    static_cast<OutlineShape*>(boardBorder_)
        ->Place(kBoardLeft, kBoardTop, (large ? 34.05 : 50.2) * n);
    static_cast<BoardMarks*>(marks_)->LayOut(n, pitch);

    const int x0 = pitch * (n + 2) + kBoardLeft;
    const int y0 = static_cast<int>(std::lround(pitch * (n / 2.0 + 1.0))) - 30;
    arrows_[0]->move(x0, y0);
    arrows_[8]->move(x0, y0 - kArrowStep);
    arrows_[2]->move(x0, y0 + kArrowStep);
    arrows_[4]->move(x0 - kArrowStep, y0);
    arrows_[6]->move(x0 + kArrowStep, y0);

    const int pictureSide = large ? 34 : 40;
    for (const int index : {0, 1}) {
        const QRect place(670 + 70 * index, 100, pictureSide, pictureSide);
        players_[index]->setGeometry(place);
        static_cast<OutlineShape*>(rings_[index])->Place(place.left(), place.top(), pictureSide);
        rings_[index]->raise();
    }
}

void MainWindow::Show(const GamePicture& picture) {
    ShowCells(picture);
    ShowSidePanel(picture);
    auto* marks = static_cast<BoardMarks*>(marks_);
    marks->SetLastMove(picture.lastPlaced, picture.lastStands);
    marks->SetWinning(picture.winning);
    marks->SetFocusCell(picture.focusCell);
    emit gameShown();
}

void MainWindow::SetAnalysisMarks(const QList<int>& codes) {
    static_cast<BoardMarks*>(marks_)->SetAnalysisMarks(codes);
}

// An empty cell shows its button; an orbel its image, which the orbel in hand blinks.
void MainWindow::ShowCells(const GamePicture& picture) {
    const int n = picture.boardSize;
    const bool pointerChanged = plainPointer_ != picture.plainPointer;
    plainPointer_ = picture.plainPointer;
    for (int cell = 1; cell <= n * n; ++cell) {
        const bool hand = cell == picture.handCell;
        const int16_t side = hand ? picture.handSide : picture.cells[cell];
        const bool offered = picture.Offers(cell);
        cellButtons_[cell]->setVisible(offered);
        if (pointerChanged)
            cellButtons_[cell]->setCursor(plainPointer_ ? Qt::ArrowCursor : Qt::CrossCursor);
        if (side != Empty && side != imageSide_[cell]) {
            cellImages_[cell]->setPixmap(players_[(side + 1) / 2]->pixmap());
            imageSide_[cell] = side;
        }
        cellImages_[cell]->setVisible(side != Empty && (!hand || picture.handLit));
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
    SetBusyPointer(picture.busy);
}

void MainWindow::Beep() {
    QApplication::beep();
}

// The override cursor stacks, so it is set and restored at most once each.
void MainWindow::SetBusyPointer(bool busy) {
    if (busy == busyPointer_) return;
    busyPointer_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::btn_Board_Click(int cell) {
    controller_.ChooseCell(cell);
}

void MainWindow::img_dir_Click(int index) {
    controller_.ChoosePush(index);
}

// The Red picture is 0, the Blue one 1.
void MainWindow::img_Player_Click(int index) {
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
