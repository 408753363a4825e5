#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

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

// Converts a presentation to another format ("ppt", "odp", ...) with a separate office run (its
// own profile, so it never meets an office under test). Returns the new file's path, "" on
// failure.
inline QString convertWithOffice(const QString& source, const QString& outDir,
                                 const QString& format) {
    QTemporaryDir profile;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start("soffice", {"-env:UserInstallation=file://" + profile.path(), "--headless",
                              "--norestore", "--convert-to", format, "--outdir", outDir, source});
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const QString result =
        outDir + QLatin1Char('/') + QFileInfo(source).completeBaseName() + '.' + format;
    return QFileInfo::exists(result) ? result : QString();
}

// A copy of a zipped presentation (.odp, .pptx) cut off after three quarters of its bytes, as an
// interrupted download leaves it: the office can open it only by repairing it.
inline bool writeCutCopy(const QString& source, const QString& target) {
    const QByteArray bytes = readFile(source);
    return bytes != "<missing>" && writeFile(target, bytes.left(bytes.size() * 3 / 4));
}
} // namespace testEnv
