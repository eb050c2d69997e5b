// The player's settings: kept and read back, the designed defaults whenever the file cannot
// be trusted, and where a remembered main window may open again.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <random>

#include "ui/player_settings.h"
#include "ui/window_place.h"

using orbel::PlayerSettings;
using orbel::SettingsStore;

namespace {

// One thing a file may hold under a key, and how the settings must read it. A null
// `stored` leaves the key out.
struct Entry {
    QVariant stored;
    std::function<void(PlayerSettings&)> reads = [](PlayerSettings&) {};
};

struct Key {
    const char* name;
    QList<Entry> entries;
};

const QRect kSeen(120, 80, 1077, 790);

QList<Key> KeysAndEntries() {
    const auto rect = [](const QRect& r) { return QVariant(r); };
    return {
        {"level",
         {{0, [](PlayerSettings& s) { s.level = 0; }},
          {11, [](PlayerSettings& s) { s.level = 11; }},
          {6, [](PlayerSettings& s) { s.level = 6; }},
          {-1},
          {12},
          {QStringLiteral("hard")},
          {QStringLiteral("3.5")},
          {}}},
        {"boardSize",
         {{5, [](PlayerSettings& s) { s.boardSize = 5; }},
          {17, [](PlayerSettings& s) { s.boardSize = 17; }},
          {11, [](PlayerSettings& s) { s.boardSize = 11; }},
          {3},
          {8},
          {19},
          {QStringLiteral("nine")},
          {}}},
        {"mainWindow/geometry",
         {{rect(kSeen), [](PlayerSettings& s) { s.mainWindow = kSeen; }},
          {rect(QRect(-1800, -60, 1077, 790)),
           [](PlayerSettings& s) { s.mainWindow = QRect(-1800, -60, 1077, 790); }},
          {rect(QRect(0, 0, 0, 0))},
          {rect(QRect(0, 0, -20, 300))},
          {rect(QRect(40000, 0, 800, 600))},
          {QStringLiteral("120 80 1077 790")},
          {}}},
        {"mainWindow/maximised",
         {{true, [](PlayerSettings& s) { s.mainWindowMaximised = true; }},
          {false},
          {QStringLiteral("yes")},
          {}}},
        {"fileDialog/folder",
         {{QStringLiteral("/home/player/棋譜 2"),
           [](PlayerSettings& s) { s.fileFolder = QStringLiteral("/home/player/棋譜 2"); }},
          {QStringLiteral("games/old")},
          {QString()},
          {}}},
        {"fileDialog/pattern",
         {{QStringLiteral("*.rec"), [](PlayerSettings& s) { s.filePattern = "*.rec"; }},
          {QStringLiteral("*.rec;game??.txt"),
           [](PlayerSettings& s) { s.filePattern = "*.rec;game??.txt"; }},
          {QStringLiteral("games/*.rec")},
          {QStringLiteral("game.rec")},
          {QString()},
          {}}},
        {"analysisWindow/geometry",
         {{rect(kSeen), [](PlayerSettings& s) { s.analysisWindow = kSeen; }},
          {rect(QRect(5, 5, 0, 10))},
          {12},
          {}}},
    };
}

QSettings Raw() {
    return QSettings(QSettings::UserScope, QStringLiteral("orbelfive"),
                     QStringLiteral("orbelfive"));
}

int Uniform(std::mt19937& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

QRect RandomRect(std::mt19937& rng) {
    return QRect(Uniform(rng, -3000, 3000), Uniform(rng, -3000, 3000), Uniform(rng, 1, 4000),
                 Uniform(rng, 1, 3000));
}

PlayerSettings RandomSettings(std::mt19937& rng) {
    const QString patterns[] = {"*.*", "*.rec", "*.rec;*.txt", "game??.rec"};
    PlayerSettings settings;
    settings.level = Uniform(rng, 0, 11);
    if (Uniform(rng, 0, 3)) settings.boardSize = 5 + 2 * Uniform(rng, 0, 6);
    if (Uniform(rng, 0, 1)) settings.mainWindow = RandomRect(rng);
    settings.mainWindowMaximised = Uniform(rng, 0, 1) == 1;
    if (Uniform(rng, 0, 1))
        settings.fileFolder = QStringLiteral("/home/player/棋譜 %1").arg(Uniform(rng, 0, 99));
    settings.filePattern = patterns[Uniform(rng, 0, 3)];
    if (Uniform(rng, 0, 1)) settings.analysisWindow = RandomRect(rng);
    return settings;
}

PlayerSettings Chosen() {
    PlayerSettings settings;
    settings.level = 0;
    settings.boardSize = 13;
    settings.mainWindow = kSeen;
    settings.fileFolder = QStringLiteral("/srv/games");
    settings.filePattern = QStringLiteral("*.rec");
    return settings;
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void settings_come_back_as_written();
    void settings_out_of_range_read_as_their_defaults();
    void a_corrupt_file_reads_as_designed_and_is_replaced();
    void a_file_of_another_version_reads_as_designed();
    void a_settings_folder_that_cannot_be_made_leaves_the_game_as_designed();
    void remembered_geometry_opens_again_only_within_reach_data();
    void remembered_geometry_opens_again_only_within_reach();

  private:
    std::unique_ptr<QTemporaryDir> home_;
};

// No test may reach the player's own settings.
void SettingsTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void SettingsTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home_->path());
    QCOMPARE(SettingsStore().FileName(), home_->filePath("orbelfive/orbelfive.conf"));
}

