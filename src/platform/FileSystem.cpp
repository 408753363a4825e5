#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fileSystem {

QString joinPath(const QString& dir, const QString& name) {
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

bool exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() || (info.exists() && !info.isDir());
}

bool removeFile(const QString& path) {
    if (!isFile(path))
        return false;
    return QFile::remove(path);
}

bool renameFile(const QString& from, const QString& to) {
    if (!isFile(from) || exists(to))
        return false;
    return QFile::rename(from, to);
}

namespace {
bool matchFrom(const QString& pattern, qsizetype p, const QString& name, qsizetype n) {
    // Iterative match with one backtracking point per star, linear in practice.
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') ||
                                          pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}
} // namespace

bool wildcardMatch(const QString& pattern, const QString& name) {
    return matchFrom(pattern, 0, name, 0);
}

int removeFilesIf(const QString& dir, const std::function<bool(const QString& name)>& accept) {
    if (dir.isEmpty())
        return 0;
    const QDir d(dir);
    if (!d.exists())
        return 0;
    int removed = 0;
    // Files (and links, which QFile::remove deletes themselves), hidden ones included; no
    // directories.
    const QFileInfoList entries =
        d.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            continue;
        if (!accept(entry.fileName()))
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

int removeMatching(const QString& dir, const QString& pattern) {
    return removeFilesIf(dir, [&](const QString& name) { return wildcardMatch(pattern, name); });
}

} // namespace fileSystem
