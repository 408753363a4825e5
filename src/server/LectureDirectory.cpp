#include "server/LectureDirectory.h"

#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/ftp/FtpOperation.h"
#include "server/ModuleFtp.h"

#include <limits>

namespace {
const QString kHome = QStringLiteral("~/lumora");

void run(ModuleFtp& m, const FtpOperation& op) {
    m.ftpExecute(op);
}

// A failure of the channel itself (no connection, time-out, ...) as opposed to the server's
// answer. It must not be taken for "no such lecture" or "no more slides": the upload would then
// overwrite the lecture that is there.
[[noreturn]] void channelFailure(ModuleFtp& m, const FtpOperation& op) {
    QString info = m.inet.ResponseInfo().trimmed();
    if (info.isEmpty())
        info = QStringLiteral("No answer from the server to ") + op.text();
    throw Failure(info, m.inet.ResponseCode());
}

// Changes into "~/lumora/" + path; true when the directory exists, false when the server
// refuses. Any other outcome throws Failure.
bool cdExists(ModuleFtp& m, const QString& path) {
    const FtpOperation op = FtpOperation::cd(kHome + QLatin1Char('/') + path);
    run(m, op);
    const int code = m.inet.ResponseCode();
    if (code == TransferControl::NoError)
        return true;
    if (code != TransferControl::ServerRefused)
        channelFailure(m, op);
    return false;
}

// A class or session text becomes one directory name; anything that would name another place
// on the server (or the class directory itself) is refused. Returns the reason, or an empty
// text when the name can be used.
QString badNamePart(const QString& text, const QString& what) {
    if (text.isEmpty())
        return QStringLiteral("No %1 given for the lecture").arg(what);
    if (text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')) ||
        text == QLatin1String(".") || text == QLatin1String(".."))
        return QStringLiteral("The %1 \"%2\" cannot name a server directory").arg(what, text);
    return {};
}

// Moves the session field on to the first number whose lecture directory does not exist.
void takeNextFreeSession(ModuleFtp& m, const QString& classDir, const QString& datePart) {
    for (;;) {
        const int16_t current = numberText::leadingInt16(m.lecture.session);
        if (current == std::numeric_limits<int16_t>::max() ||
            !numberText::fitsInt16(m.lecture.session))
            throw Failure(QStringLiteral("No free session number up to %1 for this date")
                              .arg(std::numeric_limits<int16_t>::max()));
        m.lecture.session = numberText::plain(current + 1);
        if (!cdExists(m, classDir + datePart + m.lecture.session))
            return;
    }
}

// Counts the slides "Slide1.<ext>", "Slide2.<ext>", ... of the existing lecture up to the first
// number that is missing.
void countExistingSlides(ModuleFtp& m, const QString& lecturePath) {
    const QString ext = m.lecture.imageFormat.toLower();
    for (;;) {
        if (m.slideOffset == std::numeric_limits<int16_t>::max())
            throw Failure(QStringLiteral("The lecture already holds %1 slides")
                              .arg(std::numeric_limits<int16_t>::max()));
        ++m.slideOffset;
        const FtpOperation op =
            FtpOperation::ls(kHome + QLatin1Char('/') + lecturePath + QStringLiteral("/Slide") +
                             numberText::plain(m.slideOffset) + QLatin1Char('.') + ext);
        run(m, op);
        const int code = m.inet.ResponseCode();
        if (code != TransferControl::NoError && code != TransferControl::ServerRefused)
            channelFailure(m, op);
        const QString chunk = m.inet.GetChunk(1024);
        if (!chunk.startsWith(QLatin1String("Slide")))
            break;
    }
    --m.slideOffset;
}
} // namespace

bool ftpFindLecture(ModuleFtp& m, bool& appendSlides) {
    m.slideOffset = 0;
    appendSlides = false;

    const QString className = m.lecture.className;
    QString bad = badNamePart(className, QStringLiteral("class"));
    if (bad.isEmpty())
        bad = badNamePart(m.lecture.session, QStringLiteral("session number"));
    if (!bad.isEmpty()) {
        // Bad input for the lecture: the front end says so and lets the user correct it.
        run(m, FtpOperation::cd(kHome));
        throw InputRefused(bad);
    }
    m.lectureDir = QStringLiteral("classes/") + className + QLatin1Char('/');
    const QString datePart = m.lecture.month + QLatin1Char('.') + m.lecture.day + QLatin1Char('.') +
                             m.lecture.year + QLatin1Char('.');

    if (cdExists(m, m.lectureDir + datePart + m.lecture.session)) {
        const int choice = m.askLectureExists ? m.askLectureExists() : -1;
        switch (choice) {
        case NextSession:
            takeNextFreeSession(m, m.lectureDir, datePart);
            break;
        case AppendSlides:
            countExistingSlides(m, m.lectureDir + datePart + m.lecture.session);
            appendSlides = true;
            break;
        case AbortProgram:
            throw StoppedByUser();
        default:
            // "Change the lecture date", and the dialog closed with nothing chosen: the existing
            // lecture stays untouched and the wizard stays on its page.
            run(m, FtpOperation::cd(kHome));
            return false;
        }
    }

    m.lectureDir += datePart + m.lecture.session + QLatin1Char('/');
    run(m, FtpOperation::cd(kHome));
    return true;
}

void ftpMakeLectureDir(ModuleFtp& m) {
    const QString path = kHome + QLatin1Char('/') + m.lectureDir;
    run(m, FtpOperation::mkdir(path));
    if (m.inet.ResponseCode() == TransferControl::ServerRefused)
        run(m, FtpOperation::cd(path));
}
