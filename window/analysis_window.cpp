#include "window/analysis_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/move_rules.h"
#include "window/evaluation_graph.h"

namespace orbel {

namespace {

constexpr int kCodeRole = Qt::UserRole;

const QColor kRedText(170, 0, 0);
const QColor kBlueText(0, 0, 170);
const QColor kMistakeText(190, 60, 0);

QString SideName(int side) {
    return side == Red ? QStringLiteral("Red") : QStringLiteral("Blue");
}

QColor SideColour(int side) {
    return side == Red ? kRedText : kBlueText;
}

// Row and column from the top-left, as a person counts them.
QString CellName(int n, int cell) {
    return QStringLiteral("%1, %2").arg((cell - 1) / n + 1).arg((cell - 1) % n + 1);
}

QString PushArrow(int direction) {
    switch (direction) {
        case kDown:
            return QStringLiteral("\u2193");
        case kLeft:
            return QStringLiteral("\u2190");
        case kRight:
            return QStringLiteral("\u2192");
        default:
            return QStringLiteral("\u2191");
    }
}

// Short enough for a narrow column: "5,6 ↓".
QString MoveName(int n, int code) {
    const int cell = PlacementOf(code);
    return QStringLiteral("%1,%2 ").arg((cell - 1) / n + 1).arg((cell - 1) % n + 1) +
           PushArrow(DirectionOf(code));
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Value(Tenths value) {
    return Text(ValueText(value));
}

// A candidate's value at the level shown, the mover's view. An upper bound reads as one;
// one that is a won value only says the move is not among the best.
QString CandidateValue(const AnalysedMove& move) {
    if (move.decidedAt > 0) return Text(EndText(move.value, move.decidedAt));
    switch (move.kind) {
        case ValueKind::AtMost:
            return OutcomeOf(move.value) == Outcome::Won
                       ? QStringLiteral("below the best")
                       : QStringLiteral("\u2264 ") + Value(move.value);
        case ValueKind::Static:
            return QStringLiteral("not searched");
        case ValueKind::Exact:
            break;
    }
    return Value(move.value);
}

// The position's evaluation in words: who stands better by how much, from the values held
// still, or who wins in how many moves.
QString Headline(const LevelAnalysis& a) {
    if (a.count == 0) return QStringLiteral("No push is left.");
    if (a.decidedAt > 0) {
        const bool won = OutcomeOf(a.best.value) == Outcome::Won;
        const int moves = MovesToEnd(a.best.value, a.decidedAt);
        if (moves == 0)
            return QStringLiteral("Every push of %1 loses.").arg(SideName(a.sideToMove));
        return QStringLiteral("%1 wins in %2")
            .arg(SideName(won ? a.sideToMove : -a.sideToMove))
            .arg(moves);
    }
    const Tenths red = RedView(a.evaluation, a.sideToMove);
    const QString levels = a.level > 1
                               ? QStringLiteral("levels %1 and %2").arg(a.level - 1).arg(a.level)
                               : QStringLiteral("level 1");
    const QString words = red == 0 ? QStringLiteral("Even")
                                   : QStringLiteral("%1 better by %2")
                                         .arg(SideName(red > 0 ? Red : Blue))
                                         .arg(Text(FormatTenths(std::abs(red))));
    return QStringLiteral("%1 <small>(%2)</small>").arg(words, levels);
}

QString Loss(Tenths loss) {
    return Text(FormatTenths(loss));
}

QString VerdictText(const ReviewedMove& move) {
    switch (VerdictOf(move)) {
        case Verdict::LosesTheGame:
            return QStringLiteral("loses the game");
        case Verdict::Mistake:
            return Loss(move.loss) + QStringLiteral(" mistake");
        case Verdict::None:
            break;
    }
    return Loss(move.loss);
}

QTreeWidget* MakeList(QWidget* parent, const char* name, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(true);
    return list;
}

// The width a list needs to show `widest`, one text a column, without scrolling sideways.
int ListWidth(const QTreeWidget& list, const QStringList& widest) {
    const QFontMetrics metrics = list.fontMetrics();
    const int margins =
        2 * list.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &list) +
        2 * list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 4;
    int width = 2 * list.frameWidth() + list.verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < widest.size(); ++c)
        width += std::max(metrics.horizontalAdvance(widest[c]),
                          metrics.horizontalAdvance(list.headerItem()->text(c))) +
                 margins;
    return width;
}

}  // namespace

