#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Paths the tests share (the read-only test data and the project's tools), and whole files.
namespace testEnv {
inline QString presentationsDir() {
    return QStringLiteral(SF_TESTDATA_DIR "/presentations");
}
inline QString toolsDir() {
    return QStringLiteral(SF_TOOLS_DIR);
}

// The file's bytes; "<missing>" when it cannot be read (so that it differs from an empty file).
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
// Writes the file whole, creating its folder first.
inline bool writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}
} // namespace testEnv
