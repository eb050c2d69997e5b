#include "ui/player_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>
#include <filesystem>
#include <memory>
#include <system_error>

namespace orbel {

namespace {

// Raised whenever a key changes its meaning; a file of any other version is not read.
constexpr int kFormatVersion = 1;
constexpr int kTwoPlayer = 0;
constexpr int kGod = 11;
constexpr int kSmallestBoard = 5;
constexpr int kLargestBoard = 17;
// Ours take a few hundred bytes; anything much larger is not worth reading.
constexpr std::uintmax_t kLargestFile = 64 * 1024;

constexpr const char* kVersion = "version";
constexpr const char* kLevel = "level";
constexpr const char* kBoardSize = "boardSize";
constexpr const char* kMainWindow = "mainWindow/geometry";
constexpr const char* kMaximised = "mainWindow/maximised";
constexpr const char* kFileFolder = "fileDialog/folder";
constexpr const char* kFilePattern = "fileDialog/pattern";
constexpr const char* kMainWindowState = "mainWindow/state";
constexpr const char* kAnalysisDeepest = "analysis/deepest";
constexpr const char* kReviewLevel = "analysis/reviewLevel";
constexpr const char* kAnalysisOpen = "analysis/open";

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

template <class T>
void Put(QSettings& settings, const char* key, const std::optional<T>& value) {
    if (value) settings.setValue(key, *value);
}

std::unique_ptr<QSettings> Open(const QString& file) {
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

bool SetAside(const QString& file) {
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(file).toStdString(),
                            QFile::encodeName(file + QStringLiteral(".bad")).toStdString(), error);
    return !error;
}

// The settings file when it is ours to read and to write; null when it is to be left as it
// is. Only its type and size are looked at before it is opened: reading a FIFO would wait
// for a writer, and a huge file would be read whole.
std::unique_ptr<QSettings> Opened(const QString& file) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path = QFile::encodeName(file).toStdString();
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return Open(file);
    // Not a regular file, or one this user cannot read: whatever it is, it stays.
    if (status.type() != fs::file_type::regular || !QFileInfo(file).isReadable()) return nullptr;
    if (fs::file_size(path, error) <= kLargestFile && !error) {
        std::unique_ptr<QSettings> settings = Open(file);
        bool whole = false;
        const int version = settings->value(kVersion).toInt(&whole);
        // A newer release's settings are its own: this one neither reads nor replaces them.
        if (whole && version > kFormatVersion) return nullptr;
        if (whole && version == kFormatVersion && settings->status() == QSettings::NoError)
            return settings;
    }
    return SetAside(file) ? Open(file) : nullptr;
}

}  // namespace

SettingsStore::SettingsStore()
    : file_(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/orbelfive/orbelfive.conf")) {}

PlayerSettings SettingsStore::Read() const {
    PlayerSettings read;
    const std::unique_ptr<QSettings> opened = Opened(file_);
    if (!opened) return read;
    const QSettings& settings = *opened;
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
    read.analysisDeepest = WholeNumber(settings, kAnalysisDeepest, 1, kGod);
    read.reviewLevel = WholeNumber(settings, kReviewLevel, 1, kGod);
    read.analysisOpen = settings.value(kAnalysisOpen).toString() == QLatin1String("true");
    return read;
}

bool SettingsStore::Write(const PlayerSettings& written) const {
    const std::unique_ptr<QSettings> opened = Opened(file_);
    if (!opened) return false;
    QSettings& settings = *opened;
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
    Put(settings, kAnalysisDeepest, written.analysisDeepest);
    Put(settings, kReviewLevel, written.reviewLevel);
    settings.setValue(kAnalysisOpen, written.analysisOpen);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace orbel