AnalysisWindow::AnalysisWindow(const Game& game, QWidget* parent)
    : QWidget(parent), session_(std::make_unique<AnalysisSession>(game, results_)) {
    setObjectName(QStringLiteral("frm_Analysis"));
    CreateControls();
    setFocusProxy(candidates_);
    session_->OnChange([this] { Refresh(); });
    Refresh();
}

AnalysisWindow::~AnalysisWindow() = default;

void AnalysisWindow::CreateControls() {
    deepest_ = new QSpinBox(this);
    deepest_->setObjectName(QStringLiteral("spn_Deepest"));
    deepest_->setRange(1, kDeepestLevel);
    deepest_->setValue(session_->deepest());
    reviewLevel_ = new QSpinBox(this);
    reviewLevel_->setObjectName(QStringLiteral("spn_ReviewLevel"));
    reviewLevel_->setRange(1, kDeepestLevel);
    reviewLevel_->setValue(session_->reviewLevel());
    connect(deepest_, &QSpinBox::valueChanged, this, [this](int level) {
        session_->SetDeepest(level);
        Refresh();
    });
    connect(reviewLevel_, &QSpinBox::valueChanged, this, [this](int level) {
        session_->SetReviewLevel(level);
        Refresh();
    });

    // One above the other, so the panel stays narrow.
    auto* levels = new QGridLayout;
    auto* deepestLabel = new QLabel(QStringLiteral("&Deepest level:"), this);
    deepestLabel->setBuddy(deepest_);
    auto* reviewLabel = new QLabel(QStringLiteral("&Review level:"), this);
    reviewLabel->setBuddy(reviewLevel_);
    levels->addWidget(deepestLabel, 0, 0);
    levels->addWidget(deepest_, 0, 1);
    levels->addWidget(reviewLabel, 1, 0);
    levels->addWidget(reviewLevel_, 1, 1);
    levels->setColumnStretch(2, 1);

    position_ = new QLabel(this);
    position_->setObjectName(QStringLiteral("lbl_Position"));
    evaluation_ = new QLabel(this);
    evaluation_->setObjectName(QStringLiteral("lbl_Evaluation"));
    QFont headline = evaluation_->font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.2);
    evaluation_->setFont(headline);
    evaluation_->setWordWrap(true);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lbl_Status"));
    status_->setWordWrap(true);
    legend_ = new QLabel(
        QStringLiteral(
            "From Red's side, the mean of the last two levels' best values: one level alone "
            "leans towards the side that moves last in its search. A link of two neighbouring "
            "orbels of one colour counts 2 units for that side (after move 4, as of the "
            "position searched). Wins in N: with the winner's N-th move. The moves below: "
            "the mover's values at the level shown; \u2264 at most."),
        this);
    legend_->setObjectName(QStringLiteral("lbl_Legend"));
    legend_->setWordWrap(true);
    QFont small = legend_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    legend_->setFont(small);

    candidates_ = MakeList(
        this, "lst_Candidates",
        {QStringLiteral("Place (row, col)"), QStringLiteral("Push"), QStringLiteral("Value")});
    connect(candidates_, &QTreeWidget::itemSelectionChanged, this, &AnalysisWindow::ChooseFromList);
    // Enter or a double click on a move shows the line it leads into.
    connect(candidates_, &QTreeWidget::itemActivated, this, [this] { ShowLineOnBoard(true); });
    candidates_->installEventFilter(this);

    line_ = new QLabel(this);
    line_->setObjectName(QStringLiteral("lbl_Line"));
    line_->setWordWrap(true);
    line_->setTextFormat(Qt::RichText);
    showLine_ = new QPushButton(QStringLiteral("Show li&ne"), this);
    showLine_->setObjectName(QStringLiteral("btn_ShowLine"));
    showLine_->setCheckable(true);
    showLine_->installEventFilter(this);
    connect(showLine_, &QPushButton::toggled, this, &AnalysisWindow::ShowLineOnBoard);
    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(line_, 1);
    lineRow->addWidget(showLine_, 0, Qt::AlignTop);

    reviewTitle_ = new QLabel(this);
    reviewTitle_->setObjectName(QStringLiteral("lbl_ReviewTitle"));
    reviewTitle_->setWordWrap(true);
    reviewTitle_->setFont(small);
    graph_ = new EvaluationGraph(this);
    review_ = MakeList(this, "lst_Review",
                       {QStringLiteral("#"), QStringLiteral("Move"), QStringLiteral("Value"),
                        QStringLiteral("Best"), QStringLiteral("Loss")});
    review_->installEventFilter(this);
    reviewTitle_->setBuddy(review_);
    // Enter or a double click on a move takes the game back to it, as does a double click
    // on its point of the graph; a click on a point finds its row.
    connect(review_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* row) { StepInto(row); });
    graph_->onPointChosen = [this](int index) {
        if (QTreeWidgetItem* row = review_->topLevelItem(index)) {
            review_->setCurrentItem(row);
            review_->setFocus();
        }
    };
    graph_->onPointActivated = [this](int index) { StepInto(review_->topLevelItem(index)); };

    auto* column = new QVBoxLayout(this);
    column->addLayout(levels);
    column->addWidget(position_);
    column->addWidget(evaluation_);
    column->addWidget(status_);
    column->addWidget(legend_);
    column->addWidget(candidates_, 3);
    column->addLayout(lineRow);
    column->addWidget(reviewTitle_);
    column->addWidget(graph_, 1);
    column->addWidget(review_, 2);
}

