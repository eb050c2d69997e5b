#include "app/record_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "app/orbel_app.h"
#include "dialogs/file_dialog.h"
#include "records/record_file.h"

namespace orbel {

namespace {

std::filesystem::path PathOf(const QString& file) {
    return file.toStdString();
}

}  // namespace

QWidget* RecordCommands::Window() const {
    return app_.mainWindow();
}

void RecordCommands::mnuFileItem_Click(int index) {
    // No game event is handled while the dialog and its message boxes are open: a save
    // writes the game as it stood when Save was chosen.
    const ModalHold hold(app_.game());
    const bool load = index == 1;
    PlayerSettings& remembered = app_.settings();
    const FileChoice choice =
        frmOpenSave::ChooseGameFile(Window(), load ? OpenSaveMode::Open : OpenSaveMode::Save,
                                    load ? remembered.filePattern : GameFileName_,
                                    {remembered.fileFolder, remembered.filePattern});
    if (!choice.chosen) return;
    if (choice.byDoubleClick) GameFileName_ = choice.path;
    // A typed path may lead out of the folder the list showed: the next opening starts where
    // the file was saved or read. The dialog has left the process in the listed folder,
    // which a relative path starts from.
    const QString fileFolder = QDir::cleanPath(QFileInfo(choice.path).absolutePath());
    const bool done = load ? LoadGameRecord(choice.path) : SaveGameRecord(choice.path);
    remembered.fileFolder = done ? fileFolder : choice.listing.folder;
    remembered.filePattern = choice.listing.pattern;
    app_.Remember();
}

bool RecordCommands::SaveGameRecord(const QString& file) {
    if (QFileInfo(file).isFile()) {
        QMessageBox ask(QMessageBox::NoIcon, QStringLiteral("メニュー"),
                        QStringLiteral("ファイルを上書きしますか？"),
                        QMessageBox::Yes | QMessageBox::No, Window());
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() != QMessageBox::Yes) return false;
    }
    const RecordStatus status = WriteRecordFile(PathOf(file), app_.game().Record());
    if (!status.Ok()) ShowFailure(status);
    return status.Ok();
}

bool RecordCommands::LoadGameRecord(const QString& file) {
    GameRecord record;
    const RecordStatus status = ReadRecordFile(PathOf(file), record);
    if (!status.Ok()) {
        ShowFailure(status);
        return false;
    }
    app_.OpenRecord(record);
    return true;
}

// The fixed text with the code, and below it the reason, worded as orbelfive-cli words it.
void RecordCommands::ShowFailure(const RecordStatus& status) const {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("テキストエディタ"),
                    QStringLiteral("エラーが発生しました。もう一度実行してください。") +
                        QString::number(status.Code()),
                    QMessageBox::Ok, Window());
    box.setInformativeText(QString::fromLocal8Bit(RecordMessage(status)));
    box.exec();
}

}  // namespace orbel
