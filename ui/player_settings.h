// What the game remembers of its player from one run to the next.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <optional>
#include <utility>

namespace orbel {

// The settings as plain values; a default-made one is the game as designed.
struct PlayerSettings {
    int level = 1;                 // 0 Two Player, 1 Easy .. 11 God
    std::optional<int> boardSize;  // 5, 7, .., 17; none until one has been chosen
    // The main window's normal geometry (its client area, as QWidget::normalGeometry()
    // gives it), and whether it was maximised over it.
    std::optional<QRect> mainWindow;
    bool mainWindowMaximised = false;
    QString fileFolder;  // the file dialog's last folder; empty: the current folder
    QString filePattern = QStringLiteral("*.*");
    // Where the main window's analysis panel stands, as QMainWindow::saveState() tells it.
    QByteArray mainWindowState;
    // The panel's two level pickers, 1 to 11: its deepest level and its review's level;
    // none until the player has had the panel open.
    std::optional<int> analysisDeepest;
    std::optional<int> reviewLevel;
    // The panel was open when the board last closed: it opens again with the next board.
    bool analysisOpen = false;

    bool operator==(const PlayerSettings&) const = default;
};

// Keeps the settings in an INI file, by default ~/.config/orbelfive/orbelfive.conf (under
// $XDG_CONFIG_HOME when that is set). A setting that is missing, out of range or unreadable
// reads as the designed default. The file is only read and written when it is ours: one of
// a newer format version, and anything but a regular file (a FIFO, a device, a socket, a
// folder), are never written and the game runs as designed; one that cannot be ours (larger
// than 64 KB, not a settings file, no version) is first set aside as orbelfive.conf.bad,
// unread but for its size. A file or folder that cannot be written only means the next run
// starts as designed.
class SettingsStore {
  public:
    SettingsStore();
    explicit SettingsStore(QString file) : file_(std::move(file)) {}

    PlayerSettings Read() const;
    // Replaces the whole file; false when it was not written. Never throws.
    bool Write(const PlayerSettings& settings) const;
    const QString& FileName() const { return file_; }

  private:
    QString file_;
};

}  // namespace orbel
