#include "app/orbel_app.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <utility>

#include "dialogs/board_size_dialog.h"
#include "dialogs/rules_window.h"
#include "ui/window_place.h"
#include "window/main_window.h"
#include "window/orbel_pictures.h"

namespace orbel {

OrbelApp::OrbelApp(RootSearch search, const SettingsStore* store, QObject* parent)
    : QObject(parent),
      game_(std::make_unique<Game>(scheduler_,
                                   search ? std::make_unique<ComputerPlayer>(std::move(search))
                                          : std::make_unique<ComputerPlayer>())),
      store_(store),
      settings_(store ? store->Read() : PlayerSettings{}) {
    QApplication::setWindowIcon(OrbelIcon());
}

OrbelApp::~OrbelApp() {
    delete analysisWindow_;
    delete aboutWindow_;
    delete sizeDialog_;
    delete mainWindow_;
}

void OrbelApp::Start() {
    AskBoardSize();
}

void OrbelApp::AskBoardSize() {
    auto* dialog = new BoardSizeDialog(BoardSizeDialog::Use::ChooseSize, settings_.boardSize);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &BoardSizeDialog::sizeChosen, this, &OrbelApp::btn_GameSize_Click);
    // A choice only hides the dialog; every opening makes it anew.
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    connect(dialog, &QObject::destroyed, this, &OrbelApp::CheckWindowsLeft);
    sizeDialog_ = dialog;
    dialog->show();
}

void OrbelApp::btn_GameSize_Click(int size) {
    settings_.boardSize = size;
    Remember();
    StartGame(size);
}

// A settings file that cannot be written only means the next run starts as designed.
void OrbelApp::Remember() {
    if (store_) store_->Write(settings_);
}

MainWindow* OrbelApp::StartGame(int size) {
    replacingMainWindow_ = true;
    CloseMainWindow();
    replacingMainWindow_ = false;
    game_->ChooseSize(size);
    return OpenMainWindow();
}

MainWindow* OrbelApp::OpenRecord(const GameRecord& record) {
    replacingMainWindow_ = true;
    CloseMainWindow();
    replacingMainWindow_ = false;
    game_->TakeRecord(record);
    return OpenMainWindow();
}

MainWindow* OrbelApp::OpenMainWindow() {
    auto* window = new MainWindow(*game_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &MainWindow::changeGameSizeRequested, this, &OrbelApp::mnu_GameSize_Click);
    connect(window, &MainWindow::aboutRequested, this, &OrbelApp::mnu_About_Click);
    connect(window, &MainWindow::rulesRequested, this, &OrbelApp::mnu_Rules_Click);
    connect(window, &MainWindow::loadGameRequested, this,
            [this] { records_.mnuFileItem_Click(1); });
    connect(window, &MainWindow::saveGameRequested, this,
            [this] { records_.mnuFileItem_Click(2); });
    connect(window, &QObject::destroyed, this, &OrbelApp::CheckWindowsLeft);
    connect(window, &MainWindow::levelChosen, this, [this](int level) {
        settings_.level = level;
        Remember();
    });
    connect(window, &MainWindow::closing, this, [this, window] {
        RememberWhereItIs(*window);
        // The analysis goes with the board it follows, unless another takes its place.
        if (analysisWindow_ && !replacingMainWindow_) analysisWindow_->close();
    });
    connect(window, &MainWindow::analysisRequested, this, &OrbelApp::mnu_Analysis_Click);
    connect(window, &MainWindow::gameShown, this, [this] {
        if (analysisWindow_) analysisWindow_->Follow();
    });
    mainWindow_ = window;
    window->Form_Load(settings_.level);
    if (analysisWindow_) window->SetAnalysisMarks(analysisWindow_->marks());
    ShowWhereThePlayerLeftIt(*window);
    return window;
}

// Where the window last was, if that is on a screen there is now; centred otherwise.
void OrbelApp::ShowWhereThePlayerLeftIt(MainWindow& window) {
    if (settings_.mainWindow) {
        if (const auto place =
                RestoredGeometry(*settings_.mainWindow, FrameAllowance(window), AvailableAreas()))
            window.setGeometry(*place);
    }
    if (settings_.mainWindowMaximised)
        window.showMaximized();
    else
        window.show();
}

