#include "pipeline/Description.h"

#include <QFile>
#include <QLocale>

#include "lecture/LectureRecord.h"
#include "lecture/OneLine.h"
#include "platform/AnsiText.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"

QString descriptionDateLine(const QDateTime& when) {
    // The C locale gives the English names whatever the user's locale is.
    const QLocale c = QLocale::c();
    return c.toString(when, QStringLiteral("ddd MMM d hh:mm:ss")) + QStringLiteral(" EDT ") +
           c.toString(when, QStringLiteral("yyyy"));
}

void writeDescription(const LectureRecord& fields, const QDateTime& now) {
    const QString dir = fields.workDir;
    if (dir.isEmpty())
        throw Failure(QStringLiteral("No working directory is given"));
    const QString path = fileSystem::joinPath(dir, QStringLiteral("description"));

    QByteArray bytes;
    // Three lines, whatever the title or the ID holds.
    bytes += ansiText::encode(oneLine(fields.title)) + '\n';
    bytes += ansiText::encode(oneLine(fields.lumoraId)) + '\n';
    bytes += ansiText::encode(descriptionDateLine(now)) + "\r\n";

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Failure(QStringLiteral("Cannot write the description file %1: %2")
                          .arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw Failure(QStringLiteral("Cannot write the description file %1: %2")
                          .arg(path, file.errorString()));
}
