#include "dialogs/file_dialog_lists.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyle>

#include "dialogs/file_dialog_names.h"

namespace orbel {

namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setIndentation(fontMetrics().averageCharWidth() * 3 / 2);
}

void FolderList::SetPath(const QString& path) {
    clear();
    path_ = path;
    QTreeWidgetItem* shown = AddFolder(nullptr, QStringLiteral("/"), QStringLiteral("/"), true);
    QString walked;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += QLatin1Char('/') + part;
        shown = AddFolder(shown, part, walked, true);
    }
    const QStringList subfolders =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& sub : subfolders) {
        AddFolder(shown, sub, JoinFolderAndName(path, sub), false);
    }
    expandAll();
    setCurrentItem(shown);
    scrollToItem(shown, QAbstractItemView::PositionAtCenter);
}

QString FolderList::FolderOf(const QTreeWidgetItem* item) {
    return item->data(0, Qt::UserRole).toString();
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (!IsEnter(event)) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    if (currentItem() != nullptr) emit itemActivated(currentItem(), 0);
    event->accept();
}

QTreeWidgetItem* FolderList::AddFolder(QTreeWidgetItem* parent, const QString& caption,
                                       const QString& path, bool open) {
    auto* item = parent == nullptr ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parent);
    item->setText(0, caption);
    item->setData(0, Qt::UserRole, path);
    item->setIcon(0,
                  style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
    return item;
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileList::SetFolder(const QString& folder) {
    folder_ = folder;
    Refill();
}

void FileList::SetPattern(const QString& pattern) {
    pattern_ = pattern;
    Refill();
}

QStringList FileList::NamesIn(const QString& folder, const QString& pattern) {
    return QDir(folder).entryList(NameFilters(pattern), QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void FileList::keyPressEvent(QKeyEvent* event) {
    if (!IsEnter(event)) {
        QListWidget::keyPressEvent(event);
        return;
    }
    if (currentItem() != nullptr) emit itemActivated(currentItem());
    event->accept();
}

void FileList::Refill() {
    names_ = NamesIn(folder_, pattern_);
    clear();
    addItems(names_);
}

}  // namespace orbel
