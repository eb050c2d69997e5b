// The mounted volumes the file dialog's drive list offers in place of drive letters.
#pragma once

#include <QList>
#include <QString>

namespace orbel {

struct Volume {
    QString root;  // the mount point
    QString name;  // the volume's label, often empty
};

// Mounted, ready volumes whose mount point is a folder, the root file system first.
QList<Volume> MountedVolumes();

// Index of the volume whose mount point holds `path` most closely; -1 when none does.
int VolumeHolding(const QList<Volume>& volumes, const QString& path);

// How a volume reads in the drive list: its mount point, then its label in brackets.
QString VolumeCaption(const Volume& volume);

}  // namespace orbel
