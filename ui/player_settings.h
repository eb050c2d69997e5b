// What the game remembers of its player from one run to the next.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <optional>

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

    bool operator==(const PlayerSettings&) const = default;
};

// Keeps the settings with QSettings for organisation and application "orbelfive", in the
// standard place (~/.config/orbelfive/orbelfive.conf). A setting that is missing, out of
// range or unreadable, and a file of another format version, read as the designed default;
// a file or folder that cannot be written only means the next run starts as designed.
class SettingsStore {
  public:
    PlayerSettings Read() const;
    // Replaces the whole file; false when it could not be written. Never throws.
    bool Write(const PlayerSettings& settings) const;
    QString FileName() const;
};

}  // namespace orbel
