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

OrbelApp::OrbelApp(RootSearch search, const SettingsStore* store, GameStore* games, QObject* parent)
    : QObject(parent),
      game_(std::make_unique<Game>(scheduler_,
                                   search ? std::make_unique<ComputerPlayer>(std::move(search))
                                          : std::make_unique<ComputerPlayer>())),
      store_(store),
      games_(games),
      settings_(store ? store->Read() : PlayerSettings{}) {
    QApplication::setWindowIcon(OrbelIcon());
    if (games_) games_->Attach(*game_);
}

OrbelApp::~OrbelApp() {
    delete statisticsWindow_;
    delete analysisWindow_;
    delete aboutWindow_;
    delete sizeDialog_;
    delete mainWindow_;
}

void OrbelApp::Start() {
    AskBoardSize();
}

// An unfinished game kept in the store is offered first, in the game's own words.
void OrbelApp::AskBoardSize() {
    QString offer;
    if (const std::optional<KeptGame> kept = games_ ? games_->Unfinished() : std::nullopt)
        offer = QStringLiteral("Continue %1 \u00d7 %1, %2, move %3")
                    .arg(kept->boardSize)
                    .arg(LevelName(kept->level))
                    .arg(kept->moves.count() + 1);
    auto* dialog =
        new BoardSizeDialog(BoardSizeDialog::Use::ChooseSize, settings_.boardSize, offer);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &BoardSizeDialog::sizeChosen, this, &OrbelApp::btn_GameSize_Click);
    connect(dialog, &BoardSizeDialog::continueChosen, this, &OrbelApp::btn_Continue_Click);
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

// The game goes on where it was left, at its own level, which is now the player's.
void OrbelApp::btn_Continue_Click() {
    replacingMainWindow_ = true;
    CloseMainWindow();
    replacingMainWindow_ = false;
    // Only a sound game is offered; should it be gone meanwhile, a new one of its size.
    if (!games_ || !games_->Continue(*game_)) game_->ChooseSize(game_->BoardSize());
    settings_.level = game_->state().SearchLevel;
    Remember();
    OpenMainWindow();
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
        // The analysis goes with the board it follows, unless another takes its place; left
        // open, it opens again with the next board, in this run or the next.
        if (replacingMainWindow_) {
            window->TakeAnalysis();
        } else if (analysisWindow_) {
            CloseAnalysis();
            settings_.analysisOpen = true;
            Remember();
        }
    });
    connect(window, &MainWindow::analysisRequested, this, &OrbelApp::mnu_Analysis_Click);
    connect(window, &MainWindow::analysisClosed, this, &OrbelApp::CloseAnalysis);
    connect(window, &MainWindow::statisticsRequested, this, &OrbelApp::mnu_Statistics_Click);
    connect(window, &MainWindow::gameShown, this, [this] {
        if (analysisWindow_) analysisWindow_->Follow();
    });
    mainWindow_ = window;
    window->Form_Load(settings_.level);
    window->RestorePanelPlace(settings_.mainWindowState);
    ShowWhereThePlayerLeftIt(*window);
    return window;
}

// Where the window last was, if the whole of it is on a screen there is now; fitted and
// centred otherwise. An open analysis comes along, so the window is shown once, complete.
void OrbelApp::ShowWhereThePlayerLeftIt(MainWindow& window) {
    if (settings_.mainWindow) {
        const QMargins frame = FrameAllowance(window);
        if (const auto place = RestoredGeometry(*settings_.mainWindow, frame, AvailableAreas())) {
            window.resize(place->size());
            window.move(place->topLeft() - QPoint(frame.left(), frame.top()));
        }
    }
    if (analysisWindow_) {
        window.OpenAnalysis(analysisWindow_, MainWindow::Focus::Leave);
        window.SetAnalysisMarks(analysisWindow_->marks(), analysisWindow_->lineSide());
    } else if (settings_.analysisOpen) {
        OpenAnalysis(MainWindow::Focus::Leave);
    }
    if (settings_.mainWindowMaximised)
        window.showMaximized();
    else
        window.show();
}

