#include "server/LectureUpload.h"

#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureOpening.h"
#include "server/ModuleFtp.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
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

// The bytes of the upload: counted file by file as each arrives, for the progress's status.
class SentBytes {
public:
    SentBytes(ModuleFtp& m, const QStringList& localNames) : m_(m) {
        for (const QString& name : localNames)
            total_ += QFileInfo(localPath(m, name)).size();
    }
    // The upload is at `slide` (0: a file that is no slide), `localName` is about to go.
    void sending(int slide, const QString& localName) {
        slide_ = slide;
        report();
        next_ = QFileInfo(localPath(m_, localName)).size();
    }
    // The file announced last has arrived.
    void arrived() {
        sent_ += next_;
        next_ = 0;
        report();
    }

private:
    void report() {
        if (m_.progress)
            m_.progress->bytesSent(slide_, sent_, total_);
    }
    ModuleFtp& m_;
    qint64 total_ = 0;
    qint64 sent_ = 0;
    qint64 next_ = 0;
    int slide_ = 0;
};

// The working directory's image of slide `i`, and every file the upload sends.
QString slideFile(const QString& format, int i) {
    return QStringLiteral("Slide") + numberText::plain(i) + QLatin1Char('.') + format;
}
QStringList localFiles(const QString& format, const QList<int>& slides) {
    QStringList files{QStringLiteral("blank.") + format, QStringLiteral("description"),
                      QStringLiteral("extract.stml")};
    for (const int i : slides)
        files << slideFile(format, i);
    return files;
}

void stopIfCancelled(ModuleFtp& m) {
    if (m.progress && m.progress->cancelRequested())
        throw StoppedByUser();
}

// Before a file the lecture holds is sent anew, the server's copy of it is fetched, so that a
// transfer that fails later can put it back.
void keepOriginal(ModuleFtp& m, const QString& name) {
    if (!m.changes.originals)
        m.changes.originals = std::make_shared<QTemporaryDir>();
    const QString copy = m.changes.originals->filePath(name);
    m.ftpExecute(FtpOperation::get(remotePath(m, name), copy));
    if (!m.changes.originals->isValid() || m.inet.ResponseCode() != 0)
        throw ServerFailure(reason(m, QStringLiteral("Cannot keep a copy of %1").arg(name)),
                            m.inet.ResponseCode());
}

// One upload; a transfer that ends in error is a failure of the whole upload. What it adds to
// the lecture, or replaces there, is recorded, so that a transfer that fails later undoes it.
void put(ModuleFtp& m, const QString& localName, const QString& remoteName) {
    const bool replacing = !m.changes.createdDirectory && m.changes.held.contains(remoteName);
    if (replacing)
        keepOriginal(m, remoteName);
    const QString remote = remotePath(m, remoteName);
    m.changes.sending = remoteName;
    // A name the lecture does not hold has nothing to protect: it goes there directly.
    m.ftpExecute(replacing ? FtpOperation::put(localPath(m, localName), remote)
                           : FtpOperation::putNew(localPath(m, localName), remote));
    const int code = m.inet.ResponseCode();
    if (code != 0)
        throw ServerFailure(
            reason(m, QStringLiteral("Cannot send %1 to %2").arg(localName, remote)), code);
    m.changes.sending.clear();
    (replacing ? m.changes.replaced : m.changes.added).append(remoteName);
}

// Fetches the lecture's file `name` into the working directory. True when fetched, false when
// the server holds no such file. Other failures throw.
bool fetchText(ModuleFtp& m, const QString& name, const QString& progressLine) {
    {
        stopIfCancelled(m);
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
        // The lecture's text cannot be had whole: appending now would lose the rest of it.
        throw ServerFailure(QStringLiteral("The %1 of the lecture on the server could not be read "
                                           "whole; nothing was changed (%2)")
                                .arg(name.endsWith(QLatin1String(".ntml"))
                                         ? QStringLiteral("notes text")
                                         : QStringLiteral("slide text"),
                                     why),
                            code);
    }
}

} // namespace

void ftpUploadLecture(ModuleFtp& m) {
    try {
        if (!m.changes.open)
            throw ServerFailure(QStringLiteral("The lecture was not opened for the transfer"));
        // Slide numbers are 16-bit: a range that would number a slide past the largest is
        // refused before anything is sent, rather than failing half-way through the upload.
        const QList<int> slides = m.lecture.slidesSent();
        m.changes.slidesToSend = int(slides.size());
        if (m.slideOffset + m.changes.slidesToSend > std::numeric_limits<int16_t>::max())
            throw ServerFailure(QStringLiteral("The lecture would hold more than %1 slides")
                                    .arg(std::numeric_limits<int16_t>::max()));
        add(m, QString());
        add(m, QStringLiteral("FTPing slides..."));

        const QString format = m.lecture.imageFormat;
        const QString ext = format.toLower();
        const QString blank = QStringLiteral("blank.") + format;
        SentBytes bytes(m, localFiles(format, slides));
        const auto send = [&](int slide, const QString& localName, const QString& remoteName) {
            bytes.sending(slide, localName);
            put(m, localName, remoteName);
            bytes.arrived();
        };
        const auto sendBlank = [&] {
            stopIfCancelled(m);
            send(0, blank, QStringLiteral("blank.") + ext);
        };
        // A new lecture gets its blank image first; an existing one keeps its own until the new
        // slides are all there.
        if (m.changes.createdDirectory)
            sendBlank();
        // The slides left out leave no gap: the k-th slide sent is the lecture's slide
        // slideOffset + k.
        for (qsizetype k = 0; k < slides.size(); ++k) {
            const int i = slides[k];
            stopIfCancelled(m);
            add(m, QStringLiteral("FTPing slide ") + numberText::plain(i));
            send(int(k) + 1, slideFile(format, i),
                 QStringLiteral("Slide") + numberText::plain(m.slideOffset + int(k) + 1) +
                     QLatin1Char('.') + ext);
        }
        if (!m.changes.createdDirectory)
            sendBlank();

        // The description and the slide text go together and last, each replacing the old one
        // in one step: a stop before them leaves an existing lecture's own ones in place (and
        // those replaced before a failure are put back).
        stopIfCancelled(m);
        add(m, QStringLiteral("FTPing description"));
        send(0, QStringLiteral("description"), QStringLiteral("description"));
        m.changes.descriptionSent = true;
        add(m, QStringLiteral("FTPing STML file"));
        send(0, QStringLiteral("extract.stml"), QStringLiteral("extract.stml"));
        ftpCloseLecture(m);
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
