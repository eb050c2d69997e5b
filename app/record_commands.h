// "&Load Game" and "&Save Game": the file dialog, the record file and their message boxes.
#pragma once

#include <QString>

class QWidget;

namespace orbel {

class OrbelApp;
struct RecordStatus;

class RecordCommands {
  public:
    explicit RecordCommands(OrbelApp& app) : app_(app) {}

    // 1 reads a game, 2 saves the game in hand, each through the file dialog.
    void mnuFileItem_Click(int index);

    // Asks before replacing a file; a failed write leaves any earlier file as it was.
    bool SaveGameRecord(const QString& file);
    // Reads and checks the whole file before anything changes: a bad record leaves the
    // game, the window and its buttons exactly as they were.
    bool LoadGameRecord(const QString& file);

  private:
    QWidget* Window() const;
    void ShowFailure(const RecordStatus& status) const;

    OrbelApp& app_;
    QString GameFileName_;
};

}  // namespace orbel
