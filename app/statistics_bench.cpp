// `make bench`: Options > Statistics with 10,000 finished games kept, from the menu command to
// the window shown with its figures and list filled, the history read from the store
// included. The store is made in the current folder and removed after.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/orbel_app.h"
#include "store/sample_history.h"

namespace {

constexpr int kFinishedGames = 10000;
constexpr int kOpenings = 7;
constexpr double kWantedMilliseconds = 200.0;

using Clock = std::chrono::steady_clock;

// Milliseconds from the menu command until the window is on the screen and painted; negative
// when it does not show the whole list.
double TimeOneOpening(orbel::OrbelApp& app, QAction& command) {
    const Clock::time_point start = Clock::now();
    command.trigger();
    orbel::StatisticsWindow* window = app.statisticsWindow();
    if (!window) return -1.0;
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const int rows = window->findChild<QTreeView*>("lst_Games")->model()->rowCount();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return rows == kFinishedGames ? ms : -1.0;
}

// The offscreen platform warns of every window it cannot size as asked; the figures are
// what this prints.
void DropPlatformWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtWarningMsg || !message.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char* argv[]) {
    namespace fs = std::filesystem;
    qInstallMessageHandler(DropPlatformWarnings);
    QApplication application(argc, argv);
    const fs::path folder = fs::current_path() / ("statistics-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    orbel::FillHistory(folder / "games.db", kFinishedGames);
    std::vector<double> times;
    {
        orbel::GameStore games(folder / "games.db");
        orbel::OrbelApp app({}, nullptr, &games);
        orbel::MainWindow* window = app.StartGame(9);
        QAction* command = window->findChild<QAction*>("mnu_Statistics");
        for (int i = 0; i < kOpenings && command; ++i)
            times.push_back(TimeOneOpening(app, *command));
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (times.empty() || *std::min_element(times.begin(), times.end()) < 0) {
        std::printf("statistics window: FAILED to show the %d games\n", kFinishedGames);
        return 1;
    }
    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf(
        "statistics window: %d finished games, from Options > Statistics to the window shown "
        "and filled in %.1f ms (median of %d, the first %.1f ms, longest %.1f ms; wanted "
        "under %.0f ms)\n",
        kFinishedGames, times[times.size() / 2], kOpenings, first, times.back(),
        kWantedMilliseconds);
    return 0;
}
