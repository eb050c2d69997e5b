#include "dialogs/file_dialog_names.h"

#include <QFile>
#include <filesystem>
#include <system_error>

namespace orbel {

bool HasWildcards(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

QStringList NameFilters(const QString& pattern) {
    QStringList filters;
    for (const QString& part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        filters.append(part);
        if (part.endsWith(QLatin1String(".*"))) filters.append(part.chopped(2));
    }
    return filters;
}

QString JoinFolderAndName(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

NameLookup LookUpNormalFile(const QString& name) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status =
        fs::status(fs::path(QFile::encodeName(name).toStdString()), error);
    // A missing file comes back as not_found; only a lookup that failed leaves the type unset.
    if (status.type() == fs::file_type::none) {
        return {NameLookup::Result::Failed, QString::fromLocal8Bit(error.message())};
    }
    if (status.type() == fs::file_type::regular) return {NameLookup::Result::NormalFile, {}};
    return {NameLookup::Result::NoNormalFile, {}};
}

}  // namespace orbel
