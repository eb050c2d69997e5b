#include "window/analysis_window.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/move_rules.h"
#include "window/evaluation_graph.h"

namespace orbel {

namespace {

constexpr int kCodeRole = Qt::UserRole;

QString SideName(int side) {
    return side == Red ? QStringLiteral("Red") : QStringLiteral("Blue");
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

QString MoveName(int n, int code) {
    return CellName(n, PlacementOf(code)) + QStringLiteral(" ") + PushArrow(DirectionOf(code));
}

QString Value(Tenths value) {
    return QString::fromStdString(ValueText(value));
}

QString CandidateValue(const AnalysedMove& move) {
    switch (move.kind) {
        case ValueKind::AtMost:
            return QStringLiteral("at most ") + Value(move.value);
        case ValueKind::Static:
            return QStringLiteral("not searched, ") + Value(move.value);
        case ValueKind::Exact:
            break;
    }
    return Value(move.value);
}

QString Loss(Tenths loss) {
    return QStringLiteral("%1.%2").arg(loss / 10).arg(loss % 10);
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
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lbl_Status"));
    status_->setWordWrap(true);
    candidates_ = MakeList(
        this, "lst_Candidates",
        {QStringLiteral("Place (row, col)"), QStringLiteral("Push"), QStringLiteral("Value")});
    connect(candidates_, &QTreeWidget::itemSelectionChanged, this, &AnalysisWindow::ChooseFromList);
    candidates_->installEventFilter(this);

    graph_ = new EvaluationGraph(this);
    review_ = MakeList(
        this, "lst_Review",
        {QStringLiteral("Move"), QStringLiteral("Side"), QStringLiteral("Played"),
         QStringLiteral("Value"), QStringLiteral("Best"), QStringLiteral("Loss"), QString()});

    auto* column = new QVBoxLayout(this);
    column->addLayout(levels);
    column->addWidget(position_);
    column->addWidget(status_);
    column->addWidget(candidates_, 3);
    auto* reviewTitle = new QLabel(QStringLiteral("The game so far, from Red's side"), this);
    column->addWidget(reviewTitle);
    column->addWidget(graph_, 1);
    column->addWidget(review_, 2);
}

// Escape in the list gives the board the best moves again.
bool AnalysisWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == candidates_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && chosen_ != 0) {
        candidates_->clearSelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AnalysisWindow::Follow() {
    session_->Follow();
}

// Narrow enough to stand beside the board on a small screen, with the candidates' columns
// whole.
QSize AnalysisWindow::sizeHint() const {
    const QSize least = minimumSizeHint();
    return {std::max(least.width(), 22 * fontMetrics().averageCharWidth()),
            std::max(least.height(), 30 * fontMetrics().height())};
}

void AnalysisWindow::Refresh() {
    ShowStatus();
    ShowCandidates();
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
            text = QStringLiteral("Level %1 of %2 done in %3 s; best %4 (%5 %6)")
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
    status_->setText(text);
}

// Rebuilt only for a new position or level; the move chosen stays chosen.
void AnalysisWindow::ShowCandidates() {
    const AnalysisSession& s = *session_;
    const LevelAnalysis* a = s.finished();
    const int level = a ? a->level : 0;
    if (s.serial() == listedSerial_ && level == listedLevel_) return;
    listedSerial_ = s.serial();
    listedLevel_ = level;
    const int keep = chosen_;
    const QSignalBlocker quiet(candidates_);
    candidates_->clear();
    chosen_ = 0;
    if (!a) return;
    const int n = s.position().BoardSize;
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < a->count; ++i) {
        const AnalysedMove& m = a->moves[i];
        auto* item =
            new QTreeWidgetItem({CellName(n, m.cell), PushArrow(m.direction), CandidateValue(m)});
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

void AnalysisWindow::ShowReview() {
    const AnalysisSession& s = *session_;
    const int n = s.position().BoardSize;
    const int count = s.reviewedMoves();
    QList<EvaluationGraph::Point> points;
    const int shown = review_->topLevelItemCount();
    const QSignalBlocker quiet(review_);
    while (review_->topLevelItemCount() > count) delete review_->takeTopLevelItem(count);
    for (int k = 1; k <= count; ++k) {
        const ReviewedMove& m = s.reviewed(k);
        const bool mistake = IsMistake(m);
        const ReviewedMove* reply = k < count ? &s.reviewed(k + 1) : nullptr;
        points.append({RedValueAfter(m, reply), m.side, mistake});
        const QStringList texts = {QString::number(m.moveNumber),
                                   SideName(m.side),
                                   MoveName(n, m.code),
                                   Value(m.value),
                                   Value(m.best.value),
                                   Loss(m.loss),
                                   mistake ? QStringLiteral("mistake") : QString()};
        QTreeWidgetItem* item = review_->topLevelItem(k - 1);
        if (!item) {
            item = new QTreeWidgetItem;
            review_->addTopLevelItem(item);
        }
        for (int c = 0; c < texts.size(); ++c) {
            item->setText(c, texts[c]);
            item->setForeground(c, mistake ? QColor(190, 60, 0) : palette().color(QPalette::Text));
        }
    }
    graph_->SetPoints(points);
    // The newest move comes into view as the game goes on.
    if (count > shown && count > 0) review_->scrollToItem(review_->topLevelItem(count - 1));
}

void AnalysisWindow::ChooseFromList() {
    const QList<QTreeWidgetItem*> chosen = candidates_->selectedItems();
    chosen_ = chosen.isEmpty() ? 0 : chosen.front()->data(0, kCodeRole).toInt();
    UpdateMarks();
}

void AnalysisWindow::UpdateMarks() {
    const AnalysisSession& s = *session_;
    const LevelAnalysis* a = s.finished();
    QList<int> marks;
    if (a && s.BoardShowsPosition()) {
        if (chosen_ != 0)
            marks.append(chosen_);
        else
            marks.append(QList<int>(a->best.codes, a->best.codes + a->best.count));
    }
    if (marks == marks_) return;
    marks_ = marks;
    emit marksChanged(marks_);
}

}  // namespace orbel
