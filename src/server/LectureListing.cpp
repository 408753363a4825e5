#include "server/LectureListing.h"

#include "platform/Failure.h"
#include "platform/ftp/FtpOperation.h"
#include "server/ModuleFtp.h"

#include <limits>

QStringList listNames(ModuleFtp& m, const QString& dir, const QString& pattern) {
    QString path = QStringLiteral("~/lumora/") + dir;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    m.ftpExecute(FtpOperation::ls(path + pattern));
    if (m.inet.ResponseCode() != 0) {
        QString why = m.inet.ResponseInfo().trimmed();
        if (why.isEmpty())
            why = QStringLiteral("no answer");
        throw ServerFailure(
            QStringLiteral("Cannot list the server directory ~/lumora/%1 (%2); nothing was changed")
                .arg(dir, why),
            m.inet.ResponseCode());
    }
    QString text;
    for (QString chunk = m.inet.GetChunk(1024); !chunk.isEmpty(); chunk = m.inet.GetChunk(1024))
        text += chunk;
    QStringList names = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (QString& name : names)
        if (name.endsWith(QLatin1Char('/')))
            name.chop(1);
    return names;
}

int slideNumberOf(const QString& name, const QString& ext) {
    static const QLatin1StringView prefix("Slide");
    const QString suffix = QLatin1Char('.') + ext;
    if (!name.startsWith(prefix) || !name.endsWith(suffix))
        return 0;
    const QStringView digits =
        QStringView(name).mid(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.isEmpty() || digits.size() > 9 || digits.front() == QLatin1Char('0'))
        return 0;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    return digits.toInt();
}

int16_t LectureContents::slideOffset() const {
    constexpr int limit = std::numeric_limits<int16_t>::max();
    if (highestSlide >= limit)
        throw ServerFailure(
            QStringLiteral("The lecture already holds slides up to number %1; no more "
                           "can follow (the last slide number is %2); nothing was "
                           "changed")
                .arg(highestSlide)
                .arg(limit));
    return static_cast<int16_t>(highestSlide);
}

LectureContents readLectureContents(ModuleFtp& m, const QString& lecturePath, const QString& ext) {
    LectureContents contents;
    contents.names = listNames(m, lecturePath, QString());
    for (const QString& name : std::as_const(contents.names)) {
        if (name == QLatin1String("description"))
            contents.hasDescription = true;
        if (const int n = slideNumberOf(name, ext)) {
            ++contents.slides;
            contents.highestSlide = std::max(contents.highestSlide, n);
        }
    }
    contents.partialFiles = listNames(m, lecturePath, QStringLiteral(".*.part"));
    return contents;
}
