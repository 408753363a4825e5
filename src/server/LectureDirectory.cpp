#include "server/LectureDirectory.h"

#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureFacts.h"
#include "server/LectureListing.h"
#include "server/ModuleFtp.h"

#include <limits>

namespace {
const QString kHome = QStringLiteral("~/lumora");

// "classes/<class>/" and "<month>.<day>.<year>." of the lecture.
QString classDirOf(const LectureRecord& r) {
    return QStringLiteral("classes/") + r.className + QLatin1Char('/');
}
QString datePartOf(const LectureRecord& r) {
    return r.month + QLatin1Char('.') + r.day + QLatin1Char('.') + r.year + QLatin1Char('.');
}

void run(ModuleFtp& m, const FtpOperation& op) {
    m.ftpExecute(op);
}

// Whether the lecture exists, as the server says it: listed in its class. A lecture that is
// listed but cannot be entered, and a class that cannot be listed, are failures: neither may be
// taken for a lecture that is not there, which the upload would then overwrite.
bool lectureExists(ModuleFtp& m, const QString& classDir, const QString& name) {
    if (!listNames(m, classDir, name).contains(name))
        return false;
    const FtpOperation op = FtpOperation::cd(kHome + QLatin1Char('/') + classDir + name);
    run(m, op);
    if (m.inet.ResponseCode() == TransferControl::NoError)
        return true;
    QString why = m.inet.ResponseInfo().trimmed();
    if (why.isEmpty())
        why = QStringLiteral("no answer");
    throw ServerFailure(
        QStringLiteral("The lecture ~/lumora/%1%2 is on the server but cannot be opened "
                       "(%3); nothing was changed")
            .arg(classDir, name, why),
        m.inet.ResponseCode());
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

// Moves the session field on to the first number whose lecture is not in the class listing.
void takeNextFreeSession(ModuleFtp& m, const QString& classDir, const QString& datePart) {
    const QStringList taken = listNames(m, classDir, datePart + QLatin1Char('*'));
    for (;;) {
        const int16_t current = numberText::leadingInt16(m.lecture.session);
        if (current == std::numeric_limits<int16_t>::max() ||
            !numberText::fitsInt16(m.lecture.session))
            throw ServerFailure(QStringLiteral("No free session number up to %1 for this date")
                                    .arg(std::numeric_limits<int16_t>::max()));
        m.lecture.session = numberText::plain(current + 1);
        if (!taken.contains(datePart + m.lecture.session))
            return;
    }
}

} // namespace

QString lectureDirOf(const LectureRecord& r) {
    return classDirOf(r) + datePartOf(r) + r.session;
}

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
    m.lectureDir = classDirOf(m.lecture);
    const QString datePart = datePartOf(m.lecture);

    if (lectureExists(m, m.lectureDir, datePart + m.lecture.session)) {
        const ExistingAnswer answer =
            askAboutExistingLecture(m, m.lectureDir + datePart + m.lecture.session);
        switch (answer.choice) {
        case LectureExistsChoice::NextSession:
            takeNextFreeSession(m, m.lectureDir, datePart);
            break;
        case LectureExistsChoice::AppendSlides:
            // Counted from the listing the question was asked with.
            m.slideOffset = answer.contents.slideOffset();
            appendSlides = true;
            break;
        case LectureExistsChoice::AbortProgram:
            throw StoppedByUser();
        case LectureExistsChoice::ChangeLectureDate:
            // "Change the lecture date", and the dialog closed with nothing chosen: the existing
            // lecture stays untouched and the wizard stays on its page.
            run(m, FtpOperation::cd(kHome));
            return false;
        }
    }

    m.lectureDir = lectureDirOf(m.lecture) + QLatin1Char('/');
    run(m, FtpOperation::cd(kHome));
    return true;
}

bool ftpMakeLectureDir(ModuleFtp& m) {
    run(m, FtpOperation::mkdir(kHome + QLatin1Char('/') + m.lectureDir));
    return m.inet.ResponseCode() == TransferControl::NoError;
}

void ftpTakeNextFreeSession(ModuleFtp& m) {
    const QString classDir = classDirOf(m.lecture);
    const QString datePart = datePartOf(m.lecture);
    takeNextFreeSession(m, classDir, datePart);
    m.lectureDir = lectureDirOf(m.lecture) + QLatin1Char('/');
}
