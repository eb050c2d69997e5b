#include "dialogs/file_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <cerrno>
#include <functional>
#include <memory>
#include <system_error>

#include "dialogs/file_dialog_volumes.h"

using orbel::FileChoice;
using orbel::FileListing;
using orbel::frmOpenSave;
using orbel::OpenSaveMode;
using orbel::Volume;

namespace {

// Answers every message box that opens while it watches, keeping what each one said.
class MessageBoxWatcher : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    MessageBoxWatcher() {
        connect(&timer_, &QTimer::timeout, this, [this] { Answer(); });
        timer_.start(5);
    }

    QList<Seen> seen;

  private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        seen.append({box->windowTitle(), box->text(), box->icon()});
        box->accept();
    }

    QTimer timer_;
};

template <class Control>
Control* Find(const QWidget* dialog, const char* name) {
    auto* control = dialog->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) qFatal("the dialog has no control %s", name);
    return control;
}

QLineEdit* NameBox(const QWidget* d) {
    return Find<QLineEdit>(d, "txtOpenSave");
}
QListWidget* FileList(const QWidget* d) {
    return Find<QListWidget>(d, "filOpenSave");
}
QTreeWidget* FolderList(const QWidget* d) {
    return Find<QTreeWidget>(d, "dirOpenSave");
}
QComboBox* DriveList(const QWidget* d) {
    return Find<QComboBox>(d, "drvOpenSave");
}
QLabel* PathLabel(const QWidget* d) {
    return Find<QLabel>(d, "lblOpenSave(2)");
}
QPushButton* OkButton(const QWidget* d) {
    return Find<QPushButton>(d, "cmdOpenSave(0)");
}
QPushButton* CancelButton(const QWidget* d) {
    return Find<QPushButton>(d, "cmdOpenSave(1)");
}

QStringList Listed(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names.append(list->item(i)->text());
    return names;
}

QStringList FolderCaptions(const QTreeWidget* tree) {
    QStringList captions;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it) {
        captions.append((*it)->text(0));
    }
    return captions;
}

// Qt Test sends a double-click on its own; a real one starts with a click.
void DoubleClick(QAbstractItemView* view, const QModelIndex& index) {
    view->scrollTo(index);
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

void DoubleClickFile(QWidget* dialog, const QString& name) {
    QListWidget* list = FileList(dialog);
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    DoubleClick(list, list->indexFromItem(found.first()));
}

void DoubleClickFolder(QWidget* dialog, const QString& caption) {
    QTreeWidget* tree = FolderList(dialog);
    const QList<QTreeWidgetItem*> found =
        tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    DoubleClick(tree, tree->indexFromItem(found.first()));
}

void TypeAndPressOk(QWidget* dialog, const QString& text) {
    NameBox(dialog)->clear();
    QTest::keyClicks(NameBox(dialog), text);
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
}

}  // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void captions_and_labels_are_the_programs_own();
    void window_follows_the_twips_layout_fixed_modal_and_centred();
    void opening_shows_the_current_folder_and_every_file();
    void save_with_a_new_bare_name_returns_it_in_the_shown_folder();
    void open_with_a_missing_name_warns_and_stays_open();
    void a_name_that_cannot_be_looked_up_shows_the_error();
    void double_click_chooses_the_file_in_the_shown_folder();
    void double_click_in_the_root_gives_one_slash();
    void ok_on_a_listed_name_acts_as_a_double_click();
    void wildcard_pattern_filters_the_list_and_stays_open();
    void typed_folder_opens_it_and_the_box_shows_the_pattern();
    void folder_list_moves_the_file_list_and_the_current_folder();
    void enter_in_the_folder_list_opens_the_folder_only();
    void drive_list_moves_to_the_volume_root();
    void cancel_escape_and_frame_close_choose_nothing();
    void current_folder_is_kept_between_openings();
    void starts_in_the_given_folder_and_reports_where_the_file_was_chosen();
    void a_start_folder_that_is_gone_leaves_the_current_one_quietly();
    void volumes_start_with_the_root_and_hold_by_whole_folders();

  private:
    std::unique_ptr<frmOpenSave> Show(OpenSaveMode mode, const QString& text,
                                      const QList<Volume>& volumes = orbel::MountedVolumes(),
                                      const FileListing& start = {});

    QString startFolder_;
    std::unique_ptr<QTemporaryDir> temp_;
    QString home_;  // the temporary folder the dialog starts in
};

