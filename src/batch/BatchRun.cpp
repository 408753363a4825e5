#include "batch/BatchRun.h"

#include "batch/TerminalProgress.h"
#include "lecture/LectureRecord.h"
#include "pipeline/CodePageCheck.h"
#include "pipeline/EmptyPresentation.h"
#include "pipeline/ModuleSlideFerry.h"
#include "platform/Failure.h"
#include "platform/Terminal.h"
#include "platform/ftp/TransferControl.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/ModuleFtp.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString lectureDirectoryOf(const LectureRecord& r) {
    return QStringLiteral("classes/%1/%2.%3.%4.%5")
        .arg(r.className, r.month, r.day, r.year, r.session);
}

// The classes the server lists, shortened for a message.
QString someClasses(const QStringList& classes) {
    if (classes.isEmpty())
        return QStringLiteral("it lists no class");
    constexpr int shown = 12;
    QString text =
        QStringLiteral("its classes are ") + classes.mid(0, shown).join(QStringLiteral(", "));
    if (classes.size() > shown)
        text += QStringLiteral(" and %1 more").arg(classes.size() - shown);
    return text;
}
} // namespace

BatchRun::BatchRun(const BatchOptions& options, std::function<QString()> stopReason)
    : options_(options), stopReason_(std::move(stopReason)), lines_(options.json ? stderr : stdout),
      // A first presentation that fails leaves the next one at the session asked for.
      previousSession_(options.lecture.session.toInt() - 1) {}

int BatchRun::run() {
    QElapsedTimer clock;
    clock.start();
    LectureRecord lecture = options_.lecture;
    TransferControl inet;
    ModuleFtp ftp(inet, lecture);
    ModuleSlideFerry pipeline(lecture, ftp, inet);
    TerminalProgress progress(lines_, [this] {
        const QString reason = stopReason_ ? stopReason_() : QString();
        if (!reason.isEmpty() && stoppedBy_.isEmpty())
            stoppedBy_ = reason;
        return reason;
    });
    ftp.progress = &progress;
    // The offices start while the server is asked about the account and the class.
    progress.note(lines_, QStringLiteral("Starting the office..."));
    pipeline.presentation.startOfficesInBackground();

    // A certificate that cannot be verified is refused: nobody is there to look at it. One the
    // wizard was told to trust is accepted as there.
    inet.askTrust = [this](const CertificateInfo& c) {
        refusedCertificate_ = c;
        return false;
    };

    progress.note(lines_, QStringLiteral("Connecting to %1...").arg(lecture.host));
    const QString failure = connectAndCheck(ftp);
    if (!failure.isEmpty())
        progress.note(stderr, QStringLiteral("slide-ferry-batch: ") + failure);
    for (const QString& file : options_.files) {
        // A stop asked for between two lectures is seen before the next one starts.
        stopped_ = stopped_ || progress.cancelRequested();
        if (stopped_ || !failure.isEmpty())
            break;
        lectures_.push_back(send(file, lectures_.empty(), ftp, pipeline, progress));
        report(lectures_.back(), progress);
    }
    reportUnsent(failure, progress);
    pipeline.cleanUp();
    summarize(static_cast<double>(clock.elapsed()) / 1000.0, progress);
    for (const Lecture& l : lectures_)
        if (l.result != QLatin1String("done"))
            return 1;
    return 0;
}

