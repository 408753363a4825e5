#include "server/LectureOpening.h"

#include "platform/Failure.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureDirectory.h"
#include "server/LectureFacts.h"
#include "server/LectureListing.h"
#include "server/LectureLock.h"
#include "server/ModuleFtp.h"

#include <limits>

namespace {

// "classes/<class>/" and "<lecture>" of "classes/<class>/<lecture>/".
QString classDirOf(const QString& lecturePath) {
    return lecturePath.section(QLatin1Char('/'), 0, 1) + QLatin1Char('/');
}
QString lectureNameOf(const QString& lecturePath) {
    return lecturePath.section(QLatin1Char('/'), 2, 2);
}

void note(ModuleFtp& m, const QString& line) {
    if (m.progress)
        m.progress->Add(line);
}

// The lecture is there: its slides are counted for the format that is sent, and what an
// earlier transfer left unfinished is said and its partial files removed.
void openForAppend(ModuleFtp& m) {
    const QString ext = m.lecture.imageFormat.toLower();
    const LectureContents contents = readLectureContents(m, m.lectureDir, ext);
    m.changes.held = contents.names;
    if (contents.unfinished()) {
        note(m,
             QStringLiteral("The lecture ~/lumora/%1 was left unfinished by an earlier "
                            "transfer (%2 slides%3%4)")
                 .arg(m.lectureDir)
                 .arg(contents.slides)
                 .arg(contents.hasDescription ? QString() : QStringLiteral(", no description"))
                 .arg(contents.partialFiles.isEmpty() ? QString()
                                                      : QStringLiteral(", %1 partial files removed")
                                                            .arg(contents.partialFiles.size())));
        for (const QString& part : contents.partialFiles)
            m.ftpExecute(FtpOperation::remove(QStringLiteral("~/lumora/") + m.lectureDir + part));
    }
    m.slideOffset = contents.slideOffset();
}

// The lecture directory could not be created. True when it exists now (another transfer made
// it); a refusal for any other reason throws.
bool createdMeanwhile(ModuleFtp& m) {
    const int code = m.inet.ResponseCode();
    QString refusal = m.inet.ServerReply().trimmed();
    if (refusal.isEmpty() || code != TransferControl::ServerRefused)
        refusal = m.inet.ResponseInfo().trimmed();
    const QString name = lectureNameOf(m.lectureDir);
    if (listNames(m, classDirOf(m.lectureDir), name).contains(name))
        return true;
    throw ServerFailure(
        QStringLiteral("The server refused to create the lecture directory ~/lumora/%1 "
                       "(%2); nothing was changed")
            .arg(m.lectureDir, refusal),
        code);
}

void openLecture(ModuleFtp& m, bool& appendSlides) {
    m.changes = {};
    for (;;) {
        m.changes.lecturePath = m.lectureDir;
        takeLectureLock(m);
        m.changes.open = true;
        if (appendSlides) {
            openForAppend(m);
            return;
        }
        m.slideOffset = 0;
        if (ftpMakeLectureDir(m)) {
            m.changes.createdDirectory = true;
            return;
        }
        if (!createdMeanwhile(m))
            continue;
        QString lecturePath = m.lectureDir;
        if (lecturePath.endsWith(QLatin1Char('/')))
            lecturePath.chop(1);
        switch (askAboutExistingLecture(m, lecturePath).choice) {
        case LectureExistsChoice::NextSession:
            releaseLectureLock(m);
            ftpTakeNextFreeSession(m);
            continue;
        case LectureExistsChoice::AppendSlides:
            appendSlides = true;
            openForAppend(m);
            return;
        case LectureExistsChoice::AbortProgram:
            throw StoppedByUser();
        case LectureExistsChoice::ChangeLectureDate:
            throw ServerFailure(
                QStringLiteral("The lecture ~/lumora/%1 was created by another transfer "
                               "in the meantime; nothing was changed")
                    .arg(m.lectureDir));
        }
    }
}

} // namespace

void ftpOpenLecture(ModuleFtp& m, bool& appendSlides) {
    try {
        openLecture(m, appendSlides);
    } catch (Failure& failure) {
        // A failure on the way into the lecture is one of the upload's: its number is shown.
        failure.withNumberShown();
        throw;
    }
}

void ftpCloseLecture(ModuleFtp& m) {
    releaseLectureLock(m);
    m.changes.open = false;
}