// Escape in the panel takes the line off the board, then gives the board the best moves
// again.
bool AnalysisWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        (lineShown_ || (watched == candidates_ && chosen_ != 0))) {
        if (lineShown_)
            ShowLineOnBoard(false);
        else
            candidates_->clearSelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AnalysisWindow::Follow() {
    session_->Follow();
}

void AnalysisWindow::SetLevels(int deepest, int review) {
    deepest_->setValue(deepest);
    reviewLevel_->setValue(review);
}

// Narrow enough to stand beside the board on a small screen, with the review's columns
// whole at their widest.
QSize AnalysisWindow::sizeHint() const {
    const QSize least = minimumSizeHint();
    const QMargins margins = contentsMargins() + layout()->contentsMargins();
    const int review = ListWidth(
        *review_, {QStringLiteral("999"), QStringLiteral("17,17 \u2193"), QStringLiteral("+99.9"),
                   QStringLiteral("+99.9"), QStringLiteral("loses the game")});
    return {std::max(least.width(), review + margins.left() + margins.right()),
            std::max(least.height(), 30 * fontMetrics().height())};
}

void AnalysisWindow::Refresh() {
    ShowStatus();
    ShowCandidates();
    ShowLine();
    ShowReview();
    UpdateMarks();
}

void AnalysisWindow::ShowStatus() {
    const AnalysisSession& s = *session_;
    const BoardState& b = s.position();
    using S = AnalysisSession::Standing;
    position_->setText(s.standing() == S::Stopped
                           ? QString()
                           : QStringLiteral("%1 to move, move %2 on %3 \u00d7 %3")
                                 .arg(SideName(b.SideToMove))
                                 .arg(b.MoveNumber)
                                 .arg(b.BoardSize));
    QString text;
    QString headline;
    const LevelAnalysis* a = s.finished();
    switch (s.standing()) {
        case S::Stopped:
            break;
        case S::ComputerMoves:
            text = QStringLiteral("The computer is moving; the analysis waits for its move.");
            break;
        case S::GameOver:
            text = QStringLiteral("The game is over.");
            break;
        case S::Deepening:
        case S::Finished:
            if (!a) {
                text = QStringLiteral("Searching level 1 ...");
                break;
            }
            headline = Headline(*a);
            text = QStringLiteral("Level %1 of %2 done in %3 s; its best %4 (%5 %6)")
                       .arg(a->level)
                       .arg(s.deepest())
                       .arg(s.seconds(), 0, 'f', 2)
                       .arg(a->count == 0 ? QStringLiteral("none") : Value(a->best.value))
                       .arg(a->best.count)
                       .arg(a->best.count == 1 ? QStringLiteral("move") : QStringLiteral("moves"));
            if (s.standing() == S::Deepening)
                text += QStringLiteral("; searching level %1 ...").arg(a->level + 1);
            if (!s.BoardShowsPosition())
                text += QStringLiteral("\nThe position before the push in hand.");
            break;
    }
    evaluation_->setText(headline);
    evaluation_->setVisible(!headline.isEmpty());
    status_->setText(text);
}

// Rebuilt only for a new position or level; the move chosen stays chosen. A line shown on
// the board belongs to its position.
void AnalysisWindow::ShowCandidates() {
    const AnalysisSession& s = *session_;
    const LevelAnalysis* a = s.finished();
    const int level = a ? a->level : 0;
    if (s.serial() == listedSerial_ && level == listedLevel_) return;
    if (s.serial() != listedSerial_ && lineShown_) ShowLineOnBoard(false);
    listedSerial_ = s.serial();
    listedLevel_ = level;
    const int keep = chosen_;
    const QSignalBlocker quiet(candidates_);
    candidates_->clear();
    chosen_ = 0;
    if (a) {
        const int n = s.position().BoardSize;
        QList<QTreeWidgetItem*> items;
        for (int i = 0; i < a->count; ++i) {
            const AnalysedMove& m = a->moves[i];
            auto* item = new QTreeWidgetItem(
                {CellName(n, m.cell), PushArrow(m.direction), CandidateValue(m)});
            item->setData(0, kCodeRole, m.code);
            if (m.best) {
                QFont bold = item->font(0);
                bold.setBold(true);
                for (int c = 0; c < 3; ++c) item->setFont(c, bold);
            }
            items.append(item);
        }
        candidates_->addTopLevelItems(items);
        for (QTreeWidgetItem* item : items) {
            if (item->data(0, kCodeRole).toInt() != keep) continue;
            item->setSelected(true);
            candidates_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
            chosen_ = keep;
        }
    }
    session_->ChooseMove(chosen_);
}

// The chosen move's line, or the best's: each move numbered in its side's colour.
void AnalysisWindow::ShowLine() {
    const AnalysisSession& s = *session_;
    const LevelAnalysis* a = s.finished();
    const bool analysed = a && a->count > 0 && s.standing() != AnalysisSession::Standing::Stopped;
    const ExpectedLine* line = analysed ? s.line() : nullptr;
    showLine_->setEnabled(analysed);
    if (!analysed) {
        line_->clear();
        return;
    }
    const QString whose = chosen_ != 0 ? QStringLiteral("this move") : QStringLiteral("the best");
    if (!line) {
        line_->setText(QStringLiteral("The line after %1: searching ...").arg(whose));
        return;
    }
    const int n = s.position().BoardSize;
    QString text = QStringLiteral("The line after %1 at level %2:").arg(whose).arg(line->level);
    for (int i = 0; i < line->count; ++i) {
        const int side = i % 2 == 0 ? s.position().SideToMove : -s.position().SideToMove;
        text += QStringLiteral(" <span style=\"color:%1\"><b>%2</b>&nbsp;%3</span>")
                    .arg(SideColour(side).name())
                    .arg(i + 1)
                    .arg(MoveName(n, line->codes[i])
                             .replace(QLatin1Char(' '), QStringLiteral("&nbsp;")));
    }
    line_->setText(text);
}

void AnalysisWindow::ShowReview() {
    const AnalysisSession& s = *session_;
    const int n = s.position().BoardSize;
    const int count = s.reviewedMoves();
    reviewTitle_->setText(
        QStringLiteral("The &game so far at review level %1, each value the mean of levels "
                       "%1 and %2: the mover's and the best, the graph's from Red's side. A "
                       "loss of %3 or more is a mistake. Enter or a double click: back to "
                       "that move.")
            .arg(s.reviewLevel())
            .arg(std::max(1, s.reviewLevel() - 1))
            .arg(Text(FormatTenths(kMistakeLoss))));
    QList<EvaluationGraph::Point> points;
    const int shown = review_->topLevelItemCount();
    const QSignalBlocker quiet(review_);
    while (review_->topLevelItemCount() > count) delete review_->takeTopLevelItem(count);
    for (int k = 1; k <= count; ++k) {
        const ReviewedMove& m = s.reviewed(k);
        const bool flagged = VerdictOf(m) != Verdict::None;
        points.append({RedView(CappedValue(m.steadyValue), m.side), m.side, flagged});
        const QStringList texts = {QString::number(m.moveNumber), MoveName(n, m.code),
                                   Value(m.steadyValue), Value(m.steadyBest), VerdictText(m)};
        QTreeWidgetItem* item = review_->topLevelItem(k - 1);
        if (!item) {
            item = new QTreeWidgetItem;
            review_->addTopLevelItem(item);
        }
        for (int c = 0; c < texts.size(); ++c) {
            item->setText(c, texts[c]);
            item->setForeground(c, c == 1    ? SideColour(m.side)
                                   : flagged ? kMistakeText
                                             : palette().color(QPalette::Text));
        }
        item->setToolTip(1, SideName(m.side));
    }
    graph_->SetPoints(points);
    // The newest move comes into view as the game goes on or back.
    if (count != shown && count > 0) review_->scrollToItem(review_->topLevelItem(count - 1));
}

void AnalysisWindow::ChooseFromList() {
    const QList<QTreeWidgetItem*> chosen = candidates_->selectedItems();
    chosen_ = chosen.isEmpty() ? 0 : chosen.front()->data(0, kCodeRole).toInt();
    session_->ChooseMove(chosen_);
    ShowLine();
    UpdateMarks();
}

// Shown as soon as the line has been searched.
void AnalysisWindow::ShowLineOnBoard(bool shown) {
    lineShown_ = shown;
    const QSignalBlocker quiet(showLine_);
    showLine_->setChecked(lineShown_);
    showLine_->setText(lineShown_ ? QStringLiteral("Hide li&ne") : QStringLiteral("Show li&ne"));
    UpdateMarks();
}

// The game goes back to the position before the row's move; the session follows it there.
void AnalysisWindow::StepInto(const QTreeWidgetItem* row) {
    if (row) emit stepRequested(row->text(0).toInt());
}

void AnalysisWindow::UpdateMarks() {
    const AnalysisSession& s = *session_;
    const LevelAnalysis* a = s.finished();
    const ExpectedLine* line = s.line();
    QList<int> marks;
    int side = 0;
    if (a && s.BoardShowsPosition()) {
        if (lineShown_ && line) {
            marks = QList<int>(line->codes, line->codes + line->count);
            side = s.position().SideToMove;
        } else if (chosen_ != 0) {
            marks.append(chosen_);
        } else {
            marks.append(QList<int>(a->best.codes, a->best.codes + a->best.count));
        }
    }
    if (marks == marks_ && side == lineSide_) return;
    marks_ = marks;
    lineSide_ = side;
    emit marksChanged(marks_, lineSide_);
}

}  // namespace orbel
