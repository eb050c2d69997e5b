#include "window/evaluation_graph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "engine/values.h"

namespace orbel {

namespace {

// The first moves are not stretched across the whole width.
constexpr int kFewestMovesAcross = 10;

}  // namespace

EvaluationGraph::EvaluationGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("img_Evaluation"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void EvaluationGraph::SetPoints(const QList<Point>& points) {
    if (points.size() == points_.size() &&
        std::equal(points.begin(), points.end(), points_.begin(),
                   [](const Point& a, const Point& b) {
                       return a.red == b.red && a.side == b.side && a.mistake == b.mistake;
                   }))
        return;
    points_ = points;
    setProperty("points", static_cast<int>(points_.size()));
    update();
}

QSize EvaluationGraph::sizeHint() const {
    return {360, 8 * fontMetrics().height()};
}

QSize EvaluationGraph::minimumSizeHint() const {
    return {160, 5 * fontMetrics().height()};
}

QRectF EvaluationGraph::Plot() const {
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const int line = fontMetrics().height();
    return frame.adjusted(line * 0.5, line * 0.5, -line * 0.5, -line * 0.5);
}

// The point nearest across, or -1 where there is none.
int EvaluationGraph::PointAt(const QPointF& at) const {
    const QRectF plot = Plot();
    int nearest = -1;
    double distance = 0;
    for (int i = 0; i < points_.size(); ++i) {
        const double d = std::abs(Place(i, plot).x() - at.x());
        if (nearest < 0 || d < distance) {
            nearest = i;
            distance = d;
        }
    }
    return nearest;
}

void EvaluationGraph::mousePressEvent(QMouseEvent* event) {
    const int index = PointAt(event->position());
    if (index >= 0 && event->button() == Qt::LeftButton && onPointChosen) onPointChosen(index);
    QWidget::mousePressEvent(event);
}

void EvaluationGraph::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = PointAt(event->position());
    if (index >= 0 && event->button() == Qt::LeftButton && onPointActivated)
        onPointActivated(index);
    QWidget::mouseDoubleClickEvent(event);
}

QPointF EvaluationGraph::Place(int index, const QRectF& plot) const {
    const int across = std::max(kFewestMovesAcross, static_cast<int>(points_.size()));
    const double x = plot.left() + plot.width() * (index + 1) / across;
    const double y = plot.center().y() - plot.height() / 2 * points_[index].red / kValueCap;
    return {x, y};
}

void EvaluationGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1.0));
    painter.drawRect(frame);

    const int line = fontMetrics().height();
    const QRectF plot = Plot();
    painter.setPen(QPen(Qt::lightGray, 1.0, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), plot.center().y()),
                     QPointF(plot.right(), plot.center().y()));
    painter.setPen(QColor(170, 0, 0));
    painter.drawText(plot, Qt::AlignTop | Qt::AlignLeft, QStringLiteral("Red better"));
    painter.setPen(QColor(0, 0, 170));
    painter.drawText(plot, Qt::AlignBottom | Qt::AlignLeft, QStringLiteral("Blue better"));
    if (points_.isEmpty()) return;

    QPainterPath path;
    path.moveTo(plot.left(), plot.center().y());
    for (int i = 0; i < points_.size(); ++i) path.lineTo(Place(i, plot));
    painter.setPen(QPen(Qt::darkGray, 1.5));
    painter.drawPath(path);

    const double dot = std::max(2.0, line * 0.18);
    for (int i = 0; i < points_.size(); ++i) {
        const QPointF at = Place(i, plot);
        painter.setPen(Qt::NoPen);
        painter.setBrush(points_[i].side == Red ? QColor(200, 0, 0) : QColor(0, 0, 200));
        painter.drawEllipse(at, dot, dot);
        if (!points_[i].mistake) continue;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(230, 120, 0), 2.0));
        painter.drawEllipse(at, dot * 2.4, dot * 2.4);
    }
}

}  // namespace orbel
