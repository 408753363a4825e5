#include "BenchLecture.h"

#include "support/LumoraServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>

QString lectureName(int session) {
    return QStringLiteral("Sep.14.2026.%1").arg(session);
}

LectureRecord lectureFields(const LumoraServer& server, const QString& workDir,
                            const QString& session) {
    LectureRecord f;
    f.host = server.host();
    f.corvaneId = server.user();
    f.corvanePassword = server.password();
    f.lumoraId = QStringLiteral("alice");
    f.title = QStringLiteral("Bench lecture");
    f.className = className;
    f.month = QStringLiteral("Sep");
    f.day = QStringLiteral("14");
    f.year = QStringLiteral("2026");
    f.session = session;
    f.workDir = workDir;
    f.imageFormat = QStringLiteral("GIF");
    f.width = width;
    f.height = height;
    return f;
}

QString checkLecture(const LumoraServer& server, const QString& lecture, const QString& ext,
                     int slides, bool blank) {
    const QString dir = server.lumoraDir() + "/classes/" + className + "/" + lecture + "/";
    QStringList images;
    for (int i = 1; i <= slides; ++i)
        images << QStringLiteral("Slide%1.%2").arg(i).arg(ext);
    if (blank)
        images << "blank." + ext;
    for (const QString& name : images) {
        const QSize size = QImageReader(dir + name).size();
        if (size != QSize(width, height))
            return QStringLiteral("%1: %2x%3").arg(name).arg(size.width()).arg(size.height());
    }
    const int expected = int(images.size()) + 2;
    const int found = int(QDir(dir).entryList(QDir::Files).size());
    if (found != expected)
        return QStringLiteral("%1 files instead of %2").arg(found).arg(expected);
    if (!QFileInfo(dir + "description").isFile())
        return QStringLiteral("no description");
    QFile stml(dir + "extract.stml");
    if (!stml.open(QIODevice::ReadOnly))
        return QStringLiteral("no extract.stml");
    const QByteArray text = stml.readAll();
    const int elements = int(text.count("<slide>\r\n"));
    if (elements != slides || !text.startsWith("<stml>\r\n") || !text.endsWith("</stml>\r\n"))
        return QStringLiteral("extract.stml: %1 slide elements instead of %2")
            .arg(elements)
            .arg(slides);
    return QString();
}
