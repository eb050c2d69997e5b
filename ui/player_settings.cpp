#include "ui/player_settings.h"

#include <QDir>
#include <QSettings>
#include <QVariant>

namespace orbel {

namespace {

// Raised whenever a key changes its meaning; a file of any other version is not read.
constexpr int kFormatVersion = 1;
constexpr int kTwoPlayer = 0;
constexpr int kGod = 11;
constexpr int kSmallestBoard = 5;
constexpr int kLargestBoard = 17;

constexpr const char* kVersion = "version";
constexpr const char* kLevel = "level";
constexpr const char* kBoardSize = "boardSize";
constexpr const char* kMainWindow = "mainWindow/geometry";
constexpr const char* kMaximised = "mainWindow/maximised";
constexpr const char* kFileFolder = "fileDialog/folder";
constexpr const char* kFilePattern = "fileDialog/pattern";
constexpr const char* kMainWindowState = "mainWindow/state";

QSettings Opened() {
    return QSettings(QSettings::UserScope, QStringLiteral("orbelfive"),
                     QStringLiteral("orbelfive"));
}

std::optional<int> WholeNumber(const QSettings& settings, const char* key, int low, int high) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

// Window geometries stay in the 16-bit range every window system takes.
std::optional<QRect> Geometry(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QRect) return std::nullopt;
    const QRect rect = value.toRect();
    const QRect range(-32768, -32768, 65536, 65536);
    if (!rect.isValid() || !range.contains(rect)) return std::nullopt;
    return rect;
}

QString Folder(const QSettings& settings) {
    const QString folder = settings.value(kFileFolder).toString();
    return QDir::isAbsolutePath(folder) ? folder : QString();
}

// A pattern as the file dialog takes one: a name with wildcards and no folder.
QString Pattern(const QSettings& settings, const QString& designed) {
    const QString pattern = settings.value(kFilePattern).toString();
    const bool wild = pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'));
    return wild && !pattern.contains(QLatin1Char('/')) ? pattern : designed;
}

void Put(QSettings& settings, const char* key, const std::optional<QRect>& rect) {
    if (rect) settings.setValue(key, *rect);
}

}  // namespace

PlayerSettings SettingsStore::Read() const {
    const QSettings settings = Opened();
    PlayerSettings read;
    if (settings.status() != QSettings::NoError) return read;
    if (WholeNumber(settings, kVersion, kFormatVersion, kFormatVersion) != kFormatVersion)
        return read;
    read.level = WholeNumber(settings, kLevel, kTwoPlayer, kGod).value_or(read.level);
    read.boardSize = WholeNumber(settings, kBoardSize, kSmallestBoard, kLargestBoard);
    if (read.boardSize && *read.boardSize % 2 == 0) read.boardSize.reset();
    read.mainWindow = Geometry(settings, kMainWindow);
    read.mainWindowMaximised = settings.value(kMaximised).toString() == QLatin1String("true");
    read.fileFolder = Folder(settings);
    read.filePattern = Pattern(settings, read.filePattern);
    if (const QVariant state = settings.value(kMainWindowState);
        state.typeId() == QMetaType::QByteArray)
        read.mainWindowState = state.toByteArray();
    return read;
}

bool SettingsStore::Write(const PlayerSettings& written) const {
    {
        QSettings settings = Opened();
        settings.clear();
        settings.setValue(kVersion, kFormatVersion);
        settings.setValue(kLevel, written.level);
        if (written.boardSize) settings.setValue(kBoardSize, *written.boardSize);
        Put(settings, kMainWindow, written.mainWindow);
        settings.setValue(kMaximised, written.mainWindowMaximised);
        if (!written.fileFolder.isEmpty()) settings.setValue(kFileFolder, written.fileFolder);
        settings.setValue(kFilePattern, written.filePattern);
        if (!written.mainWindowState.isEmpty())
            settings.setValue(kMainWindowState, written.mainWindowState);
        settings.sync();
        if (settings.status() != QSettings::FormatError)
            return settings.status() == QSettings::NoError;
    }
    // The old file was unreadable, and that first error hides how the writing went: it
    // went well when the file reads now.
    return Opened().status() == QSettings::NoError;
}

QString SettingsStore::FileName() const {
    return Opened().fileName();
}

}  // namespace orbel
