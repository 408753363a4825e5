#pragma once

#include "platform/CertificateInfo.h"
#include "session/LectureQuestions.h"

// The batch command's answers to a lecture session's questions: nobody is there to ask, so the
// options answer, and what only a user may allow is refused with the option that allows it.
class BatchQuestions : public LectureQuestions {
public:
    // The password of protected presentations (from the environment; "" when none).
    QString password;
    // Send presentations the office repaired or whose slides all show nothing.
    bool allowDoubtful = false;
    // The answer when a lecture exists: --if-exists for the first presentation, the next
    // session for the others. ChangeLectureDate means: fail.
    LectureExistsChoice ifLectureExists = LectureExistsChoice::ChangeLectureDate;
    // The last certificate refused, for the message that says how to trust it.
    CertificateInfo refusedCertificate;

    std::optional<QString> presentationPassword(const QString& name, const QString& reason,
                                                bool wrongBefore) override;
    bool sendDoubtfulPresentation(const QString& doubt) override;
    LectureExistsChoice lectureExists(const ExistingLecture&) override { return ifLectureExists; }
    bool trustCertificate(const CertificateInfo& certificate) override;
};
