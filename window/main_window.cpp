#include "window/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <functional>
#include <utility>

#include "dialogs/window_place.h"
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

MainWindow::MainWindow(GameState& state, RootSearch search, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      computer_(std::move(search)),
      controller_(state, *this, computer_, scheduler_) {
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
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The window's size is needed now, to centre it before it is shown.
    layout()->activate();

    selectTimer_ = new QTimer(this);
    selectTimer_->setObjectName(QStringLiteral("tmr_Select"));
    selectTimer_->setInterval(300);
    connect(selectTimer_, &QTimer::timeout, this, [this] { controller_.tmr_Select_Timer(); });
    selectTimer_->start();
}

MainWindow::~MainWindow() {
    controller_.StopComputer();
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
        connect(button, &QPushButton::clicked, this,
                [this, cell] { controller_.btn_Board_Click(cell); });
        cellButtons_[cell] = button;
    }
}

void MainWindow::CreateSidePanel(QWidget* area) {
    // Pictures are drawn for the screen the window opens on, so they are sharp when scaled.
    const qreal ratio = devicePixelRatioF();
    for (const int index : {0, 2, 4, 6, 8}) {
        auto* arrow = new PictureLabel(area, [this, index] { controller_.img_dir_Click(index); });
        arrow->setObjectName(Indexed("img_dir", index));
        arrow->setPixmap(ArrowPicture(index, ratio));
        arrow->resize(kArrowPictureSide, kArrowPictureSide);
        arrows_[index] = arrow;
    }
    for (const int index : {0, 1}) {
        auto* player =
            new PictureLabel(area, [this, index] { controller_.img_Player_Click(index); });
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
    connect(undo_, &QPushButton::clicked, this, [this] { controller_.btn_Undo_Click(); });
    connect(hint_, &QPushButton::clicked, this, [this] { controller_.btn_Hint_Click(); });
    connect(forward_, &QPushButton::clicked, this, [this] { controller_.btn_Forward_Click(); });
    connect(backward_, &QPushButton::clicked, this, [this] { controller_.btn_Backward_Click(); });

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
    connect(item(options, "mnu_NewGame", "&New Game"), &QAction::triggered, this,
            [this] { controller_.mnu_NewGame_Click(); });
    connect(item(options, "mnuFileItem_1", "&Load Game"), &QAction::triggered, this,
            &MainWindow::loadGameRequested);
    connect(item(options, "mnuFileItem_2", "&Save Game"), &QAction::triggered, this,
            &MainWindow::saveGameRequested);
    separator(options, "mnu_SizeSep");
    connect(item(options, "mnu_GameSize", "&Change Game Size"), &QAction::triggered, this,
            &MainWindow::mnu_GameSize_Click);
    separator(options, "mnu_ExitSep");
    connect(item(options, "mnu_Exit", "E&xit"), &QAction::triggered, this,
            &MainWindow::mnu_Exit_Click);

    QMenu* levels = menuBar()->addMenu(QStringLiteral("&Level"));
    levels->setObjectName(QStringLiteral("mnu_Level"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (int level = 0; level <= kDeepestLevel; ++level) {
        QAction* action = item(levels, kLevelItems[level].name, kLevelItems[level].caption);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, level] { controller_.SelectLevel(level); });
        levelItems_[level] = action;
        if (level == 0) separator(levels, "mnu_TwoSep");
    }
    levelItems_[1]->setChecked(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnu_Help"));
    connect(item(help, "mnu_Rules", "&Rules"), &QAction::triggered, this,
            &MainWindow::rulesRequested);
    connect(item(help, "mnu_About", "About Orbel &Five"), &QAction::triggered, this,
            &MainWindow::aboutRequested);
}

void MainWindow::Form_Load(const GameRecord* loaded) {
    CentreOnScreen(*this);
    const int n = state_.board.BoardSize;
    LayOutBoard(n);
    for (int cell = n * n + 1; cell < kBoardEntries; ++cell) {
        cellButtons_[cell]->hide();
        cellButtons_[cell]->setEnabled(false);
        cellImages_[cell]->hide();
        cellImages_[cell]->setEnabled(false);
    }
    if (loaded)
        controller_.Form_Load(*loaded);
    else
        controller_.Form_Load();
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

void MainWindow::DrawCell(int cell, int value) {
    if (value != 0) {
        cellImages_[cell]->setPixmap(players_[(value + 1) / 2]->pixmap());
        cellButtons_[cell]->hide();
    } else {
        cellButtons_[cell]->show();
    }
}

void MainWindow::SetCellButtonVisible(int cell, bool visible) {
    cellButtons_[cell]->setVisible(visible);
}

void MainWindow::SetCellImageVisible(int cell, bool visible) {
    cellImages_[cell]->setVisible(visible);
}

bool MainWindow::CellImageVisible(int cell) const {
    return !cellImages_[cell]->isHidden();
}

void MainWindow::SetCellButtonsDefaultPointer() {
    const int cells = state_.board.CellCount();
    for (int cell = 1; cell <= cells; ++cell) cellButtons_[cell]->setCursor(Qt::ArrowCursor);
}

// The centre image is never hidden.
void MainWindow::SetArrowVisible(int direction, bool visible) {
    if (direction > 0 && direction < static_cast<int>(arrows_.size()) && arrows_[direction])
        arrows_[direction]->setVisible(visible);
}

void MainWindow::ShowMessage(std::string_view text, int sideToMove) {
    message_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    rings_[0]->hide();
    rings_[1]->hide();
    rings_[(sideToMove + 1) / 2]->show();
}

void MainWindow::Beep() {
    QApplication::beep();
}

void MainWindow::SetBackwardVisible(bool visible) {
    backward_->setVisible(visible);
}

void MainWindow::SetForwardVisible(bool visible) {
    forward_->setVisible(visible);
}

bool MainWindow::BackwardVisible() const {
    return !backward_->isHidden();
}

bool MainWindow::ForwardVisible() const {
    return !forward_->isHidden();
}

void MainWindow::SetUndoEnabled(bool enabled) {
    undo_->setEnabled(enabled);
}

void MainWindow::SetHintEnabled(bool enabled) {
    hint_->setEnabled(enabled);
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

void MainWindow::SetLevelChecked(int level) {
    if (level >= 0 && level <= kDeepestLevel) levelItems_[level]->setChecked(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    controller_.StopComputer();
    SetBusyPointer(false);
    QMainWindow::closeEvent(event);
}

void MainWindow::mnu_GameSize_Click() {
    controller_.StopComputer();
    emit changeGameSizeRequested();
}

void MainWindow::mnu_Exit_Click() {
    controller_.StopComputer();
    close();
}

ModalHold::ModalHold(MainWindow* window) : window_(window) {
    if (window_) window_->controller().HoldGame();
}

ModalHold::~ModalHold() {
    if (window_) window_->controller().ReleaseGame();
}

}  // namespace orbel
