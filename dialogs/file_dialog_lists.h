// The folder list and the file list of the file dialog, after the classic list boxes.
#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

namespace orbel {

// The folders from the root down to the shown folder, then the shown folder's subfolders.
// Activating an item (double-click or Enter) asks to open that folder.
class FolderList : public QTreeWidget {
  public:
    explicit FolderList(QWidget* parent = nullptr);

    void SetPath(const QString& path);
    const QString& Path() const { return path_; }
    static QString FolderOf(const QTreeWidgetItem* item);

  protected:
    // Enter opens the current folder instead of reaching the dialog's default button.
    void keyPressEvent(QKeyEvent* event) override;
    // Every shown folder is open, so there is nothing to expand or collapse.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

  private:
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const QString& caption, const QString& path,
                               bool open);

    QString path_;
};

// The files of one folder that match a pattern; hidden files are left out.
class FileList : public QListWidget {
  public:
    explicit FileList(QWidget* parent = nullptr);

    void SetFolder(const QString& folder);
    void SetPattern(const QString& pattern);
    const QString& Folder() const { return folder_; }
    const QString& Pattern() const { return pattern_; }
    bool Lists(const QString& name) const { return names_.contains(name); }

    static QStringList NamesIn(const QString& folder, const QString& pattern);

  protected:
    // Enter chooses the current file, as a double-click does.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Refill();

    QString folder_;
    QString pattern_ = QStringLiteral("*.*");
    QStringList names_;
};

}  // namespace orbel
