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

} // namespace fileSystem
