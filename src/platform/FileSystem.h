#pragma once

#include <QString>
#include <functional>

// Small local file operations of the working directory. None of them throws; each reports
// whether it did what was asked.
namespace fileSystem {

// dir + "/" + name (no second "/" when dir already ends with one).
QString joinPath(const QString& dir, const QString& name);

// True when something (file or directory) exists at path.
bool exists(const QString& path);

// True when a file (not a directory) exists at path.
bool isFile(const QString& path);

// Deletes the file at path; never deletes a directory. True when the file is gone afterwards
// because it was deleted; false when there was no such file or it could not be deleted.
bool removeFile(const QString& path);

// Renames a file; fails (false) when the source is missing or the target already exists.
bool renameFile(const QString& from, const QString& to);

// Deletes every file directly inside dir whose name the predicate accepts. Subdirectories are
// neither deleted nor entered; a symbolic link is deleted itself, never what it points to.
// Returns the number of files deleted; a missing directory deletes nothing.
int removeFilesIf(const QString& dir, const std::function<bool(const QString& name)>& accept);

} // namespace fileSystem
