// The window tests' ways to reach a window's controls by their names, as a person finds
// them on the screen, and to answer the modal windows the program opens.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <type_traits>

#include "window/main_window.h"

namespace orbel::testing {

// A missing control is a broken window, not a failed check: the test stops there.
template <class T = QWidget>
T* Control(const QObject& window, const QString& name) {
    T* control = window.findChild<T*>(name);
    if (!control) qFatal("no control %s", qPrintable(name));
    return control;
}

inline QPushButton* CellButton(const QWidget& w, int cell) {
    return Control<QPushButton>(w, QStringLiteral("btn_Board_%1").arg(cell));
}
inline QLabel* CellImage(const QWidget& w, int cell) {
    return Control<QLabel>(w, QStringLiteral("img_Board_%1").arg(cell));
}
inline QLabel* Arrow(const QWidget& w, int index) {
    return Control<QLabel>(w, QStringLiteral("img_dir_%1").arg(index));
}
inline QWidget* Board(const QWidget& w) {
    return Control(w, "shp_BoardMarks");
}

inline bool Busy(MainWindow& w) {
    return w.game().controller().ComputerBusy();
}

// Waits for the next modal window (of type T: a message box over a modal window, say) and
// hands it to `act` (which must close it).
template <class T = QWidget>
void WhenModalShows(std::type_identity_t<std::function<void(T*)>> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start();
}

}  // namespace orbel::testing