void OrbelApp::RememberWhereItIs(const MainWindow& window) {
    settings_.mainWindow = window.BoardGeometry();
    settings_.mainWindowMaximised = window.isMaximized();
    settings_.mainWindowState = window.PanelPlace();
    RememberAnalysisLevels();
    Remember();
}

// The level pickers are remembered with the panel's place.
void OrbelApp::RememberAnalysisLevels() {
    if (!analysisWindow_) return;
    settings_.analysisDeepest = analysisWindow_->session().deepest();
    settings_.reviewLevel = analysisWindow_->session().reviewLevel();
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

// A and Options > Analysis open the panel, or close it when it is open.
void OrbelApp::mnu_Analysis_Click() {
    if (analysisWindow_)
        CloseAnalysis();
    else
        OpenAnalysis();
}

void OrbelApp::OpenAnalysis(MainWindow::Focus focus) {
    if (!mainWindow_) return;
    auto* analysis = new AnalysisWindow(*game_);
    analysis->SetLevels(settings_.analysisDeepest.value_or(analysis->session().deepest()),
                        settings_.reviewLevel.value_or(analysis->session().reviewLevel()));
    connect(analysis, &AnalysisWindow::marksChanged, this,
            [this](const QList<int>& codes, int lineSide) {
                if (mainWindow_) mainWindow_->SetAnalysisMarks(codes, lineSide);
            });
    // Looking back at a move is Backward pressed as often as it takes.
    connect(analysis, &AnalysisWindow::stepRequested, this,
            [this](int moveNumber) { game_->controller().StepBackTo(moveNumber); });
    analysisWindow_ = analysis;
    settings_.analysisOpen = true;
    analysis->Follow();
    mainWindow_->OpenAnalysis(analysis, focus);
}

// Modal, as the rules are: the game waits while its record is read, so no game ends unseen
// meanwhile, and a game opened from it replaces the game in hand at once.
void OrbelApp::mnu_Statistics_Click() {
    // One at a time; one closed and not yet gone makes way.
    if (!mainWindow_ || (statisticsWindow_ && statisticsWindow_->isVisible())) return;
    auto* window = new StatisticsWindow(mainWindow_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    statisticsWindow_ = window;
    game_->Hold();
    connect(window, &QDialog::finished, this, [this] { game_->Release(); });
    connect(window, &StatisticsWindow::gameChosen, this, &OrbelApp::OpenFinishedGame);
    connect(window, &StatisticsWindow::resetConfirmed, this, [this] {
        if (games_) games_->Reset();
        ShowStatistics();
    });
    ShowStatistics();
    window->show();
}

void OrbelApp::ShowStatistics() {
    if (!statisticsWindow_) return;
    if (!games_) {
        statisticsWindow_->ShowHistory({}, QStringLiteral("This run keeps no games."));
        return;
    }
    const PlayerHistory history = games_->ReadHistory();
    statisticsWindow_->ShowHistory(history, QString::fromStdString(games_->Problem()));
}

// As a record read from a file: Forward and the analysis's review replay it.
void OrbelApp::OpenFinishedGame(qint64 id) {
    const std::optional<GameRecord> record = games_ ? games_->FinishedRecord(id) : std::nullopt;
    if (!record) {
        if (statisticsWindow_)
            statisticsWindow_->ShowProblem(QStringLiteral("That game cannot be read back."));
        return;
    }
    if (statisticsWindow_) statisticsWindow_->close();
    OpenRecord(*record);
}

// Stops the analysis at once and takes its marks off the board; nothing of it runs after.
void OrbelApp::CloseAnalysis() {
    if (!analysisWindow_) return;
    if (mainWindow_) {
        mainWindow_->TakeAnalysis();
        mainWindow_->SetAnalysisMarks({});
        settings_.mainWindowState = mainWindow_->PanelPlace();
        settings_.analysisOpen = false;
        RememberAnalysisLevels();
        Remember();
    }
    delete analysisWindow_;
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
