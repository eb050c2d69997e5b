#include "dialogs/file_dialog_volumes.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace orbel {

namespace {

bool Holds(const QString& root, const QString& path) {
    if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

QList<Volume> MountedVolumes() {
    QList<Volume> volumes{{QStringLiteral("/"), QStorageInfo::root().name()}};
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        // Files bind-mounted into containers are mount points too, but cannot be opened
        // as folders.
        if (!storage.isValid() || !storage.isReady() || storage.isRoot()) continue;
        if (!QFileInfo(storage.rootPath()).isDir()) continue;
        volumes.append({storage.rootPath(), storage.name()});
    }
    std::sort(volumes.begin() + 1, volumes.end(),
              [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return volumes;
}

int VolumeHolding(const QList<Volume>& volumes, const QString& path) {
    int best = -1;
    for (int i = 0; i < volumes.size(); ++i) {
        if (!Holds(volumes[i].root, path)) continue;
        if (best < 0 || volumes[i].root.size() > volumes[best].root.size()) best = i;
    }
    return best;
}

QString VolumeCaption(const Volume& volume) {
    if (volume.name.isEmpty()) return volume.root;
    return QStringLiteral("%1 [%2]").arg(volume.root, volume.name);
}

}  // namespace orbel
