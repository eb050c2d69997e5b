#include "window/statistics_window.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "ui/window_place.h"
#include "window/main_window.h"

namespace orbel {

namespace {

// The figures' tables show this many rows at most and scroll beyond, so the list below keeps
// its room on a small screen.
constexpr int kMostFigureRows = 7;
constexpr int kFigureColumns = 5;
// Room for the list of games: a dozen rows where the screen has it.
constexpr int kListRows = 12;

QString Share(int won, int played) {
    if (played == 0) return QStringLiteral("-");
    return QStringLiteral("%1%").arg(std::lround(100.0 * won / played));
}

QString SideName(int16_t side) {
    return side == Red ? QStringLiteral("Red") : QStringLiteral("Blue");
}

QString ResultText(const FinishedGame& game) {
    switch (game.ForPerson()) {
        case PersonResult::Won:
            return QStringLiteral("Won");
        case PersonResult::Lost:
            return QStringLiteral("Lost");
        case PersonResult::Tie:
            return QStringLiteral("Tie");
        case PersonResult::Abandoned:
            return QStringLiteral("Abandoned");
        case PersonResult::TwoPlayer:
            break;
    }
    switch (game.result) {
        case GameResult::RedWon:
            return QStringLiteral("Red won");
        case GameResult::BlueWon:
            return QStringLiteral("Blue won");
        case GameResult::Tie:
            return QStringLiteral("Tie");
        case GameResult::Abandoned:
            break;
    }
    return QStringLiteral("Abandoned");
}

QString SizeText(int size) {
    return QStringLiteral("%1 \u00d7 %1").arg(size);
}

QTableWidget* FiguresTable(const char* name, const QString& first) {
    auto* table = new QTableWidget(0, kFigureColumns);
    table->setObjectName(QLatin1String(name));
    table->setHorizontalHeaderLabels({first, QStringLiteral("Played"), QStringLiteral("Won"),
                                      QStringLiteral("Lost"), QStringLiteral("Win share")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    // The name takes the spare width; the figures are as wide as their headings.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    const int rowHeight = table->fontMetrics().height() + 6;
    table->verticalHeader()->setMinimumSectionSize(rowHeight);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return table;
}

void FillRow(QTableWidget& table, const QString& name, const Tally& tally) {
    const int row = table.rowCount();
    table.insertRow(row);
    const QString cells[kFigureColumns] = {name, QString::number(tally.played),
                                           QString::number(tally.won), QString::number(tally.lost),
                                           Share(tally.won, tally.played)};
    for (int column = 0; column < kFigureColumns; ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        if (column > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table.setItem(row, column, item);
    }
}

// As high as its rows, up to kMostFigureRows of them.
void FitHeight(QTableWidget& table, int rows) {
    const int shown = std::clamp(rows, 1, kMostFigureRows);
    const int rowHeight = table.verticalHeader()->defaultSectionSize();
    table.setFixedHeight(table.horizontalHeader()->sizeHint().height() + shown * rowHeight +
                         2 * table.frameWidth());
}

}  // namespace

// The finished games, one row each, drawn only as they come into view: ten thousand of them
// cost no more to show than ten.
class FinishedGamesModel final : public QAbstractTableModel {
  public:
    enum Column { Date, Size, Level, Colour, Result, Moves, Columns };

    void SetGames(std::vector<FinishedGame> games) {
        beginResetModel();
        games_ = std::move(games);
        endResetModel();
    }
    const FinishedGame& game(int row) const { return games_[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(games_.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : Columns;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        if (role == Qt::TextAlignmentRole)
            return index.column() == Moves ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                           : QVariant();
        if (role != Qt::DisplayRole) return {};
        const FinishedGame& g = game(index.row());
        switch (index.column()) {
            case Date:
                return QDateTime::fromSecsSinceEpoch(g.ended).toString(
                    QStringLiteral("yyyy-MM-dd hh:mm"));
            case Size:
                return SizeText(g.size);
            case Level:
                return LevelName(g.TwoPlayer() ? 0 : g.level);
            case Colour:
                return g.TwoPlayer() ? QStringLiteral("-") : SideName(g.PersonSide());
            case Result:
                return ResultText(g);
            case Moves:
                return int(g.moves);
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal) return {};
        if (role == Qt::TextAlignmentRole && section == Moves)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        static const char* const kTitles[Columns] = {"Date",   "Size",   "Level",
                                                     "Colour", "Result", "Moves"};
        return QString::fromLatin1(kTitles[section]);
    }

  private:
    std::vector<FinishedGame> games_;
};

StatisticsWindow::StatisticsWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      model_(new FinishedGamesModel) {
    setObjectName(QStringLiteral("frm_Statistics"));
    setWindowTitle(QStringLiteral("Orbel Five Statistics"));
    // The game waits while the record is shown, so the figures are those of its games.
    setModal(true);

    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("lbl_Summary"));
    summary_->setTextFormat(Qt::PlainText);
    levels_ = FiguresTable("tbl_Levels", QStringLiteral("Level"));
    sizes_ = FiguresTable("tbl_Sizes", QStringLiteral("Size"));
    auto* figures = new QHBoxLayout;
    figures->addWidget(levels_);
    figures->addWidget(sizes_);

    model_->setParent(this);
    games_ = new QTreeView;
    games_->setObjectName(QStringLiteral("lst_Games"));
    games_->setModel(model_);
    games_->setRootIsDecorated(false);
    games_->setItemsExpandable(false);
    games_->setUniformRowHeights(true);
    games_->setAllColumnsShowFocus(true);
    games_->setSelectionBehavior(QAbstractItemView::SelectRows);
    games_->setSelectionMode(QAbstractItemView::SingleSelection);
    games_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Widths from the longest texts, never from the rows: measuring every row would cost
    // a scan of them all.
    const QFontMetrics metrics(games_->font());
    const int pad = 3 * metrics.averageCharWidth();
    const char* const widest[FinishedGamesModel::Columns] = {
        "0000-00-00 00:00", "17 \u00d7 17", "GrandMaster", "Colour", "Abandoned", "Moves"};
    for (int column = 0; column < FinishedGamesModel::Columns; ++column)
        games_->header()->resizeSection(
            column, metrics.horizontalAdvance(QString::fromUtf8(widest[column])) + pad);
    games_->header()->setStretchLastSection(false);
    games_->header()->setSectionResizeMode(FinishedGamesModel::Result, QHeaderView::Stretch);
    connect(games_, &QAbstractItemView::activated, this, &StatisticsWindow::OpenChosen);

    problem_ = new QLabel;
    problem_->setObjectName(QStringLiteral("lbl_Problem"));
    problem_->setTextFormat(Qt::PlainText);
    problem_->setWordWrap(true);
    problem_->hide();

    // No button is the default: Enter in the list opens the game it is on, and nothing else.
    const auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    open_ = button("btn_Open", QStringLiteral("&Open"));
    reset_ = button("btn_Reset", QStringLiteral("&Reset"));
    QPushButton* close = button("btn_Close", QStringLiteral("Close"));
    connect(open_, &QPushButton::clicked, this, &StatisticsWindow::OpenChosen);
    connect(reset_, &QPushButton::clicked, this, &StatisticsWindow::AskReset);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_);
    buttons->addWidget(reset_);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addLayout(figures);
    layout->addWidget(games_, 1);
    layout->addWidget(problem_);
    layout->addLayout(buttons);

    ShowHistory({}, {});
    RefitOnceFramed(*this, [this] { OpenOnScreen(); });
}

StatisticsWindow::~StatisticsWindow() = default;

void StatisticsWindow::ShowHistory(const PlayerHistory& history, const QString& problem) {
    ShowFigures(history.statistics, !problem.isEmpty());
    model_->SetGames(history.games);
    const bool any = !history.games.empty();
    if (any) games_->setCurrentIndex(model_->index(0, 0));
    open_->setEnabled(any);
    reset_->setEnabled(any);
    ShowProblem(problem);
    if (!isVisible()) OpenOnScreen();
}

void StatisticsWindow::ShowProblem(const QString& problem) {
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
}

// With a problem, an empty history may only be one that could not be read.
void StatisticsWindow::ShowFigures(const PlayerStatistics& figures, bool problem) {
    const Tally& all = figures.all;
    QString text;
    if (all.played == 0) {
        text = problem ? QStringLiteral("No finished games to show.")
                       : QStringLiteral("No finished games against the computer yet.");
    } else {
        text = QStringLiteral("Played %1: won %2, lost %3, tied %4, abandoned %5. Win share %6.")
                   .arg(all.played)
                   .arg(all.won)
                   .arg(all.lost)
                   .arg(all.tied)
                   .arg(all.abandoned)
                   .arg(Share(all.won, all.played));
        text += QStringLiteral("\nWinning streak: %1 now, %2 at the longest.")
                    .arg(figures.currentStreak)
                    .arg(figures.longestStreak);
    }
    if (figures.twoPlayer > 0)
        text += QStringLiteral("\nTwo-player games: %1, listed but not counted.")
                    .arg(figures.twoPlayer);
    summary_->setText(text);

    levels_->setRowCount(0);
    sizes_->setRowCount(0);
    for (int level = 1; level <= kDeepestLevel; ++level)
        if (figures.byLevel[level].played > 0)
            FillRow(*levels_, LevelName(level), figures.byLevel[level]);
    for (int size = kSmallestSize; size <= kLargestSize; size += 2)
        if (figures.bySize[size].played > 0) FillRow(*sizes_, SizeText(size), figures.bySize[size]);
    const int rows = std::max(levels_->rowCount(), sizes_->rowCount());
    FitHeight(*levels_, rows);
    FitHeight(*sizes_, rows);
    levels_->setVisible(all.played > 0);
    sizes_->setVisible(all.played > 0);
}

void StatisticsWindow::OpenChosen() {
    const QModelIndex chosen = games_->currentIndex();
    if (chosen.isValid()) emit gameChosen(model_->game(chosen.row()).id);
}

void StatisticsWindow::AskReset() {
    QMessageBox ask(QMessageBox::Question, windowTitle(),
                    QStringLiteral("Clear the record of every finished game? This cannot be "
                                   "undone. The game on the board is kept."),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName(QStringLiteral("msg_Reset"));
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() == QMessageBox::Yes) emit resetConfirmed();
}

// Room for the figures and a dozen games where the screen has it; less, the list scrolling,
// where it has not.
void StatisticsWindow::OpenOnScreen() {
    const int rowHeight = games_->fontMetrics().height() + 4;
    const int listWidth = games_->header()->length() + 2 * games_->frameWidth() + 24;
    QSize wanted = sizeHint();
    wanted.setWidth(std::max({wanted.width(), listWidth, levels_->sizeHint().width() * 2}));
    wanted.setHeight(wanted.height() + kListRows * rowHeight);
    resize(wanted.boundedTo(RoomOnScreen(*this)));
    CentreOnScreen(*this);
}

}  // namespace orbel
