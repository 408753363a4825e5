#include "batch/BatchRun.h"

#include "batch/TerminalProgress.h"
#include "lecture/LectureRecord.h"
#include "pipeline/CodePageCheck.h"
#include "platform/Failure.h"
#include "platform/Terminal.h"
#include "session/LectureSession.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

BatchRun::BatchRun(const BatchOptions& options, std::function<QString()> stopReason)
    : options_(options), stopReason_(std::move(stopReason)), lines_(options.json ? stderr : stdout),
      // A first presentation that fails leaves the next one at the session asked for.
      previousSession_(options.lecture.session.toInt() - 1) {}

int BatchRun::run() {
    QElapsedTimer clock;
    clock.start();
    questions_.password = options_.presentationPassword;
    questions_.allowDoubtful = options_.allowEmpty;
    LectureSession session(questions_);
    session.lecture() = options_.lecture;
    TerminalProgress progress(lines_, [this] {
        const QString reason = stopReason_ ? stopReason_() : QString();
        if (!reason.isEmpty() && stoppedBy_.isEmpty())
            stoppedBy_ = reason;
        return reason;
    });
    session.reportTo(progress);
    // The offices start while the server is asked about the account and the class.
    progress.note(lines_, QStringLiteral("Starting the office..."));
    session.startOfficeInBackground(true);

    progress.note(lines_, QStringLiteral("Connecting to %1...").arg(options_.lecture.host));
    const QString failure = connectAndCheck(session);
    if (!failure.isEmpty())
        progress.note(stderr, QStringLiteral("slide-ferry-batch: ") + failure);
    for (const QString& file : options_.files) {
        // A stop asked for between two lectures is seen before the next one starts.
        stopped_ = stopped_ || progress.cancelRequested();
        if (stopped_ || !failure.isEmpty())
            break;
        lectures_.push_back(send(file, lectures_.empty(), session, progress));
        report(lectures_.back(), progress);
    }
    reportUnsent(failure, progress);
    session.cleanUp();
    summarize(static_cast<double>(clock.elapsed()) / 1000.0, progress);
    for (const Lecture& l : lectures_)
        if (l.outcome != Outcome::Done)
            return 1;
    return 0;
}

void BatchRun::reportUnsent(const QString& failure, TerminalProgress& progress) {
    for (qsizetype i = static_cast<qsizetype>(lectures_.size()); i < options_.files.size(); ++i) {
        Lecture l;
        l.file = options_.files[i];
        l.started = false;
        if (failure.isEmpty()) {
            l.outcome = Outcome::Stopped;
            l.message = stopMessage();
        } else {
            l.message = failure;
        }
        report(l, progress, false);
        lectures_.push_back(l);
    }
}

QString BatchRun::stopMessage() const {
    return QStringLiteral("stopped by ") +
           (stoppedBy_.isEmpty() ? QStringLiteral("the user") : stoppedBy_);
}

void BatchRun::warnIfInClear(const LectureSession& session) {
    if (session.loginInClear() && !warnedInClear_) {
        warnedInClear_ = true;
        std::fputs(qPrintable(QStringLiteral("slide-ferry-batch: warning: ") +
                              LectureSession::loginInClearNote() + QLatin1Char('\n')),
                   stderr);
    }
}

// The wizard's Lumora Info step: the connection, the Lumora account and, from the Lecture Info
// page, the class, which must be one the server lists. "" when all is well; the message when
// not.
QString BatchRun::connectAndCheck(LectureSession& session) {
    const QString host = options_.lecture.host;
    try {
        const CertificateInfo& refused = questions_.refusedCertificate;
        if (!session.connect(QStringLiteral(" (--lumora-id and SLIDE_FERRY_LUMORA_PASSWORD)")))
            return Failure((refused.hostKey
                                ? QStringLiteral("The server's SSH key is not known yet (%1 key, "
                                                 "%2)")
                                      .arg(refused.subject, refused.fingerprint)
                                : QStringLiteral("The server's certificate could not be verified "
                                                 "(%1; SHA-256 %2)")
                                      .arg(refused.reason, refused.fingerprint)))
                .withAdvice(QStringLiteral("Connect once with the slide-ferry wizard and trust it "
                                           "there; the batch command then accepts it."))
                .message(host);
        warnIfInClear(session);
        session.requireListedClass();
    } catch (const Failure& f) {
        warnIfInClear(session);
        if (!f.stopped())
            return f.message(host);
        stopped_ = true;
    }
    return {};
}