void SettingsTest::settings_come_back_as_written() {
    const SettingsStore store;
    QCOMPARE(store.Read(), PlayerSettings());
    std::mt19937 rng(20261208);
    for (int round = 0; round < 40; ++round) {
        const PlayerSettings written = RandomSettings(rng);
        QVERIFY(store.Write(written));
        QVERIFY2(store.Read() == written, qPrintable(QStringLiteral("round %1").arg(round)));
    }
    QVERIFY(QFile::exists(store.FileName()));
}

// Each key holds something random, valid or not; every setting reads as what it holds when
// that is valid and as its designed default otherwise, whatever the others hold.
void SettingsTest::settings_out_of_range_read_as_their_defaults() {
    const QList<Key> keys = KeysAndEntries();
    std::mt19937 rng(5);
    for (int round = 0; round < 80; ++round) {
        PlayerSettings expected;
        {
            QSettings raw = Raw();
            raw.clear();
            raw.setValue("version", 1);
            for (const Key& key : keys) {
                const Entry& entry = key.entries[Uniform(rng, 0, key.entries.size() - 1)];
                if (!entry.stored.isNull()) raw.setValue(key.name, entry.stored);
                entry.reads(expected);
            }
            raw.sync();
            QCOMPARE(raw.status(), QSettings::NoError);
        }
        QVERIFY2(SettingsStore().Read() == expected,
                 qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

void SettingsTest::a_corrupt_file_reads_as_designed_and_is_replaced() {
    const SettingsStore store;
    QVERIFY(QDir().mkpath(QFileInfo(store.FileName()).path()));
    QFile file(store.FileName());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("version=1\nlevel=7\n\x01\x02\xff garbage\n[broken\nboardSize=9\n");
    file.close();

    QCOMPARE(store.Read(), PlayerSettings());
    QVERIFY(store.Write(Chosen()));
    QCOMPARE(store.Read(), Chosen());
}

// A file without a version is not ours either.
void SettingsTest::a_file_of_another_version_reads_as_designed() {
    for (const QVariant& version :
         {QVariant(2), QVariant(0), QVariant(QStringLiteral("1.0")), QVariant()}) {
        {
            QSettings raw = Raw();
            raw.clear();
            if (!version.isNull()) raw.setValue("version", version);
            raw.setValue("level", 7);
            raw.setValue("boardSize", 9);
            raw.setValue("fileDialog/pattern", QStringLiteral("*.rec"));
        }
        QCOMPARE(SettingsStore().Read(), PlayerSettings());
    }
}

// Run as root, a folder's permissions stop nothing; a plain file where the folder should
// be stops everyone.
void SettingsTest::a_settings_folder_that_cannot_be_made_leaves_the_game_as_designed() {
    QFile plain(home_->filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, plain.fileName());
    const SettingsStore store;
    QVERIFY(!store.Write(Chosen()));
    QCOMPARE(store.Read(), PlayerSettings());
    QVERIFY(!QFile::exists(store.FileName()));
}

void SettingsTest::remembered_geometry_opens_again_only_within_reach_data() {
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QList<QRect>>("available");
    QTest::addColumn<bool>("restored");
    const QRect laptop(0, 0, 1366, 740);
    const QList<QRect> two = {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    QTest::newRow("on the screen") << QRect(100, 100, 800, 600) << QList{laptop} << true;
    QTest::newRow("on a second screen") << QRect(2100, 100, 800, 600) << two << true;
    QTest::newRow("on a second screen that is gone")
        << QRect(2100, 100, 800, 600) << QList{QRect(0, 0, 1920, 1040)} << false;
    QTest::newRow("across both screens") << QRect(1850, 100, 800, 600) << two << true;
    QTest::newRow("a screen left of the primary, gone")
        << QRect(-1500, 200, 800, 600) << QList{laptop} << false;
    QTest::newRow("mostly off the left edge, a good grip left")
        << QRect(-650, 100, 800, 600) << QList{laptop} << true;
    QTest::newRow("off the left edge but a sliver")
        << QRect(-760, 100, 800, 600) << QList{laptop} << false;
    QTest::newRow("narrower than a grip, wholly on")
        << QRect(20, 100, 60, 60) << QList{laptop} << true;
    QTest::newRow("below the bottom") << QRect(100, 760, 800, 600) << QList{laptop} << false;
    QTest::newRow("title above the top") << QRect(100, 10, 800, 600) << QList{laptop} << false;
    QTest::newRow("title under a panel at the top")
        << QRect(100, 40, 800, 600) << QList{QRect(0, 32, 1366, 736)} << false;
    QTest::newRow("title just below that panel")
        << QRect(100, 62, 800, 600) << QList{QRect(0, 32, 1366, 736)} << true;
    QTest::newRow("no geometry") << QRect() << QList{laptop} << false;
    QTest::newRow("no screen at all") << QRect(100, 100, 800, 600) << QList<QRect>() << false;
}

// A window whose title bar could not be reached opens centred instead.
void SettingsTest::remembered_geometry_opens_again_only_within_reach() {
    QFETCH(QRect, geometry);
    QFETCH(QList<QRect>, available);
    QFETCH(bool, restored);
    const QMargins frame(4, 30, 4, 4);
    const std::optional<QRect> place = orbel::RestoredGeometry(geometry, frame, available);
    QCOMPARE(place.has_value(), restored);
    if (place) QCOMPARE(*place, geometry);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings-test.moc"
