#include "dialogs/file_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <filesystem>
#include <system_error>

#include "dialogs/file_dialog_lists.h"
#include "dialogs/file_dialog_names.h"
#include "ui/design_units.h"
#include "ui/window_place.h"

namespace orbel {

namespace {

const QString kProgramTitle = QStringLiteral("Orbel Five");
const QString kOpenCaption = QStringLiteral("開く");
const QString kSaveCaption = QStringLiteral("新規保存");
const QString kNoSuchFile = QStringLiteral("ファイルが存在しません。");

// Positions in twips inside the client area, laid out for 120 dpi.
constexpr TwipsRect kClientArea{0, 0, 5760, 3204};
constexpr TwipsRect kFileNameLabel{120, 120, 1455, 315};
constexpr TwipsRect kFileNameBox{120, 420, 2055, 405};
constexpr TwipsRect kFileListBox{120, 840, 2055, 2136};
constexpr TwipsRect kFolderLabel{2400, 120, 1455, 315};
constexpr TwipsRect kPathLabel{2280, 420, 3375, 315};
constexpr TwipsRect kFolderListBox{2280, 780, 2055, 1530};
constexpr TwipsRect kDriveLabel{2400, 2340, 1455, 315};
constexpr TwipsRect kDriveListBox{2280, 2640, 3375, 390};
constexpr TwipsRect kOkButton{4560, 780, 1095, 435};
constexpr TwipsRect kCancelButton{4560, 1320, 1095, 435};

// A name typed into the box, split at its last "/"; `folder` is empty when none was typed.
struct TypedName {
    QString folder;
    QString name;
};

TypedName Split(const QString& text) {
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {QString(), text};
    return {text.left(slash + 1), text.mid(slash + 1)};
}

QString ControlName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

}  // namespace

frmOpenSave::frmOpenSave(OpenSaveMode mode, const QString& initialText, const FileListing& start,
                         QWidget* parent, const QList<Volume>& volumes)
    : QDialog(parent), mode_(mode), volumes_(volumes) {
    setObjectName(QStringLiteral("frmOpenSave"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(mode == OpenSaveMode::Open ? kOpenCaption : kSaveCaption);
    setModal(true);
    BuildControls();
    PlaceControls();
    CentreOnScreen(*this);
    txtOpenSave_->setText(initialText);
    txtOpenSave_->selectAll();
    Form_Load(start);
}

FileChoice frmOpenSave::ChooseGameFile(QWidget* parent, OpenSaveMode mode,
                                       const QString& initialText, const FileListing& start) {
    frmOpenSave dialog(mode, initialText, start, parent);
    dialog.exec();
    return dialog.Choice();
}

void frmOpenSave::BuildControls() {
    // Created in tab order.
    for (int i = 0; i < 4; ++i) {
        lblOpenSave_[i] = new QLabel(this);
        lblOpenSave_[i]->setObjectName(ControlName("lblOpenSave", i));
    }
    txtOpenSave_ = new QLineEdit(this);
    txtOpenSave_->setObjectName(QStringLiteral("txtOpenSave"));
    filOpenSave_ = new FileList(this);
    filOpenSave_->setObjectName(QStringLiteral("filOpenSave"));
    dirOpenSave_ = new FolderList(this);
    dirOpenSave_->setObjectName(QStringLiteral("dirOpenSave"));
    drvOpenSave_ = new QComboBox(this);
    drvOpenSave_->setObjectName(QStringLiteral("drvOpenSave"));
    for (int i = 0; i < 2; ++i) {
        cmdOpenSave_[i] = new QPushButton(this);
        cmdOpenSave_[i]->setObjectName(ControlName("cmdOpenSave", i));
        connect(cmdOpenSave_[i], &QPushButton::clicked, this, [this, i] { cmdOpenSave_Click(i); });
    }

    lblOpenSave_[0]->setText(QStringLiteral("ﾌｧｲﾙ名(&N):"));
    lblOpenSave_[0]->setBuddy(txtOpenSave_);
    lblOpenSave_[1]->setText(QStringLiteral("ﾃﾞｨﾚｸﾄﾘ(&D)"));
    lblOpenSave_[1]->setBuddy(dirOpenSave_);
    // The path is shown as it is: no mnemonics, no markup.
    lblOpenSave_[2]->setTextFormat(Qt::PlainText);
    QFont pathFont = lblOpenSave_[2]->font();
    pathFont.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")});
    pathFont.setPointSize(9);
    lblOpenSave_[2]->setFont(pathFont);
    lblOpenSave_[3]->setText(QStringLiteral("ﾄﾞﾗｲﾌﾞ(&V):"));
    lblOpenSave_[3]->setBuddy(drvOpenSave_);
    cmdOpenSave_[0]->setText(QStringLiteral("OK"));
    cmdOpenSave_[0]->setDefault(true);
    cmdOpenSave_[1]->setText(QStringLiteral("ｷｬﾝｾﾙ"));

    connect(drvOpenSave_, &QComboBox::currentIndexChanged, this, &frmOpenSave::drvOpenSave_Change);
    connect(dirOpenSave_, &QTreeWidget::itemActivated, this, &frmOpenSave::dirOpenSave_Activate);
    connect(filOpenSave_, &QListWidget::itemClicked, this,
            [this](const QListWidgetItem* item) { filOpenSave_Click(item->text()); });
    connect(filOpenSave_, &QListWidget::currentItemChanged, this,
            [this](const QListWidgetItem* item) {
                if (item != nullptr) filOpenSave_Click(item->text());
            });
    connect(filOpenSave_, &QListWidget::itemActivated, this,
            [this](const QListWidgetItem* item) { filOpenSave_DblClick(item->text()); });
}

void frmOpenSave::PlaceControls() {
    const auto place = [this](QWidget* control, const TwipsRect& at) {
        control->setGeometry(TwipsToPixels(at, *this));
    };
    setFixedSize(TwipsToPixels(kClientArea, *this).size());
    place(lblOpenSave_[0], kFileNameLabel);
    place(txtOpenSave_, kFileNameBox);
    place(filOpenSave_, kFileListBox);
    place(lblOpenSave_[1], kFolderLabel);
    place(lblOpenSave_[2], kPathLabel);
    place(dirOpenSave_, kFolderListBox);
    place(lblOpenSave_[3], kDriveLabel);
    place(drvOpenSave_, kDriveListBox);
    place(cmdOpenSave_[0], kOkButton);
    place(cmdOpenSave_[1], kCancelButton);
}

// A start folder that has gone since is passed over without a word: the current one serves.
void frmOpenSave::Form_Load(const FileListing& start) {
    {
        const QSignalBlocker quiet(drvOpenSave_);
        for (const Volume& volume : volumes_) drvOpenSave_->addItem(VolumeCaption(volume));
    }
    if (!start.pattern.isEmpty()) filOpenSave_->SetPattern(start.pattern);
    if (!start.folder.isEmpty()) QDir::setCurrent(start.folder);
    dirOpenSave_->SetPath(QDir::currentPath());
    dirOpenSave_Change();
    txtOpenSave_->setFocus();
}

void frmOpenSave::drvOpenSave_Change(int index) {
    if (index < 0 || index >= volumes_.size()) return;
    if (!OpenFolder(volumes_[index].root)) FollowWithDrive();
}

void frmOpenSave::dirOpenSave_Activate(QTreeWidgetItem* item) {
    if (item != nullptr) OpenFolder(FolderList::FolderOf(item));
}

void frmOpenSave::dirOpenSave_Change() {
    const QString& folder = dirOpenSave_->Path();
    filOpenSave_->SetFolder(folder);
    QLabel* label = lblOpenSave_[2];
    label->setText(label->fontMetrics().elidedText(folder, Qt::ElideMiddle, label->width()));
    label->setToolTip(folder);
    FollowWithDrive();
}

void frmOpenSave::filOpenSave_Click(const QString& name) {
    txtOpenSave_->setText(name);
}

void frmOpenSave::filOpenSave_DblClick(const QString& name) {
    Choose(JoinFolderAndName(filOpenSave_->Folder(), name), true);
}

void frmOpenSave::cmdOpenSave_Click(int index) {
    if (index == 0) {
        HandOverName(txtOpenSave_->text());
    } else {
        reject();
    }
}

bool frmOpenSave::OpenFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::current_path(QFile::encodeName(folder).toStdString(), error);
    if (error) {
        ShowExclamation(QString::fromLocal8Bit(error.message()));
        return false;
    }
    dirOpenSave_->SetPath(folder);
    dirOpenSave_Change();
    return true;
}

void frmOpenSave::FollowWithDrive() {
    const QSignalBlocker quiet(drvOpenSave_);
    drvOpenSave_->setCurrentIndex(VolumeHolding(volumes_, dirOpenSave_->Path()));
}

// A folder or path opens that folder, a pattern filters the file list, the name of a
// listed file chooses it; anything else is looked up as a file.
void frmOpenSave::HandOverName(const QString& text) {
    if (text.isEmpty()) return;
    if (TakeAsFolder(text) || TakeAsPattern(text) || TakeAsListedFile(text)) return;
    LookUpTypedName(text);
}

bool frmOpenSave::TakeAsFolder(const QString& text) {
    const QString folder = Absolute(text);
    if (!QFileInfo(folder).isDir()) return false;
    if (OpenFolder(folder)) txtOpenSave_->setText(filOpenSave_->Pattern());
    return true;
}

bool frmOpenSave::TakeAsPattern(const QString& text) {
    const TypedName typed = Split(text);
    if (!HasWildcards(typed.name)) return false;
    if (!typed.folder.isEmpty()) {
        const QString folder = Absolute(typed.folder);
        if (!QFileInfo(folder).isDir()) return false;
        if (!OpenFolder(folder)) return true;
    }
    filOpenSave_->SetPattern(typed.name);
    return true;
}

bool frmOpenSave::TakeAsListedFile(const QString& text) {
    const TypedName typed = Split(text);
    if (typed.folder.isEmpty()) {
        if (!filOpenSave_->Lists(typed.name)) return false;
        filOpenSave_DblClick(typed.name);
        return true;
    }
    const QString folder = Absolute(typed.folder);
    if (!QFileInfo(folder).isDir()) return false;
    if (!FileList::NamesIn(folder, filOpenSave_->Pattern()).contains(typed.name)) return false;
    if (OpenFolder(folder)) filOpenSave_DblClick(typed.name);
    return true;
}

void frmOpenSave::LookUpTypedName(const QString& text) {
    const NameLookup lookup = LookUpNormalFile(text);
    switch (lookup.result) {
        case NameLookup::Result::Failed:
            ShowExclamation(lookup.error);
            return;
        case NameLookup::Result::NormalFile:
            // There, but kept out of the list by the pattern: the dialog waits.
            return;
        case NameLookup::Result::NoNormalFile:
            break;
    }
    if (mode_ == OpenSaveMode::Save) {
        // Handed over as typed: a bare name is relative to the shown (and current) folder.
        Choose(text, false);
    } else {
        ShowExclamation(kNoSuchFile);
    }
}

QString frmOpenSave::Absolute(const QString& text) const {
    return QDir::cleanPath(QDir(filOpenSave_->Folder()).absoluteFilePath(text));
}

void frmOpenSave::Choose(const QString& path, bool byDoubleClick) {
    choice_ = {true, path, byDoubleClick, {filOpenSave_->Folder(), filOpenSave_->Pattern()}};
    accept();
}

void frmOpenSave::ShowExclamation(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kProgramTitle, text, QMessageBox::Ok, this);
    box.exec();
}

}  // namespace orbel