void OrbelApp::RememberWhereItIs(const MainWindow& window) {
    settings_.mainWindow = window.normalGeometry();
    settings_.mainWindowMaximised = window.isMaximized();
    Remember();
}

// The About window shares its form with the board-size dialog, so it goes first.
void OrbelApp::mnu_GameSize_Click() {
    if (aboutWindow_) aboutWindow_->close();
    AskBoardSize();
    CloseMainWindow();
}

void OrbelApp::mnu_About_Click() {
    if (aboutWindow_) {
        aboutWindow_->raise();
        aboutWindow_->activateWindow();
        return;
    }
    auto* about = new BoardSizeDialog(BoardSizeDialog::Use::About);
    about->setAttribute(Qt::WA_DeleteOnClose);
    connect(about, &QObject::destroyed, this, &OrbelApp::CheckWindowsLeft);
    aboutWindow_ = about;
    about->show();
}

void OrbelApp::mnu_Rules_Click() {
    auto* rules = new RulesWindow(mainWindow_);
    rules->setAttribute(Qt::WA_DeleteOnClose);
    // The window is modal: the game waits until it is closed.
    game_->Hold();
    connect(rules, &QDialog::finished, this, [this] { game_->Release(); });
    rules->show();
}

void OrbelApp::mnu_Analysis_Click() {
    if (analysisWindow_) {
        analysisWindow_->raise();
        analysisWindow_->activateWindow();
        return;
    }
    auto* analysis = new AnalysisWindow(*game_);
    analysis->setAttribute(Qt::WA_DeleteOnClose);
    connect(analysis, &AnalysisWindow::marksChanged, this, [this](const QList<int>& codes) {
        if (mainWindow_) mainWindow_->SetAnalysisMarks(codes);
    });
    connect(analysis, &AnalysisWindow::closing, this, [this, analysis] {
        settings_.analysisWindow = analysis->normalGeometry();
        Remember();
    });
    connect(analysis, &QObject::destroyed, this, [this] {
        if (mainWindow_) mainWindow_->SetAnalysisMarks({});
        CheckWindowsLeft();
    });
    analysisWindow_ = analysis;
    analysis->Follow();
    ShowAnalysisWhereThePlayerLeftIt(*analysis);
}

// Where the player left it, if that is on a screen there is now; else at the right edge of
// the screen, as narrow as it may be to leave the board uncovered.
void OrbelApp::ShowAnalysisWhereThePlayerLeftIt(AnalysisWindow& window) {
    const QMargins frame = FrameAllowance(window);
    const std::optional<QRect> place =
        settings_.analysisWindow
            ? RestoredGeometry(*settings_.analysisWindow, frame, AvailableAreas())
            : std::nullopt;
    if (place) {
        window.setGeometry(*place);
    } else {
        const QRect area = mainWindow_ ? AvailableArea(*mainWindow_) : AvailableArea(window);
        QSize size = QSize(480, 700).boundedTo(RoomOnScreen(window));
        if (mainWindow_) {
            const int beside =
                area.right() - mainWindow_->frameGeometry().right() - frame.left() - frame.right();
            const int narrowest = std::min(window.minimumSizeHint().width(), size.width());
            size.setWidth(std::clamp(beside, narrowest, size.width()));
        }
        window.resize(size);
        const QSize outer = size.grownBy(frame);
        QPoint corner = CentredInside(outer, area);
        corner.setX(std::max(area.left(), area.right() + 1 - outer.width()));
        window.move(corner);
    }
    window.show();
}

void OrbelApp::CloseMainWindow() {
    if (!mainWindow_) return;
    MainWindow* window = mainWindow_;
    mainWindow_ = nullptr;
    window->close();
}

// Checked once the closing window is gone; a window opened meanwhile keeps the program on.
void OrbelApp::CheckWindowsLeft() {
    if (checkQueued_) return;
    checkQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        checkQueued_ = false;
        for (const QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible()) return;
        if (ended_) return;
        ended_ = true;
        emit noWindowLeft();
    });
}

}  // namespace orbel
