#include <QApplication>

#include "app/orbel_app.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The program decides when no window is left: a window closes before the next opens.
    QApplication::setQuitOnLastWindowClosed(false);
    orbel::OrbelApp game;
    QObject::connect(&game, &orbel::OrbelApp::noWindowLeft, &application, &QApplication::quit);
    game.Start();
    return QApplication::exec();
}