BatchRun::Lecture BatchRun::send(const QString& file, bool first, LectureSession& session,
                                 TerminalProgress& progress) {
    QElapsedTimer clock;
    clock.start();
    Lecture result;
    result.file = file;
    LectureRecord& lecture = session.lecture();
    lecture = options_.lecture;
    lecture.firstSlide = options_.firstSlide;
    lecture.lastSlide = options_.lastSlide;
    // Later presentations take the sessions after the one before.
    questions_.ifLectureExists = options_.ifExists;
    if (!first) {
        lecture.session = QString::number(previousSession_ + 1);
        questions_.ifLectureExists = LectureExistsChoice::NextSession;
    }
    progress.startPresentation(QFileInfo(file).fileName());
    progress.note(lines_,
                  QStringLiteral("%1: class %2, %3 %4 %5")
                      .arg(file, lecture.className, lecture.month, lecture.day, lecture.year));
    try {
        const int slides = openAndCheck(file, session, progress);
        if (!session.findLecture())
            throw InputRefused(QStringLiteral("The lecture %1 exists already (--if-exists "
                                              "next-session or append adds to it)")
                                   .arg(session.lectureDirectory()));
        // Appending keeps the lecture's own title (the session set it), as the wizard does,
        // unless the command gave one: that is the user's change.
        if (session.appendsSlides() && options_.titleGiven)
            lecture.title = options_.lecture.title;
        result.directory = session.lectureDirectory();
        session.transfer(progress, ModuleSlideFerry::AfterTransfer::KeepSession);
        result.slides = slides;
        result.outcome = Outcome::Done;
        previousSession_ = lecture.session.toInt();
    } catch (const Failure& f) {
        session.endLecture();
        if (f.stopped()) {
            result.outcome = Outcome::Stopped;
            result.message = stopMessage();
            stopped_ = true;
        } else {
            result.message = f.message(lecture.host);
        }
    } catch (const std::exception& e) {
        session.endLecture();
        result.message = Failure(QString::fromLocal8Bit(e.what())).message(lecture.host);
    }
    result.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return result;
}

// Opens the presentation and settles what of it is sent: the slide range (refused when not in
// the presentation), whether it looks damaged (unless --allow-empty) and the title. Returns the
// number of slides to send; throws Failure.
int BatchRun::openAndCheck(const QString& file, LectureSession& session,
                           TerminalProgress& progress) {
    const std::optional<LectureSession::Presentation> opened = session.openPresentation(file, true);
    if (!opened) // the batch's answers never give up without a reason; this is the fallback
        throw InputRefused(QStringLiteral("The presentation was not opened")).onThisComputer();
    LectureRecord& lecture = session.lecture();
    if (!options_.titleGiven)
        lecture.title = opened->title;
    // The wizard would ask for a title; here the file's name stands in, and the run says so.
    if (lecture.title.trimmed().isEmpty()) {
        lecture.title = QFileInfo(file).completeBaseName();
        progress.note(lines_, QStringLiteral("The first slide holds no title: the lecture is "
                                             "titled \"%1\" after its file")
                                  .arg(lecture.title));
    }
    const QString warning = codePageWarning(lecture.title, opened->lostInText);
    if (!warning.isEmpty())
        progress.note(
            stderr,
            QStringLiteral("slide-ferry-batch: %1: warning: %2").arg(opened->name, warning));
    // The hidden slides are named by the transfer's first line; a range with none left to send
    // is refused here, before the server is asked for the lecture.
    const int slides = int(session.settleSlidesSent().size());
    progress.setSlides(slides);
    return slides;
}

void BatchRun::report(const Lecture& lecture, TerminalProgress& progress, bool sayFailure) {
    if (sayFailure && lecture.outcome == Outcome::Failed)
        progress.note(stderr, QStringLiteral("slide-ferry-batch: %1: %2")
                                  .arg(QFileInfo(lecture.file).fileName(), lecture.message));
    if (!options_.json)
        return;
    QJsonObject o{{QStringLiteral("file"), lecture.file},
                  {QStringLiteral("lecture"), lecture.directory},
                  {QStringLiteral("slides"), lecture.slides},
                  {QStringLiteral("seconds"), qRound(lecture.seconds * 100) / 100.0},
                  {QStringLiteral("result"), outcomeName(lecture.outcome)}};
    if (!lecture.message.isEmpty())
        o.insert(QStringLiteral("message"), lecture.message);
    progress.clearBar();
    // JSON writes control characters as \u escapes already; the rest (C1 controls, direction
    // marks) the terminal layer writes as \u escapes, which JSON reads back as the same text.
    terminal::write(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) +
                                QLatin1Char('\n'));
}

void BatchRun::summarize(double seconds, TerminalProgress& progress) {
    QStringList failed;
    int done = 0;
    for (const Lecture& l : lectures_) {
        if (l.outcome == Outcome::Done)
            ++done;
        else if (l.started || !stopped_)
            failed << QFileInfo(l.file).fileName();
        else
            failed << QFileInfo(l.file).fileName() + QStringLiteral(" (not started)");
    }
    QString text = QStringLiteral("%1 of %2 %3 sent in %4 s")
                       .arg(done)
                       .arg(options_.files.size())
                       .arg(options_.files.size() == 1 ? QStringLiteral("lecture")
                                                       : QStringLiteral("lectures"))
                       .arg(seconds, 0, 'f', 1);
    if (!failed.isEmpty())
        text += QStringLiteral("; not sent: ") + failed.join(QStringLiteral(", "));
    if (stopped_)
        text += QStringLiteral("; ") + stopMessage();
    progress.note(lines_, text);
}
