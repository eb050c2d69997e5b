// The player's settings: kept and read back, the designed defaults whenever the file cannot
// be trusted, and where a remembered main window may open again.
#include <sys/stat.h>

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

const QRect kSeen(120, 80, 1077, 790);

QVariant Optional(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant();
}
QVariant Optional(const std::optional<QRect>& value) {
    return value ? QVariant(*value) : QVariant();
}

// What a file may hold under a key (a null value: the key is missing), each with the value
// the setting must read as (null: none).
struct Key {
    const char* name;
    std::function<QVariant(const PlayerSettings&)> setting;
    QList<std::pair<QVariant, QVariant>> cases;
};

QList<Key> Keys() {
    const QVariant none;
    const QString folder = QStringLiteral("/home/player/棋譜 2");
    return {
        {"level",
         [](const PlayerSettings& s) { return QVariant(s.level); },
         {{0, 0}, {11, 11}, {6, 6}, {-1, 1}, {12, 1}, {"hard", 1}, {"3.5", 1}, {none, 1}}},
        {"boardSize",
         [](const PlayerSettings& s) { return Optional(s.boardSize); },
         {{5, 5},
          {17, 17},
          {11, 11},
          {3, none},
          {8, none},
          {19, none},
          {"nine", none},
          {none, none}}},
        {"mainWindow/geometry",
         [](const PlayerSettings& s) { return Optional(s.mainWindow); },
         {{kSeen, kSeen},
          {QRect(-1800, -60, 90, 90), QRect(-1800, -60, 90, 90)},
          {QRect(0, 0, 0, 0), none},
          {QRect(0, 0, -20, 300), none},
          {QRect(40000, 0, 800, 600), none},
          {"120 80 1077 790", none},
          {none, none}}},
        {"mainWindow/maximised",
         [](const PlayerSettings& s) { return QVariant(s.mainWindowMaximised); },
         {{true, true}, {false, false}, {"yes", false}, {none, false}}},
        {"fileDialog/folder",
         [](const PlayerSettings& s) { return QVariant(s.fileFolder); },
         {{folder, folder}, {"games/old", ""}, {"", ""}, {none, ""}}},
        {"fileDialog/pattern",
         [](const PlayerSettings& s) { return QVariant(s.filePattern); },
         {{"*.rec", "*.rec"},
          {"*.rec;game??.txt", "*.rec;game??.txt"},
          {"games/*.rec", "*.*"},
          {"game.rec", "*.*"},
          {"", "*.*"},
          {none, "*.*"}}},
        {"mainWindow/state",
         [](const PlayerSettings& s) { return QVariant(s.mainWindowState); },
         {{QByteArray("\0\xff state", 8), QByteArray("\0\xff state", 8)},
          {"state", QByteArray()},
          {12, QByteArray()},
          {none, QByteArray()}}},
        {"analysis/deepest",
         [](const PlayerSettings& s) { return Optional(s.analysisDeepest); },
         {{1, 1}, {11, 11}, {9, 9}, {0, none}, {12, none}, {"deep", none}, {none, none}}},
        {"analysis/reviewLevel",
         [](const PlayerSettings& s) { return Optional(s.reviewLevel); },
         {{1, 1}, {11, 11}, {4, 4}, {0, none}, {12, none}, {"5.5", none}, {none, none}}},
        {"analysis/open",
         [](const PlayerSettings& s) { return QVariant(s.analysisOpen); },
         {{true, true}, {false, false}, {"open", false}, {none, false}}},
    };
}

QSettings Raw(const SettingsStore& store) {
    return QSettings(store.FileName(), QSettings::IniFormat);
}

// What stands at `path`, opened only when it is a regular file.
QByteArray Fingerprint(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink()) return "a link to " + QFile::encodeName(info.symLinkTarget());
    if (!info.exists()) return "nothing";
    if (!info.isFile()) return info.isDir() ? "a folder" : "another kind of file";
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable";
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
    if (Uniform(rng, 0, 1))
        for (int i = Uniform(rng, 1, 200); i > 0; --i)
            settings.mainWindowState.append(static_cast<char>(Uniform(rng, 0, 255)));
    if (Uniform(rng, 0, 1)) settings.analysisDeepest = Uniform(rng, 1, 11);
    if (Uniform(rng, 0, 1)) settings.reviewLevel = Uniform(rng, 1, 11);
    settings.analysisOpen = Uniform(rng, 0, 1) == 1;
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
    void a_file_that_is_not_ours_is_never_read_nor_replaced_data();
    void a_file_that_is_not_ours_is_never_read_nor_replaced();
    void remembered_geometry_opens_again_only_within_reach_data();
    void remembered_geometry_opens_again_only_within_reach();

  private:
    std::unique_ptr<QTemporaryDir> home_;
    SettingsStore store_;
};

// No test may reach the player's own settings; the store is where QSettings keeps them.
void SettingsTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(SettingsStore().FileName(),
             QSettings(QSettings::UserScope, "orbelfive", "orbelfive").fileName());
}

void SettingsTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    store_ = SettingsStore(home_->filePath("orbelfive/orbelfive.conf"));
    QVERIFY(QDir().mkpath(home_->filePath("orbelfive")));
}

void SettingsTest::settings_come_back_as_written() {
    const SettingsStore& store = store_;
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
    const QList<Key> keys = Keys();
    std::mt19937 rng(5);
    for (int round = 0; round < 80; ++round) {
        QList<QVariant> expected;
        {
            QSettings raw = Raw(store_);
            raw.clear();
            raw.setValue("version", 1);
            for (const Key& key : keys) {
                const auto& [stored, reads] = key.cases[Uniform(rng, 0, key.cases.size() - 1)];
                if (!stored.isNull()) raw.setValue(key.name, stored);
                expected.append(reads);
            }
        }
        const PlayerSettings read = store_.Read();
        for (int index = 0; index < keys.size(); ++index)
            QVERIFY2(keys[index].setting(read) == expected[index],
                     qPrintable(QStringLiteral("%1 in round %2").arg(keys[index].name).arg(round)));
    }
}

enum class Outcome { Read, LeftAsItIs, SetAside };
enum class Made { File, Fifo, LinkToDevice, Folder, FileForItsFolder };

void SettingsTest::a_file_that_is_not_ours_is_never_read_nor_replaced_data() {
    QTest::addColumn<Made>("made");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Outcome>("outcome");
    const QByteArray ours = "version=1\nlevel=7\n;";  // a comment pads it to a size
    const auto row = [](const char* name, Made made, const QByteArray& content, Outcome outcome) {
        QTest::newRow(name) << made << content << outcome;
    };
    row("ours, 64 KB", Made::File, ours.leftJustified(64 * 1024, 'x'), Outcome::Read);
    row("larger than 64 KB", Made::File, ours.leftJustified(64 * 1024 + 1, 'x'), Outcome::SetAside);
    row("a newer version", Made::File, "version=2\nlevel=7\n[window]\nstate=@ByteArray(x)\n",
        Outcome::LeftAsItIs);
    row("no version", Made::File, "level=7\nboardSize=9\n", Outcome::SetAside);
    row("not a settings file", Made::File, "version=1\nlevel=7\n\x01\x02\xff\n[broken\n",
        Outcome::SetAside);
    row("a FIFO", Made::Fifo, {}, Outcome::LeftAsItIs);
    row("a link to a device", Made::LinkToDevice, {}, Outcome::LeftAsItIs);
    row("a folder", Made::Folder, {}, Outcome::LeftAsItIs);
    // Run as root, a folder's permissions stop nothing; a file in its place stops everyone.
    row("a file where its folder should be", Made::FileForItsFolder, {}, Outcome::LeftAsItIs);
}

// The game as designed or with its own settings: a file this version cannot call its own
// is left where it is, or set aside whole when it can be.
void SettingsTest::a_file_that_is_not_ours_is_never_read_nor_replaced() {
    QFETCH(Made, made);
    QFETCH(QByteArray, content);
    QFETCH(Outcome, outcome);
    const QString path = store_.FileName();
    const QString folder = QFileInfo(path).path();
    if (made == Made::FileForItsFolder) QVERIFY(QDir().rmdir(folder));
    QFile file(made == Made::FileForItsFolder ? folder : path);
    if (made == Made::File || made == Made::FileForItsFolder)
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    if (made == Made::Fifo) QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (made == Made::LinkToDevice) QVERIFY(QFile::link("/dev/null", path));
    if (made == Made::Folder) QVERIFY(QDir().mkdir(path));
    file.close();

    const QByteArray before = Fingerprint(path);
    QCOMPARE(store_.Read().level, outcome == Outcome::Read ? 7 : 1);
    QCOMPARE(Fingerprint(path + ".bad"), outcome == Outcome::SetAside ? before : "nothing");
    QCOMPARE(store_.Write(Chosen()), outcome != Outcome::LeftAsItIs);
    if (outcome == Outcome::LeftAsItIs)
        QCOMPARE(Fingerprint(path), before);
    else
        QCOMPARE(store_.Read(), Chosen());
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
    QTest::newRow("below the second screen's bottom") << QRect(2100, 500, 800, 600) << two << false;
    QTest::newRow("the frame's left edge off the screen")
        << QRect(3, 100, 800, 600) << QList{laptop} << false;
    QTest::newRow("the frame touching every edge")
        << QRect(4, 30, 1358, 706) << QList{laptop} << true;
    QTest::newRow("one pixel taller than that")
        << QRect(4, 30, 1358, 707) << QList{laptop} << false;
    QTest::newRow("the title bar under a panel at the top")
        << QRect(100, 40, 800, 600) << QList{QRect(0, 32, 1366, 736)} << false;
    QTest::newRow("the title bar just below that panel")
        << QRect(100, 62, 800, 600) << QList{QRect(0, 32, 1366, 736)} << true;
    QTest::newRow("no geometry") << QRect() << QList{laptop} << false;
}

// A window that would not be wholly on the screens, frame included, is fitted anew.
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
