#include "wizard/WizardQuestions.h"

#include "windows/FrmCertificate.h"
#include "windows/FrmFTPError.h"
#include "windows/Messages.h"
#include "wizard/BusyPointer.h"

#include <utility>

WizardQuestions::WizardQuestions(QWidget* window, std::function<FrmFTPError&()> lectureExistsDialog)
    : window_(window), lectureExistsDialog_(std::move(lectureExistsDialog)) {}

std::optional<QString> WizardQuestions::presentationPassword(const QString& name,
                                                             const QString& reason,
                                                             bool wrongBefore) {
    (void)reason; // the question says it in the wizard's own words
    const NormalPointer asking;
    QString password;
    if (!messages::askPassword(
            wrongBefore ? QStringLiteral("The password is wrong. Password of %1:").arg(name)
                        : QStringLiteral("%1 is password-protected. Password:").arg(name),
            QStringLiteral("Slide-Ferry"), password))
        return std::nullopt;
    return password;
}

bool WizardQuestions::sendDoubtfulPresentation(const QString& doubt) {
    const NormalPointer asking;
    return messages::askYesNo(doubt + QStringLiteral(" Upload anyway?"),
                              QStringLiteral("Slide-Ferry"));
}

LectureExistsChoice WizardQuestions::lectureExists(const ExistingLecture& lecture) {
    const NormalPointer asking;
    switch (lectureExistsDialog_().choose(lecture)) {
    case FrmFTPError::NewSession:
        return LectureExistsChoice::NextSession;
    case FrmFTPError::AppendSlides:
        return LectureExistsChoice::AppendSlides;
    case FrmFTPError::Abort:
        return LectureExistsChoice::AbortProgram;
    default: // "Change the lecture date", or the dialog closed with nothing chosen
        return LectureExistsChoice::ChangeLectureDate;
    }
}

bool WizardQuestions::trustCertificate(const CertificateInfo& certificate) {
    const NormalPointer asking;
    return FrmCertificate::ask(certificate, window_);
}