void FileDialogTest::init() {
    startFolder_ = QDir::currentPath();
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    home_ = QDir(temp_->path()).canonicalPath();
    QDir home(home_);
    QVERIFY(home.mkdir(QStringLiteral("sub")));
    QVERIFY(home.mkdir(QStringLiteral("zoo")));
    for (const char* name : {"game.rec", "notes.txt", "README", ".hidden", "sub/inner.rec"}) {
        QFile file(home.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir::setCurrent(home_));
}

void FileDialogTest::cleanup() {
    QDir::setCurrent(startFolder_);
    temp_.reset();
}

std::unique_ptr<frmOpenSave> FileDialogTest::Show(OpenSaveMode mode, const QString& text,
                                                  const QList<Volume>& volumes,
                                                  const FileListing& start) {
    auto dialog = std::make_unique<frmOpenSave>(mode, text, start, nullptr, volumes);
    dialog->show();
    return dialog;
}

void FileDialogTest::captions_and_labels_are_the_programs_own() {
    const auto open = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    QCOMPARE(open->windowTitle(), QStringLiteral("開く"));
    QCOMPARE(Find<QLabel>(open.get(), "lblOpenSave(0)")->text(), QStringLiteral("ﾌｧｲﾙ名(&N):"));
    QCOMPARE(Find<QLabel>(open.get(), "lblOpenSave(1)")->text(), QStringLiteral("ﾃﾞｨﾚｸﾄﾘ(&D)"));
    QCOMPARE(Find<QLabel>(open.get(), "lblOpenSave(3)")->text(), QStringLiteral("ﾄﾞﾗｲﾌﾞ(&V):"));
    QCOMPARE(OkButton(open.get())->text(), QStringLiteral("OK"));
    QCOMPARE(CancelButton(open.get())->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QVERIFY(OkButton(open.get())->isDefault());
    QCOMPARE(NameBox(open.get())->text(), QStringLiteral("*.*"));
    QCOMPARE(NameBox(open.get())->selectedText(), QStringLiteral("*.*"));

    const QString last = home_ + QStringLiteral("/last game.rec");
    const auto save = Show(OpenSaveMode::Save, last);
    QCOMPARE(save->windowTitle(), QStringLiteral("新規保存"));
    QCOMPARE(NameBox(save.get())->selectedText(), last);
}

void FileDialogTest::window_follows_the_twips_layout_fixed_modal_and_centred() {
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    const int dpi = dialog->logicalDpiX();
    const auto px = [dpi](int twips) { return qRound(twips * dpi / 1440.0); };
    QCOMPARE(dialog->size(), QSize(px(5760), px(3204)));
    QCOMPARE(dialog->minimumSize(), dialog->size());
    QCOMPARE(dialog->maximumSize(), dialog->size());
    QVERIFY(dialog->isModal());
    QVERIFY(!(dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(NameBox(dialog.get())->geometry(), QRect(px(120), px(420), px(2055), px(405)));
    QCOMPARE(FolderList(dialog.get())->geometry(), QRect(px(2280), px(780), px(2055), px(1530)));
    QCOMPARE(CancelButton(dialog.get())->geometry(), QRect(px(4560), px(1320), px(1095), px(435)));

    // Centred before the frame is known, so the frame may shift it by its own thickness.
    const QSize frame = dialog->frameGeometry().size() - dialog->size();
    const QPoint offCentre = dialog->geometry().center() - dialog->screen()->geometry().center();
    QVERIFY2(offCentre.manhattanLength() <= frame.width() + frame.height() + 2,
             "the dialog is not centred on the screen");
    QVERIFY(dialog->screen()->availableGeometry().contains(dialog->frameGeometry()));
}

void FileDialogTest::opening_shows_the_current_folder_and_every_file() {
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    // "*.*" takes names without a dot too; hidden files stay out.
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"game.rec", "notes.txt", "README"}));
    QCOMPARE(PathLabel(dialog.get())->toolTip(), home_);
    QVERIFY(PathLabel(dialog.get())->text().endsWith(QDir(home_).dirName()));
    // The folder's ancestors from the root down, then its subfolders.
    const QStringList expected =
        QStringList{"/"} + home_.split('/', Qt::SkipEmptyParts) + QStringList{"sub", "zoo"};
    QCOMPARE(FolderCaptions(FolderList(dialog.get())), expected);
    QCOMPARE(FolderList(dialog.get())->currentItem()->text(0), QDir(home_).dirName());

    const QString root = DriveList(dialog.get())->currentText().section(QStringLiteral(" ["), 0, 0);
    QVERIFY2(root == "/" || home_ == root || home_.startsWith(root + '/'),
             qPrintable("the drive list shows " + root));
}

void FileDialogTest::save_with_a_new_bare_name_returns_it_in_the_shown_folder() {
    const auto dialog = Show(OpenSaveMode::Save, QStringLiteral("last.rec"));
    DoubleClickFolder(dialog.get(), QStringLiteral("sub"));
    TypeAndPressOk(dialog.get(), QStringLiteral("new.rec"));

    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    const FileChoice& choice = dialog->Choice();
    QVERIFY(choice.chosen);
    QVERIFY(!choice.byDoubleClick);
    QCOMPARE(choice.path, QStringLiteral("new.rec"));
    QCOMPARE(QFileInfo(choice.path).absoluteFilePath(), home_ + QStringLiteral("/sub/new.rec"));
    QVERIFY2(!QFile::exists(choice.path), "the dialog wrote the file itself");
}

void FileDialogTest::open_with_a_missing_name_warns_and_stays_open() {
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    MessageBoxWatcher watcher;
    TypeAndPressOk(dialog.get(), QStringLiteral("missing.rec"));

    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].text, QStringLiteral("ファイルが存在しません。"));
    QCOMPARE(watcher.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(watcher.seen[0].title, QStringLiteral("Orbel Five"));
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Choice().chosen);
    QCOMPARE(NameBox(dialog.get())->text(), QStringLiteral("missing.rec"));
}

