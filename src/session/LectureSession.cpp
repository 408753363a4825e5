#include "session/LectureSession.h"

#include "lecture/ProgressSink.h"
#include "pipeline/CodePageCheck.h"
#include "pipeline/EmptyPresentation.h"
#include "pipeline/HiddenSlides.h"
#include "platform/Failure.h"
#include "platform/ftp/TransferControl.h"
#include "platform/ftp/TransferHelpers.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/ModuleFtp.h"
#include "session/LectureQuestions.h"

namespace {
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

LectureSession::LectureSession(LectureQuestions& questions)
    : questions_(questions), inet_(std::make_unique<TransferControl>()),
      ftp_(std::make_unique<ModuleFtp>(*inet_, lecture_)),
      pipeline_(std::make_unique<ModuleSlideFerry>(lecture_, *ftp_, *inet_)) {
    ftp_->askLectureExists = [this](const ExistingLecture& lecture) {
        return questions_.lectureExists(lecture);
    };
    inet_->askTrust = [this](const CertificateInfo& c) { return questions_.trustCertificate(c); };
}

LectureSession::~LectureSession() = default;

void LectureSession::startOfficeInBackground(bool withHelpers) {
    if (withHelpers)
        pipeline_->presentation.startOfficesInBackground();
    else
        pipeline_->presentation.startOfficeInBackground();
}

bool LectureSession::connect(const QString& accountWhere, bool reconnect) {
    if (reconnect && !ftp_->ftpConnect())
        return false;
    bool accountFound = false;
    try {
        accountFound = ftpCheckAccount(*ftp_);
    } catch (const Failure& failure) {
        // An account file that cannot be read is the server's name or account to correct.
        if (failure.stopped())
            throw;
        throw InputRefused(failure.description(), failure.number());
    }
    if (!accountFound)
        throw Failure(lumoraAccountRefused(lecture_.lumoraId, accountWhere), 0,
                      Failure::Kind::Input)
            .shownAsIs();
    return true;
}

bool LectureSession::loginInClear() const {
    return inet_->LoggedInClear();
}

QString LectureSession::loginInClearNote() {
    return QStringLiteral("This server does not encrypt: your Corvane password is sent in clear");
}

QStringList LectureSession::listClasses() {
    return ftpListClasses(*ftp_);
}

void LectureSession::requireListedClass() {
    const QStringList classes = listClasses();
    if (!classes.contains(lecture_.className))
        throw InputRefused(QStringLiteral("The class \"%1\" is not on the server: %2")
                               .arg(lecture_.className, someClasses(classes)));
}

std::optional<LectureSession::Presentation> LectureSession::openPresentation(const QString& path,
                                                                             bool checkRange) {
    std::optional<Presentation> opened = openAsked(path);
    if (!opened)
        return std::nullopt;
    try {
        settleRange(*opened, checkRange);
        if (!doubtsAnswered(*opened)) {
            closePresentation();
            return std::nullopt;
        }
    } catch (...) {
        closePresentation();
        throw;
    }
    return opened;
}

// Opens the file, asking for the password while the office wants one; throws Input for a file
// that cannot be opened.
std::optional<LectureSession::Presentation> LectureSession::openAsked(const QString& path) {
    PresentationExport& presentation = pipeline_->presentation;
    OpenOutcome outcome = presentation.openPresentation(path);
    while (outcome.needsPassword()) {
        const std::optional<QString> password = questions_.presentationPassword(
            presentationNameOf(path), outcome.reason, outcome.result == OpenOutcome::PasswordWrong);
        if (!password)
            return std::nullopt;
        outcome = presentation.openPresentation(path, *password);
    }
    if (!outcome.isOpen())
        throw InputRefused(outcome.reason).onThisComputer();
    Presentation opened;
    opened.name = presentation.presentationName();
    presentationName_ = opened.name;
    opened.slideCount = presentation.slideCount();
    opened.title = presentation.getPresentationTitle();
    opened.lostInText = charactersLostInSlides(*presentation.slides(), opened.slideCount);
    opened.repaired = outcome.result == OpenOutcome::Repaired;
    return opened;
}

// The slides to send: the record's range when asked to check it, else every slide.
void LectureSession::settleRange(const Presentation& opened, bool checkRange) {
    const int count = opened.slideCount;
    int first = 1;
    int last = count;
    if (checkRange) {
        first = lecture_.firstSlide > 0 ? lecture_.firstSlide : 1;
        last = lecture_.lastSlide > 0 ? lecture_.lastSlide : count;
        if (last > count)
            throw InputRefused(
                QStringLiteral("The slide range %1-%2 is not in %3: it has %4 slides")
                    .arg(first)
                    .arg(last)
                    .arg(opened.name)
                    .arg(count))
                .onThisComputer();
    }
    lecture_.firstSlide = first;
    lecture_.lastSlide = last;
}

// A repaired file, or slides that all show nothing, are sent only when the questions say so.
bool LectureSession::doubtsAnswered(const Presentation& opened) {
    QString doubt;
    if (opened.repaired)
        doubt = repairedPresentationText(opened.name);
    else if (noSlideShowsAnything(*pipeline_->presentation.slides(), lecture_.firstSlide,
                                  lecture_.lastSlide))
        doubt = emptyPresentationText(opened.name, opened.slideCount);
    return doubt.isEmpty() || questions_.sendDoubtfulPresentation(doubt);
}

QList<int> LectureSession::hiddenSlides() const {
    return pipeline_->hiddenSlides();
}

QList<int> LectureSession::settleSlidesSent() {
    pipeline_->settleSlidesSent();
    return lecture_.slidesSent();
}

void LectureSession::closePresentation() {
    pipeline_->presentation.closeDocument();
}

void LectureSession::releaseOffice() {
    pipeline_->presentation.closePresentation();
}

bool LectureSession::findLecture() {
    appendSlides_ = false;
    return ftpFindLecture(*ftp_, appendSlides_);
}

QString LectureSession::lectureDirectory() const {
    return lectureDirOf(lecture_);
}

bool LectureSession::loggedInClearBefore(const QString& server) {
    return TransferControl::loggedInClearBefore(server.trimmed());
}

bool LectureSession::connectionEncrypted() const {
    return inet_->Encrypted();
}

QList<LectureSession::PlanLine> LectureSession::transferPlan() const {
    const LectureRecord& r = lecture_;
    const int first = r.firstSlide;
    const int last = r.lastSlide;
    const QString slides = first == last ? QStringLiteral("slide %1").arg(first)
                                         : QStringLiteral("slides %1-%2").arg(first).arg(last);
    QString directory = QStringLiteral("~/lumora/") + lectureDirectory();
    directory += appendSlides_ ? QStringLiteral(" (appended after %1 %2)")
                                     .arg(ftp_->slideOffset)
                                     .arg(ftp_->slideOffset == 1 ? QStringLiteral("slide")
                                                                 : QStringLiteral("slides"))
                               : QStringLiteral(" (new)");
    QList<PlanLine> plan;
    plan << PlanLine{QStringLiteral("Presentation"),
                     presentationName_ + QStringLiteral(", ") + slides};
    const QString hidden = hiddenSlidesLine(hiddenSlides(), r.skipHiddenSlides);
    if (!hidden.isEmpty())
        plan << PlanLine{QStringLiteral("Hidden slides"), hidden};
    plan << PlanLine{QStringLiteral("Class"), r.className};
    plan << PlanLine{QStringLiteral("Lecture"), directory};
    plan << PlanLine{QStringLiteral("Date"),
                     r.month + QLatin1Char(' ') + r.day + QLatin1Char(' ') + r.year};
    plan << PlanLine{QStringLiteral("Session"), r.session};
    plan << PlanLine{QStringLiteral("Title"), r.title};
    plan << PlanLine{QStringLiteral("Images"),
                     QStringLiteral("%1, %2 x %3").arg(r.imageFormat).arg(r.width).arg(r.height)};
    plan << PlanLine{QStringLiteral("Server"),
                     r.host + (!connectionEncrypted() ? QStringLiteral(", not encrypted")
                               : isSftpUrl(r.host)    ? QStringLiteral(", encrypted (SSH)")
                                                      : QStringLiteral(", encrypted (TLS)"))};
    return plan;
}

void LectureSession::reportTo(ProgressSink& progress) {
    ftp_->progress = &progress;
}

void LectureSession::transfer(ProgressSink& progress, ModuleSlideFerry::AfterTransfer after) {
    pipeline_->transferLecture(appendSlides_, progress, after);
}

QString LectureSession::lectureSummary() const {
    return pipeline_->lectureSummary();
}

void LectureSession::endLecture() {
    pipeline_->endLecture();
}

void LectureSession::cleanUp() {
    pipeline_->cleanUp();
}
