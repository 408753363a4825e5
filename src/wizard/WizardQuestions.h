#pragma once

#include "session/LectureQuestions.h"

#include <functional>

class FrmFTPError;
class QWidget;

// The wizard's answers to a lecture session's questions: each one is put to the user in a
// dialog over the wizard's window, with the normal pointer while the user answers.
class WizardQuestions : public LectureQuestions {
public:
    // `lectureExistsDialog` gives the lecture-exists dialog (made on first use).
    WizardQuestions(QWidget* window, std::function<FrmFTPError&()> lectureExistsDialog);

    std::optional<QString> presentationPassword(const QString& name, const QString& reason,
                                                bool wrongBefore) override;
    bool sendDoubtfulPresentation(const QString& doubt) override;
    LectureExistsChoice lectureExists(const ExistingLecture& lecture) override;
    bool trustCertificate(const CertificateInfo& certificate) override;

private:
    QWidget* window_;
    std::function<FrmFTPError&()> lectureExistsDialog_;
};
