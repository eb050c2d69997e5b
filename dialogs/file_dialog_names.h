// File names and patterns as the file dialog reads them.
#pragma once

#include <QString>
#include <QStringList>

namespace orbel {

bool HasWildcards(const QString& name);

// Name filters for a pattern such as "*.rec" or "*.rec;*.txt". As on the classic desktop,
// a pattern ending in ".*" also takes names without a dot, so "*.*" lists every file.
QStringList NameFilters(const QString& pattern);

// The folder, then "/" unless the folder already ends with one (the root), then the name.
QString JoinFolderAndName(const QString& folder, const QString& name);

struct NameLookup {
    enum class Result { NormalFile, NoNormalFile, Failed };
    Result result = Result::NoNormalFile;
    QString error;  // the failure's own text when the lookup failed
};

// Whether `name` (relative to the current folder) is a normal file. A missing file is an
// answer; a name that cannot be looked up at all (too long, no permission) is a failure.
NameLookup LookUpNormalFile(const QString& name);

}  // namespace orbel
