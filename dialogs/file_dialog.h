// The program's own dialog for choosing the game record file to read or to write.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <array>

#include "dialogs/file_dialog_volumes.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

namespace orbel {

class FileList;
class FolderList;

// Open reads a record (caption "開く"), Save writes one (caption "新規保存").
enum class OpenSaveMode { Open, Save };

// The folder the file list shows and the pattern it lists by.
struct FileListing {
    QString folder;
    QString pattern;
};

// What the user chose. A file picked from the list (by double-click, or by typing the name
// of a listed file) is the one the caller keeps as GameFileName; a typed new name is not.
// `listing` is where the file list stood when the file was chosen.
struct FileChoice {
    bool chosen = false;
    QString path;
    bool byDoubleClick = false;
    FileListing listing;
};

// Fixed-size, modal and centred on the screen. It starts in the given folder, or else the
// process's current folder, and leaves the process in the folder the user last opened, so
// the next opening starts there. It never reads or writes a record itself: the caller acts
// on the choice.
class frmOpenSave : public QDialog {
    Q_OBJECT

  public:
    // `initialText` goes into the file name box, wholly selected. The file list starts in
    // `start`'s folder (the current folder when that is empty or cannot be entered) and with
    // its pattern ("*.*" when empty). `volumes` fills the drive list; the root file system
    // should come first.
    frmOpenSave(OpenSaveMode mode, const QString& initialText, const FileListing& start = {},
                QWidget* parent = nullptr, const QList<Volume>& volumes = MountedVolumes());

    // Shows the dialog modally and returns what the user chose.
    static FileChoice ChooseGameFile(QWidget* parent, OpenSaveMode mode, const QString& initialText,
                                     const FileListing& start = {});

    const FileChoice& Choice() const { return choice_; }

  private:
    void BuildControls();
    void PlaceControls();
    void Form_Load(const FileListing& start);

    void drvOpenSave_Change(int index);
    void dirOpenSave_Activate(QTreeWidgetItem* item);
    void dirOpenSave_Change();
    void filOpenSave_Click(const QString& name);
    void filOpenSave_DblClick(const QString& name);
    void cmdOpenSave_Click(int index);

    // Makes `folder` the process's current folder and shows it; false, after saying why,
    // when the folder cannot be entered.
    bool OpenFolder(const QString& folder);
    void FollowWithDrive();
    void HandOverName(const QString& text);
    bool TakeAsFolder(const QString& text);
    bool TakeAsPattern(const QString& text);
    bool TakeAsListedFile(const QString& text);
    void LookUpTypedName(const QString& text);
    QString Absolute(const QString& text) const;
    void Choose(const QString& path, bool byDoubleClick);
    void ShowExclamation(const QString& text);

    OpenSaveMode mode_;
    QList<Volume> volumes_;
    FileChoice choice_;

    std::array<QLabel*, 4> lblOpenSave_{};
    QLineEdit* txtOpenSave_ = nullptr;
    FileList* filOpenSave_ = nullptr;
    FolderList* dirOpenSave_ = nullptr;
    QComboBox* drvOpenSave_ = nullptr;
    std::array<QPushButton*, 2> cmdOpenSave_{};
};

}  // namespace orbel