void FileDialogTest::a_name_that_cannot_be_looked_up_shows_the_error() {
    const auto dialog = Show(OpenSaveMode::Save, QStringLiteral("last.rec"));
    MessageBoxWatcher watcher;
    const QString tooLong(300, QLatin1Char('x'));
    TypeAndPressOk(dialog.get(), tooLong);

    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].text,
             QString::fromLocal8Bit(std::generic_category().message(ENAMETOOLONG)));
    QCOMPARE(watcher.seen[0].icon, QMessageBox::Warning);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Choice().chosen);
    QCOMPARE(NameBox(dialog.get())->text(), tooLong);
}

void FileDialogTest::double_click_chooses_the_file_in_the_shown_folder() {
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    QListWidget* list = FileList(dialog.get());
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {},
        list->visualItemRect(list->findItems("notes.txt", Qt::MatchExactly)[0]).center());
    QCOMPARE(NameBox(dialog.get())->text(), QStringLiteral("notes.txt"));
    QVERIFY(dialog->isVisible());

    DoubleClickFile(dialog.get(), QStringLiteral("game.rec"));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(dialog->Choice().chosen);
    QVERIFY(dialog->Choice().byDoubleClick);
    QCOMPARE(dialog->Choice().path, home_ + QStringLiteral("/game.rec"));
}

void FileDialogTest::double_click_in_the_root_gives_one_slash() {
    QVERIFY(QDir::setCurrent(QStringLiteral("/")));
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    QCOMPARE(PathLabel(dialog.get())->toolTip(), QStringLiteral("/"));
    if (FileList(dialog.get())->count() == 0) QSKIP("the root folder holds no file to choose");
    const QString name = FileList(dialog.get())->item(0)->text();
    DoubleClickFile(dialog.get(), name);
    QVERIFY(dialog->Choice().chosen);
    QCOMPARE(dialog->Choice().path, QLatin1Char('/') + name);
}

void FileDialogTest::ok_on_a_listed_name_acts_as_a_double_click() {
    const auto bare = Show(OpenSaveMode::Save, QStringLiteral("last.rec"));
    TypeAndPressOk(bare.get(), QStringLiteral("game.rec"));
    QVERIFY(!bare->isVisible());
    QVERIFY(bare->Choice().byDoubleClick);
    QCOMPARE(bare->Choice().path, home_ + QStringLiteral("/game.rec"));

    const auto withFolder = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    TypeAndPressOk(withFolder.get(), QStringLiteral("sub/inner.rec"));
    QVERIFY(!withFolder->isVisible());
    QVERIFY(withFolder->Choice().byDoubleClick);
    QCOMPARE(withFolder->Choice().path, home_ + QStringLiteral("/sub/inner.rec"));
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/sub"));
}

void FileDialogTest::wildcard_pattern_filters_the_list_and_stays_open() {
    const auto dialog = Show(OpenSaveMode::Save, QStringLiteral("last.rec"));
    TypeAndPressOk(dialog.get(), QStringLiteral("*.rec"));
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Choice().chosen);
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"game.rec"}));
    QCOMPARE(NameBox(dialog.get())->text(), QStringLiteral("*.rec"));

    TypeAndPressOk(dialog.get(), QStringLiteral("*.txt;R?ADME"));
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"notes.txt", "README"}));

    TypeAndPressOk(dialog.get(), QStringLiteral("sub/*.rec"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/sub"));
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"inner.rec"}));
    QCOMPARE(NameBox(dialog.get())->text(), QStringLiteral("sub/*.rec"));
}

