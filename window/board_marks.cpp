#include "window/board_marks.h"

#include <QKeyEvent>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QVariant>
#include <algorithm>
#include <utility>

#include "engine/move_rules.h"
#include "window/scaled_area.h"

namespace orbel {

namespace {

// The unit step of a move's push on the screen: x to the right, y down.
QPointF Along(int code) {
    const int direction = DirectionOf(code);
    return {direction == kRight  ? 1.0
            : direction == kLeft ? -1.0
                                 : 0.0,
            direction == kDown ? 1.0
            : direction == kUp ? -1.0
                               : 0.0};
}

// A push as an arrow along the cell from `start` pitches past its centre to near its edge.
QPainterPath PushArrow(const QPointF& centre, const QPointF& along, double pitch, double start) {
    const QPointF across(-along.y(), along.x());
    const QPointF tip = centre + along * (pitch * 0.44);
    const QPointF barb = tip - along * (pitch * 0.14);
    const double spread = pitch * 0.13;
    QPainterPath arrow;
    arrow.moveTo(centre + along * (pitch * start));
    arrow.lineTo(tip);
    arrow.moveTo(barb + across * spread);
    arrow.lineTo(tip);
    arrow.lineTo(barb - across * spread);
    return arrow;
}

// Each mark is one stroke over a wider one of a contrasting colour, so it reads on both
// orbels and on the grey of an empty cell.
void Stroke(QPainter& painter, const QColor& under, const QColor& over, double width,
            const std::function<void()>& draw) {
    painter.setPen(QPen(under, width + 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw();
    painter.setPen(QPen(over, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw();
}

}  // namespace

BoardMarks::BoardMarks(QWidget* parent, std::function<void(BoardKey, bool)> onKey)
    : QWidget(parent), onKey_(std::move(onKey)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::TabFocus);
    setProperty("moveMarksShown", true);
}

void BoardMarks::LayOut(int n, int pitch) {
    n_ = n;
    pitch_ = pitch;
    update();
}

void BoardMarks::Place(const QRectF& designed, double scale) {
    setGeometry(ScaledArea::Scaled(designed, scale));
    origin_ = designed.topLeft() * scale - QPointF(pos());
    scale_ = scale;
    update();
}

void BoardMarks::SetLastMove(int placed, int stands) {
    placed_ = placed;
    stands_ = stands;
    setProperty("placedCell", placed);
    setProperty("standsCell", stands);
    update();
}

void BoardMarks::SetWinning(const CellList& cells) {
    winning_.fill(false);
    QList<int> listed;
    for (int i = 0; i < cells.count; ++i) {
        winning_[cells.cell[i]] = true;
        listed << cells.cell[i];
    }
    setProperty("winningCells", QVariant::fromValue(listed));
    update();
}

void BoardMarks::SetFocusCell(int cell) {
    focus_ = cell;
    setProperty("focusCell", cell);
    update();
}

void BoardMarks::SetAnalysisMarks(const QList<int>& codes, int lineSide) {
    if (codes == analysis_ && lineSide == lineSide_) return;
    analysis_ = codes;
    lineSide_ = lineSide;
    ShowAnalysisMarks();
}

void BoardMarks::SetHandCell(int cell) {
    if (cell == hand_) return;
    hand_ = cell;
    ShowAnalysisMarks();
}

// For tests: the moves drawn.
void BoardMarks::ShowAnalysisMarks() {
    QList<int> drawn;
    for (const int code : analysis_)
        if (PlacementOf(code) != hand_) drawn << code;
    setProperty("analysisMarks", QVariant::fromValue(drawn));
    setProperty("lineSide", lineSide_);
    update();
}

void BoardMarks::HoldMoveMarks(bool held) {
    held_ = held;
    setProperty("moveMarksShown", !held);
    update();
}

// Drawn in the designed pixels, so the marks keep their proportions at every scale.
void BoardMarks::paintEvent(QPaintEvent*) {
    if (n_ == 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(origin_);
    painter.scale(scale_, scale_);
    painter.setBrush(Qt::NoBrush);
    if (!held_) {
        for (int cell = 1; cell <= n_ * n_; ++cell)
            if (winning_[cell]) DrawWinning(painter, Box(cell));
        if (stands_ > 0) DrawStands(painter, Box(stands_));
        if (placed_ > 0) DrawPlaced(painter, Box(placed_));
    }
    for (int i = 0; i < analysis_.size(); ++i) {
        const int code = analysis_[i];
        if (PlacementOf(code) == hand_) continue;
        const QRectF box = Box(PlacementOf(code));
        if (lineSide_ == 0) {
            DrawAnalysed(painter, box, code);
            continue;
        }
        // A cell the line places on twice numbers both, side by side.
        int before = 0;
        for (int k = 0; k < i; ++k) before += PlacementOf(analysis_[k]) == PlacementOf(code);
        DrawLineMove(painter, box, code, i + 1, i % 2 == 0 ? lineSide_ : -lineSide_, before);
    }
    if (hasFocus() && focus_ > 0) DrawFocus(painter, Box(focus_));
}

void BoardMarks::keyPressEvent(QKeyEvent* event) {
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

void BoardMarks::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void BoardMarks::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

QRectF BoardMarks::Box(int cell) const {
    const int k = cell - 1;
    return QRectF(pitch_ * (k % n_), pitch_ * (k / n_), pitch_ + 1, pitch_ + 1);
}

void BoardMarks::DrawWinning(QPainter& painter, const QRectF& box) const {
    const QRectF frame = box.adjusted(3.5, 3.5, -3.5, -3.5);
    const double round = pitch_ * 0.16;
    Stroke(painter, Qt::black, QColor(255, 215, 0), 2.5,
           [&] { painter.drawRoundedRect(frame, round, round); });
}

void BoardMarks::DrawStands(QPainter& painter, const QRectF& box) const {
    const double radius = pitch_ * 0.37;
    Stroke(painter, Qt::white, Qt::black, 1.5,
           [&] { painter.drawEllipse(box.center(), radius, radius); });
}

void BoardMarks::DrawPlaced(QPainter& painter, const QRectF& box) const {
    const double radius = pitch_ * 0.07;
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Qt::black);
    painter.drawEllipse(box.center(), radius, radius);
    painter.setBrush(Qt::NoBrush);
}

// An analysed move: an arrow from the middle of its placement cell toward the orbel it
// pushes, in a colour no other mark uses. It leaves the middle free for the dot of the last
// move, and two pushes from one cell apart.
void BoardMarks::DrawAnalysed(QPainter& painter, const QRectF& box, int code) const {
    const QPainterPath arrow = PushArrow(box.center(), Along(code), pitch_, 0.12);
    Stroke(painter, QColor(0, 70, 0), QColor(60, 210, 40), 2.5, [&] { painter.drawPath(arrow); });
}

// A move of an expected line: its push as an arrow in its side's colour, and its number in
// a disc of that colour on the side of the cell the arrow leaves free.
void BoardMarks::DrawLineMove(QPainter& painter, const QRectF& box, int code, int number, int side,
                              int before) const {
    const QPointF along = Along(code);
    const QColor colour = side == Red ? QColor(200, 0, 0) : QColor(0, 60, 210);
    const QPainterPath arrow = PushArrow(box.center(), along, pitch_, 0.05);
    Stroke(painter, Qt::white, colour, 2.5, [&] { painter.drawPath(arrow); });

    const double radius = pitch_ * 0.17;
    const QPointF aside = along.x() == 0 ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF centre = box.center() - along * (pitch_ * 0.24) + aside * (before * radius * 2.1);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(colour);
    painter.drawEllipse(centre, radius, radius);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(radius * 1.5)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                     Qt::AlignCenter, QString::number(number));
    painter.setBrush(Qt::NoBrush);
}

void BoardMarks::DrawFocus(QPainter& painter, const QRectF& box) const {
    const QRectF frame = box.adjusted(1.5, 1.5, -1.5, -1.5);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
    painter.drawRect(frame);
}

}  // namespace orbel
