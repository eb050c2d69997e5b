// The program remembers its player from one run to the next: each run here is a new
// OrbelApp on the same settings file, in a settings folder of the test's own.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/orbel_app.h"
#include "ui/player_settings.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

QPushButton* SizeButton(const OrbelApp& app, int index) {
    return app.sizeDialog()->findChild<QPushButton*>(QStringLiteral("btn_GameSize_%1").arg(index));
}

QAction* Item(QWidget& window, const char* name) {
    return window.findChild<QAction*>(QLatin1String(name));
}

bool Checked(QWidget& window, const char* name) {
    return Item(window, name)->isChecked();
}

}  // namespace

class app_settings : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir home_;
    SettingsStore store_;

    // Every run starts from whatever the one before left.
    void UseConfigFolder(const QString& folder) {
        store_ = SettingsStore(folder + "/orbelfive/orbelfive.conf");
    }

  private slots:
    void init() {
        UseConfigFolder(home_.path());
        QFile::remove(store_.FileName());
    }

    void the_first_run_is_as_designed_and_the_next_remembers_the_player() {
        QDir::setCurrent(home_.path());
        QRect placed;
        {
            OrbelApp app({}, &store_);
            app.Start();
            // Nothing remembered: no size button is preferred over the others.
            QVERIFY(!SizeButton(app, 1)->isDefault());
            QTest::mouseClick(SizeButton(app, 1), Qt::LeftButton);  // 7 x 7
            MainWindow* window = app.mainWindow();
            QVERIFY(Checked(*window, "mnu_Easy"));
            Item(*window, "mnu_Master")->trigger();
            window->move(window->pos() + QPoint(-37, 23));
            placed = window->normalGeometry();

            // A save remembers the folder it was made in, not the one the list showed.
            QVERIFY(QDir(home_.path()).mkdir("saved"));
            WhenModalShows([](QWidget* modal) {
                modal->findChild<QLineEdit*>("txtOpenSave")->setText("saved/remembered.rec");
                modal->findChild<QPushButton*>("cmdOpenSave(0)")->click();
            });
            Item(*window, "mnuFileItem_2")->trigger();
            QVERIFY(QFile::exists(home_.filePath("saved/remembered.rec")));
            Item(*window, "mnu_Analysis")->trigger();
            Item(*window, "mnu_Exit")->trigger();
        }
        QDir::setCurrent(QDir::rootPath());
        OrbelApp app({}, &store_);
        app.Start();
        QPushButton* seven = SizeButton(app, 1);
        QVERIFY(seven->isDefault());
        QCOMPARE(app.sizeDialog()->focusWidget(), seven);
        QTest::keyClick(seven, Qt::Key_Space);
        MainWindow* window = app.mainWindow();
        QVERIFY(window);
        QCOMPARE(app.state().board.BoardSize, 7);
        QVERIFY(Checked(*window, "mnu_Master"));
        QCOMPARE(app.state().SearchLevel, 6);
        // The analysis left open opens again beside the board, the board where it was.
        QCOMPARE(window->BoardGeometry(), placed);
        QVERIFY(app.analysisWindow());
        QVERIFY(Checked(*window, "mnu_Analysis"));

        // The file dialog opens where the last file was saved, not in the current folder.
        QString listed;
        WhenModalShows([&listed](QWidget* modal) {
            listed = modal->findChild<QLabel*>("lblOpenSave(2)")->toolTip();
            modal->findChild<QPushButton*>("cmdOpenSave(1)")->click();
        });
        Item(*window, "mnuFileItem_1")->trigger();
        QCOMPARE(listed, home_.filePath("saved"));
    }

    void two_player_and_a_place_off_every_screen() {
        PlayerSettings remembered;
        remembered.level = 0;
        remembered.boardSize = 5;
        remembered.mainWindow = QRect(40000, 40000, 1077, 780);
        QVERIFY(store_.Write(remembered));
        OrbelApp app({}, &store_);
        app.Start();
        QTest::mouseClick(SizeButton(app, 0), Qt::LeftButton);
        MainWindow* window = app.mainWindow();
        QVERIFY(Checked(*window, "mnu_TwoPlayer"));
        // Centred on the screen there is, as on a first run.
        const QRect screen = window->screen()->availableGeometry();
        QVERIFY(screen.intersects(window->frameGeometry()));
        QVERIFY(screen.contains(window->geometry().topLeft()));
    }

    void a_corrupt_file_reads_as_the_design() {
        QDir().mkpath(QFileInfo(store_.FileName()).path());
        QFile file(store_.FileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x01\x02[version\nlevel=God\n\xff\xfe");
        file.close();
        OrbelApp app({}, &store_);
        app.Start();
        QVERIFY(!SizeButton(app, 2)->isDefault());
        QTest::mouseClick(SizeButton(app, 2), Qt::LeftButton);
        QVERIFY(Checked(*app.mainWindow(), "mnu_Easy"));
    }

    // A settings folder that cannot be made: the game plays on and forgets.
    void an_unwritable_settings_folder_never_stops_the_game() {
        const QString blocker = home_.filePath("not-a-folder");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        UseConfigFolder(blocker);
        {
            OrbelApp app({}, &store_);
            app.Start();
            QTest::mouseClick(SizeButton(app, 0), Qt::LeftButton);
            Item(*app.mainWindow(), "mnu_God")->trigger();
            QCOMPARE(app.state().SearchLevel, 11);
            Item(*app.mainWindow(), "mnu_Exit")->trigger();
        }
        OrbelApp app({}, &store_);
        app.Start();
        QTest::mouseClick(SizeButton(app, 0), Qt::LeftButton);
        QVERIFY(Checked(*app.mainWindow(), "mnu_Easy"));
    }
};

QTEST_MAIN(app_settings)
#include "app_settings-test.moc"
