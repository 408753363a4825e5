#include "server/LectureUpload.h"

#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureDirectory.h"
#include "server/ModuleFtp.h"

#include <QFile>
#include <limits>

namespace {

void add(ModuleFtp& m, const QString& line) {
    if (m.progress)
        m.progress->Add(line);
}

QString localPath(ModuleFtp& m, const QString& name) {
    return m.lecture.workDir + QLatin1Char('/') + name;
}

QString remotePath(ModuleFtp& m, const QString& name) {
    return QStringLiteral("~/lumora/") + m.lectureDir + name;
}

// The transfer component's own description of the failed operation (it names the operation),
// or `fallback` when it gives none.
QString reason(ModuleFtp& m, const QString& fallback) {
    const QString info = m.inet.ResponseInfo().trimmed();
    return info.isEmpty() ? fallback : info;
}

void stopIfCancelled(ModuleFtp& m) {
    if (m.progress && m.progress->cancelRequested())
        throw StoppedByUser();
}

// One upload; a transfer that ends in error is a failure of the whole upload.
void put(ModuleFtp& m, const QString& localName, const QString& remoteName) {
    const QString remote = remotePath(m, remoteName);
    m.ftpExecute(FtpOperation::put(localPath(m, localName), remote));
    const int code = m.inet.ResponseCode();
    if (code != 0)
        throw Failure(reason(m, QStringLiteral("Cannot send %1 to %2").arg(localName, remote)),
                      code);
}

// Fetches the lecture's file `name` into the working directory. True when fetched, false when
// the server holds no such file. Other failures throw.
bool fetchText(ModuleFtp& m, const QString& name, const QString& progressLine) {
    {
        stopIfCancelled(m);
        ftpMakeLectureDir(m);
        add(m, QString());
        add(m, progressLine);

        const QString local = localPath(m, name);
        const QString remote = remotePath(m, name);
        m.ftpExecute(FtpOperation::get(remote, local));
        const int code = m.inet.ResponseCode();
        if (code == 0)
            return true;
        const QString why = reason(m, QStringLiteral("Cannot fetch ") + remote);

        if (code == TransferControl::ServerRefused) {
            // Refused: a lecture without this file is normal; anything else (the file is there
            // but cannot be read) is a real failure. The listing of the exact name tells them
            // apart.
            m.ftpExecute(FtpOperation::ls(remote));
            if (m.inet.ResponseCode() == 0) {
                QString listing;
                for (QString chunk = m.inet.GetChunk(1024); !chunk.isEmpty();
                     chunk = m.inet.GetChunk(1024))
                    listing += chunk;
                if (listing.isEmpty()) {
                    // Never leave an older local copy to be taken for the server's file.
                    QFile::remove(local);
                    return false;
                }
            }
        }
        throw Failure(why, code);
    }
}

} // namespace

void ftpUploadLecture(ModuleFtp& m) {
    try {
        // Slide numbers are 16-bit: a range that would number a slide past the largest is
        // refused before anything is sent, rather than failing half-way through the upload.
        const int rangeFirst = numberText::leadingInt16(m.lecture.firstSlide);
        const int rangeLast = numberText::leadingInt16(m.lecture.lastSlide);
        if (rangeLast >= rangeFirst &&
            m.slideOffset + (rangeLast - rangeFirst + 1) > std::numeric_limits<int16_t>::max())
            throw Failure(QStringLiteral("The lecture would hold more than %1 slides")
                              .arg(std::numeric_limits<int16_t>::max()));
        ftpMakeLectureDir(m);
        add(m, QString());
        add(m, QStringLiteral("FTPing slides..."));

        const QString format = m.lecture.imageFormat;
        const QString ext = format.toLower();
        stopIfCancelled(m);
        put(m, QStringLiteral("blank.") + format, QStringLiteral("blank.") + ext);

        const int first = numberText::leadingInt16(m.lecture.firstSlide);
        const int last = numberText::leadingInt16(m.lecture.lastSlide);
        for (int i = first; i <= last; ++i) {
            stopIfCancelled(m);
            add(m, QStringLiteral("FTPing slide ") + numberText::plain(i));
            put(m, QStringLiteral("Slide") + numberText::plain(i) + QLatin1Char('.') + format,
                QStringLiteral("Slide") + numberText::plain(m.slideOffset + i - first + 1) +
                    QLatin1Char('.') + ext);
        }

        // The description and the slide text go together and last: a stop before them leaves
        // an existing lecture's own ones in place.
        stopIfCancelled(m);
        add(m, QStringLiteral("FTPing description"));
        put(m, QStringLiteral("description"), QStringLiteral("description"));
        add(m, QStringLiteral("FTPing STML file"));
        put(m, QStringLiteral("extract.stml"), QStringLiteral("extract.stml"));
    } catch (Failure& failure) {
        // The upload's message names the failure's number too.
        failure.withNumberShown();
        throw;
    }
}

bool ftpFetchSlideText(ModuleFtp& m) {
    return fetchText(m, QStringLiteral("extract.stml"), QStringLiteral("Getting existing stml..."));
}

bool ftpFetchNotesText(ModuleFtp& m) {
    return fetchText(m, QStringLiteral("extract.ntml"), QStringLiteral("Getting existing ntml..."));
}