void FileDialogTest::typed_folder_opens_it_and_the_box_shows_the_pattern() {
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"));
    TypeAndPressOk(dialog.get(), QStringLiteral("*.rec"));

    TypeAndPressOk(dialog.get(), QStringLiteral("sub"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/sub"));
    QCOMPARE(PathLabel(dialog.get())->toolTip(), home_ + QStringLiteral("/sub"));
    QCOMPARE(FolderList(dialog.get())->currentItem()->text(0), QStringLiteral("sub"));
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"inner.rec"}));
    QCOMPARE(NameBox(dialog.get())->text(), QStringLiteral("*.rec"));

    TypeAndPressOk(dialog.get(), QStringLiteral(".."));
    QCOMPARE(QDir::currentPath(), home_);
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"game.rec"}));

    TypeAndPressOk(dialog.get(), home_ + QStringLiteral("/zoo/"));
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/zoo"));
    QCOMPARE(FileList(dialog.get())->count(), 0);
    QVERIFY(!dialog->Choice().chosen);
}

void FileDialogTest::folder_list_moves_the_file_list_and_the_current_folder() {
    const auto dialog = Show(OpenSaveMode::Save, QStringLiteral("keep.rec"));
    DoubleClickFolder(dialog.get(), QStringLiteral("sub"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/sub"));
    QCOMPARE(PathLabel(dialog.get())->toolTip(), home_ + QStringLiteral("/sub"));
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"inner.rec"}));
    QCOMPARE(NameBox(dialog.get())->text(), QStringLiteral("keep.rec"));
    QCOMPARE(FolderCaptions(FolderList(dialog.get())).last(), QStringLiteral("sub"));

    // Back up through the ancestor shown above it.
    DoubleClickFolder(dialog.get(), QDir(home_).dirName());
    QCOMPARE(QDir::currentPath(), home_);
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"game.rec", "notes.txt", "README"}));
}

void FileDialogTest::enter_in_the_folder_list_opens_the_folder_only() {
    const auto dialog = Show(OpenSaveMode::Save, QStringLiteral("keep.rec"));
    QTreeWidget* tree = FolderList(dialog.get());
    tree->setFocus();
    tree->setCurrentItem(tree->findItems("zoo", Qt::MatchExactly | Qt::MatchRecursive)[0]);
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/zoo"));
    QVERIFY2(dialog->isVisible() && !dialog->Choice().chosen, "Enter also pressed OK");
}

void FileDialogTest::drive_list_moves_to_the_volume_root() {
    // The temporary folder stands in for a second volume.
    const QList<Volume> volumes{{QStringLiteral("/"), QString()}, {home_, QStringLiteral("game")}};
    QVERIFY(QDir::setCurrent(home_ + QStringLiteral("/sub")));
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"), volumes);
    QComboBox* drives = DriveList(dialog.get());
    QCOMPARE(drives->count(), 2);
    QCOMPARE(drives->currentIndex(), 1);
    QCOMPARE(drives->currentText(), home_ + QStringLiteral(" [game]"));

    drives->setCurrentIndex(0);
    QCOMPARE(QDir::currentPath(), QStringLiteral("/"));
    QCOMPARE(PathLabel(dialog.get())->toolTip(), QStringLiteral("/"));
    QCOMPARE(FolderList(dialog.get())->currentItem()->text(0), QStringLiteral("/"));

    drives->setCurrentIndex(1);
    QCOMPARE(QDir::currentPath(), home_);
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"game.rec", "notes.txt", "README"}));
    QVERIFY(dialog->isVisible());
}

void FileDialogTest::cancel_escape_and_frame_close_choose_nothing() {
    const std::function<void(frmOpenSave*)> ways[] = {
        [](frmOpenSave* d) { QTest::mouseClick(CancelButton(d), Qt::LeftButton); },
        [](frmOpenSave* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](frmOpenSave* d) { d->close(); },
    };
    for (const auto& leave : ways) {
        const auto dialog = Show(OpenSaveMode::Save, QStringLiteral("game.rec"));
        leave(dialog.get());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(!dialog->Choice().chosen);
        QVERIFY(dialog->Choice().path.isEmpty());
    }
    QVERIFY(!QCoreApplication::closingDown());
}

