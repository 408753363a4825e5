#include "pipeline/TextMerge.h"

#include <QFile>

#include "platform/Failure.h"
#include "platform/FileSystem.h"

namespace textMerge {

bool hasClosingLine(const QByteArray& existing, const QByteArray& closingTag) {
    qsizetype lineStart = 0;
    while (lineStart < existing.size()) {
        if (existing.mid(lineStart, closingTag.size()) == closingTag)
            return true;
        const qsizetype end = existing.indexOf('\n', lineStart);
        if (end < 0)
            return false;
        lineStart = end + 1;
    }
    return false;
}

QByteArray keptPart(const QByteArray& existing, const QByteArray& closingTag) {
    static const QByteArray crlf("\r\n");
    // Lines end with LF: CR LF as this program writes them, or a bare LF when the file was
    // edited on the server, whose closing tag must be found all the same.
    qsizetype lineStart = 0;
    while (lineStart < existing.size()) {
        if (existing.mid(lineStart, closingTag.size()) == closingTag)
            return existing.left(lineStart);
        const qsizetype end = existing.indexOf('\n', lineStart);
        if (end < 0)
            break;
        lineStart = end + 1;
    }
    // No closing tag: every line stays, and the last one is ended so that what follows starts
    // on a new line.
    if (existing.isEmpty() || existing.endsWith('\n'))
        return existing;
    return existing + crlf;
}

namespace {

// Removes a file of the working directory that must not be there; throws when it stays.
void removeOrFail(const QString& path) {
    if (!fileSystem::exists(path))
        return;
    fileSystem::removeFile(path);
    if (fileSystem::exists(path))
        throw Failure(QStringLiteral("Cannot delete the working file %1").arg(path));
}

QByteArray readAll(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(
            QStringLiteral("Cannot read the fetched file %1: %2").arg(path, in.errorString()));
    QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw Failure(
            QStringLiteral("Cannot read the fetched file %1: %2").arg(path, in.errorString()));
    return bytes;
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Failure(
            QStringLiteral("Cannot write the working file %1: %2").arg(path, out.errorString()));
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        const QString why = out.errorString();
        out.close();
        QFile::remove(path);
        throw Failure(QStringLiteral("Cannot write the working file %1: %2").arg(path, why));
    }
}

} // namespace

bool mergeFile(const QString& dir, const QString& fileName, const QString& tempName,
               const QByteArray& closingTag, const FetchFn& fetch) {
    const QString path = fileSystem::joinPath(dir, fileName);
    const QString tempPath = fileSystem::joinPath(dir, tempName);

    if (!fetch)
        throw Failure(QStringLiteral("No way to fetch the server's %1").arg(fileName));
    // A file left from an earlier transfer must not be taken for the server's copy.
    removeOrFail(path);
    if (!fetch()) {
        removeOrFail(path);
        return false;
    }
    if (!fileSystem::isFile(path))
        throw Failure(QStringLiteral("The fetched file %1 is missing").arg(path));

    // The temporary copy of an earlier merge that did not finish would block the rename.
    removeOrFail(tempPath);
    if (!fileSystem::renameFile(path, tempPath))
        throw Failure(QStringLiteral("Cannot rename %1 to %2").arg(path, tempPath));

    const QByteArray existing = readAll(tempPath);
    // The server's file ends with its closing tag; one without it was cut short on its way (a
    // server that does not tell a file's size cannot be checked otherwise), or is damaged
    // beyond what an append may build on. Either way the lecture's old text would be lost.
    if (!existing.isEmpty() && !hasClosingLine(existing, closingTag)) {
        fileSystem::removeFile(tempPath);
        throw Failure(QStringLiteral("The %1 of the lecture on the server could not be read "
                                     "whole; nothing was changed (it has no %2 line)")
                          .arg(fileName.endsWith(QLatin1String(".ntml"))
                                   ? QStringLiteral("notes text")
                                   : QStringLiteral("slide text"),
                               QString::fromLatin1(closingTag)));
    }
    const QByteArray kept = keptPart(existing, closingTag);
    if (kept.isEmpty()) {
        // Nothing precedes the closing tag, not even the opening tag: the file is written new.
        fileSystem::removeFile(tempPath);
        return false;
    }
    writeAll(path, kept);
    fileSystem::removeFile(tempPath);
    return true;
}

} // namespace textMerge
