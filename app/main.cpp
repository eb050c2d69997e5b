#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>

#include "app/orbel_app.h"
#include "orbel_version.h"

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("orbelfive"));
    QCoreApplication::setOrganizationName(QStringLiteral("orbelfive"));
    QCoreApplication::setApplicationVersion(QLatin1String(orbel::kVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Orbel Five, a board game of placing and pushing orbels."));
    // Qt's own one-dash options (-style, -reverse) must not read as bundles of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    // Help and version open no window, so they are answered before the window system is
    // reached and work without a display.
    QStringList words;
    for (int i = 0; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
    parser.parse(words);
    if (parser.isSet(version) || parser.isSet(help)) {
        const QCoreApplication console(argc, argv);
        if (parser.isSet(version)) parser.showVersion();
        parser.showHelp();
    }

    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QLatin1String(orbel::kAppId));
    // Now without the options Qt took for itself; anything left over is refused.
    parser.process(application);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "orbelfive: unexpected argument '%s'; see orbelfive --help\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 1;
    }
    // The program decides when no window is left: a window closes before the next opens.
    QApplication::setQuitOnLastWindowClosed(false);
    const orbel::SettingsStore settings;
    // Made first and gone last: it writes what the game handed it until the very end.
    orbel::GameStore games(orbel::GameStore::PlayerFile());
    orbel::OrbelApp game({}, &settings, &games);
    QObject::connect(&game, &orbel::OrbelApp::noWindowLeft, &application, &QApplication::quit);
    game.Start();
    return QApplication::exec();
}