void FileDialogTest::current_folder_is_kept_between_openings() {
    QString secondFolder;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<frmOpenSave*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        DoubleClickFolder(dialog, QStringLiteral("sub"));
        QTest::mouseClick(CancelButton(dialog), Qt::LeftButton);
    });
    const FileChoice first = frmOpenSave::ChooseGameFile(nullptr, OpenSaveMode::Open, "*.*");
    QVERIFY(!first.chosen);
    QCOMPARE(QDir::currentPath(), home_ + QStringLiteral("/sub"));

    QTimer::singleShot(0, [&secondFolder] {
        auto* dialog = qobject_cast<frmOpenSave*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        secondFolder = PathLabel(dialog)->toolTip();
        DoubleClickFile(dialog, QStringLiteral("inner.rec"));
    });
    const FileChoice second = frmOpenSave::ChooseGameFile(nullptr, OpenSaveMode::Save, "x.rec");
    QCOMPARE(secondFolder, home_ + QStringLiteral("/sub"));
    QVERIFY(second.chosen && second.byDoubleClick);
    QCOMPARE(second.path, home_ + QStringLiteral("/sub/inner.rec"));
}

// The folder and the pattern of the last choice come back as the next opening's start.
void FileDialogTest::starts_in_the_given_folder_and_reports_where_the_file_was_chosen() {
    const QString sub = home_ + QStringLiteral("/sub");
    const auto open = Show(OpenSaveMode::Open, QStringLiteral("*.rec"), orbel::MountedVolumes(),
                           {sub, QStringLiteral("*.rec")});
    QCOMPARE(QDir::currentPath(), sub);
    QCOMPARE(PathLabel(open.get())->toolTip(), sub);
    QCOMPARE(FolderList(open.get())->currentItem()->text(0), QStringLiteral("sub"));
    QCOMPARE(Listed(FileList(open.get())), QStringList({"inner.rec"}));
    DoubleClickFolder(open.get(), QDir(home_).dirName());
    QCOMPARE(Listed(FileList(open.get())), QStringList({"game.rec"}));
    DoubleClickFile(open.get(), QStringLiteral("game.rec"));
    QVERIFY(open->Choice().chosen);
    QCOMPARE(open->Choice().listing.folder, home_);
    QCOMPARE(open->Choice().listing.pattern, QStringLiteral("*.rec"));

    // No pattern given: the designed one. A new name typed after a pattern reports both.
    const auto save =
        Show(OpenSaveMode::Save, QStringLiteral("x.rec"), orbel::MountedVolumes(), {home_, {}});
    QCOMPARE(Listed(FileList(save.get())), QStringList({"game.rec", "notes.txt", "README"}));
    TypeAndPressOk(save.get(), QStringLiteral("sub/*.txt"));
    TypeAndPressOk(save.get(), QStringLiteral("new.rec"));
    QVERIFY(save->Choice().chosen);
    QCOMPARE(save->Choice().path, QStringLiteral("new.rec"));
    QCOMPARE(save->Choice().listing.folder, sub);
    QCOMPARE(save->Choice().listing.pattern, QStringLiteral("*.txt"));
}

void FileDialogTest::a_start_folder_that_is_gone_leaves_the_current_one_quietly() {
    MessageBoxWatcher watcher;
    const auto dialog = Show(OpenSaveMode::Open, QStringLiteral("*.*"), orbel::MountedVolumes(),
                             {home_ + QStringLiteral("/gone"), QStringLiteral("*.txt")});
    QCOMPARE(QDir::currentPath(), home_);
    QCOMPARE(PathLabel(dialog.get())->toolTip(), home_);
    QCOMPARE(Listed(FileList(dialog.get())), QStringList({"notes.txt"}));
    QCoreApplication::processEvents();
    QVERIFY(watcher.seen.isEmpty());
}

void FileDialogTest::volumes_start_with_the_root_and_hold_by_whole_folders() {
    const QList<Volume> mounted = orbel::MountedVolumes();
    QVERIFY(!mounted.isEmpty());
    QCOMPARE(mounted.first().root, QStringLiteral("/"));
    for (const Volume& volume : mounted) QVERIFY(QFileInfo(volume.root).isDir());

    const QList<Volume> nested{{"/", {}}, {"/media/a", {}}, {"/media/a/b", {}}};
    QCOMPARE(orbel::VolumeHolding(nested, "/media/a/b/c"), 2);
    QCOMPARE(orbel::VolumeHolding(nested, "/media/a/b"), 2);
    QCOMPARE(orbel::VolumeHolding(nested, "/media/a/bc"), 1);
    QCOMPARE(orbel::VolumeHolding(nested, "/media/ab"), 0);
    QCOMPARE(orbel::VolumeHolding(nested, "/"), 0);
}

QTEST_MAIN(FileDialogTest)
#include "file_dialog-test.moc"