void BatchRun::reportUnsent(const QString& failure, TerminalProgress& progress) {
    for (qsizetype i = static_cast<qsizetype>(lectures_.size()); i < options_.files.size(); ++i) {
        Lecture l;
        l.file = options_.files[i];
        l.started = false;
        if (failure.isEmpty()) {
            l.result = QStringLiteral("stopped");
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

// The wizard's Lumora Info step: the connection, the Lumora account and, from the Lecture Info
// page, the class, which must be one the server lists. "" when all is well; the message when
// not.
QString BatchRun::connectAndCheck(ModuleFtp& ftp) {
    const QString host = options_.lecture.host;
    try {
        if (!ftp.ftpConnect())
            return QStringLiteral("Error: The server's certificate could not be verified (%1; "
                                  "SHA-256 %2), %3\n\nConnect once with the slide-ferry wizard "
                                  "and trust it there; the batch command then accepts it.")
                .arg(refusedCertificate_.reason, refusedCertificate_.fingerprint, host);
        if (!ftpCheckAccount(ftp))
            return lumoraAccountRefused(options_.lecture.lumoraId,
                                        QStringLiteral(" (--lumora-id and "
                                                       "SLIDE_FERRY_LUMORA_PASSWORD)"));
        const QStringList classes = ftpListClasses(ftp);
        if (!classes.contains(options_.lecture.className))
            return QStringLiteral("Error: The class \"%1\" is not on the server: %2, %3")
                .arg(options_.lecture.className, someClasses(classes), host);
    } catch (const Failure& f) {
        return f.message(host);
    } catch (const StoppedByUser&) {
        stopped_ = true;
    }
    return {};
}

BatchRun::Lecture BatchRun::send(const QString& file, bool first, ModuleFtp& ftp,
                                 ModuleSlideFerry& pipeline, TerminalProgress& progress) {
    QElapsedTimer clock;
    clock.start();
    Lecture result;
    result.file = file;
    LectureRecord& lecture = ftp.lecture;
    lecture = options_.lecture;
    // Later presentations take the sessions after the one before.
    IfLectureExists ifExists = options_.ifExists;
    if (!first) {
        lecture.session = QString::number(previousSession_ + 1);
        ifExists = IfLectureExists::NextSession;
    }
    ftp.askLectureExists = [ifExists] {
        switch (ifExists) {
        case IfLectureExists::NextSession:
            return static_cast<int>(NextSession);
        case IfLectureExists::Append:
            return static_cast<int>(AppendSlides);
        case IfLectureExists::Fail:
            break;
        }
        return static_cast<int>(ChangeLectureDate);
    };
    const QString name = QFileInfo(file).fileName();
    progress.startPresentation(name);
    progress.note(lines_,
                  QStringLiteral("%1: class %2, %3 %4 %5")
                      .arg(file, lecture.className, lecture.month, lecture.day, lecture.year));
    try {
        const int slides = openAndCheck(file, lecture, pipeline.presentation, progress);
        bool append = false;
        if (!ftpFindLecture(ftp, append))
            throw Failure(QStringLiteral("The lecture %1 exists already (--if-exists "
                                         "next-session or append adds to it)")
                              .arg(lectureDirectoryOf(lecture)));
        result.directory = lectureDirectoryOf(lecture);
        pipeline.transferLecture(append, progress, ModuleSlideFerry::AfterTransfer::KeepSession);
        result.slides = slides;
        result.result = QStringLiteral("done");
        previousSession_ = lecture.session.toInt();
    } catch (const StoppedByUser&) {
        pipeline.endLecture();
        result.result = QStringLiteral("stopped");
        result.message = stopMessage();
        stopped_ = true;
    } catch (const Failure& f) {
        pipeline.endLecture();
        result.message = f.message(lecture.host);
    } catch (const std::exception& e) {
        pipeline.endLecture();
        result.message = Failure(QString::fromLocal8Bit(e.what())).message(lecture.host);
    }
    result.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return result;
}

// Opens the presentation and settles what of it is sent: the title, the slide range (refused
// when not in the presentation) and, unless --allow-empty, whether it looks damaged. Returns the
// number of slides to send; throws Failure.
int BatchRun::openAndCheck(const QString& file, LectureRecord& lecture,
                           PresentationExport& presentation, TerminalProgress& progress) {
    const QString name = QFileInfo(file).fileName();
    presentation.openPresentation(file);
    if (presentation.passwordNeeded && !options_.presentationPassword.isEmpty())
        presentation.openPresentation(file, options_.presentationPassword);
    if (presentation.slideCount <= 0)
        throw Failure(presentation.lastOpenError.isEmpty()
                          ? QStringLiteral("The presentation has no slides")
                          : presentation.lastOpenError);
    if (!options_.titleGiven)
        lecture.title = presentation.getPresentationTitle();
    // The wizard would ask for a title; here the file's name stands in, and the run says so.
    if (lecture.title.trimmed().isEmpty()) {
        lecture.title = QFileInfo(file).completeBaseName();
        progress.note(lines_, QStringLiteral("The first slide holds no title: the lecture is "
                                             "titled \"%1\" after its file")
                                  .arg(lecture.title));
    }
    const int count = presentation.slideCount;
    const QString warning =
        codePageWarning(lecture.title, charactersLostInSlides(*presentation.slides(), count));
    if (!warning.isEmpty())
        progress.note(stderr,
                      QStringLiteral("slide-ferry-batch: %1: warning: %2").arg(name, warning));
    const int firstSlide = options_.firstSlide > 0 ? options_.firstSlide : 1;
    const int lastSlide = options_.lastSlide > 0 ? options_.lastSlide : count;
    if (lastSlide > count)
        throw Failure(QStringLiteral("The slide range %1-%2 is not in %3: it has %4 slides")
                          .arg(firstSlide)
                          .arg(lastSlide)
                          .arg(name)
                          .arg(count));
    if (!options_.allowEmpty) {
        const QString doubt = presentation.repaired ? repairedPresentationText(name)
                              : noSlideShowsAnything(*presentation.slides(), firstSlide, lastSlide)
                                  ? emptyPresentationText(name, count)
                                  : QString();
        if (!doubt.isEmpty())
            throw Failure(doubt + QStringLiteral(" --allow-empty sends it all the same"));
    }
    lecture.firstSlide = QStringLiteral(" ") + QString::number(firstSlide);
    lecture.lastSlide = QStringLiteral(" ") + QString::number(lastSlide);
    progress.setSlides(lastSlide - firstSlide + 1);
    return lastSlide - firstSlide + 1;
}

void BatchRun::report(const Lecture& lecture, TerminalProgress& progress, bool sayFailure) {
    if (sayFailure && lecture.result == QLatin1String("failed"))
        progress.note(stderr, QStringLiteral("slide-ferry-batch: %1: %2")
                                  .arg(QFileInfo(lecture.file).fileName(), lecture.message));
    if (!options_.json)
        return;
    QJsonObject o{{QStringLiteral("file"), lecture.file},
                  {QStringLiteral("lecture"), lecture.directory},
                  {QStringLiteral("slides"), lecture.slides},
                  {QStringLiteral("seconds"), qRound(lecture.seconds * 100) / 100.0},
                  {QStringLiteral("result"), lecture.result}};
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
        if (l.result == QLatin1String("done"))
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
