#pragma once

#include "lecture/ExistingLecture.h"
#include "lecture/LectureExistsChoice.h"

#include <QString>
#include <optional>

struct CertificateInfo;

// What a lecture session asks its front end on the way: the wizard puts each question to the
// user in a dialog, the batch command answers from its options. An answer may also be a Failure
// thrown with the front end's own words (the batch command refuses what only a user may allow).
class LectureQuestions {
public:
    virtual ~LectureQuestions() = default;

    // The password of the protected presentation `name`; none when the user gives up (the
    // presentation is then not opened). `reason` is the office's words, `wrongBefore` says
    // that the last password given was wrong.
    virtual std::optional<QString> presentationPassword(const QString& name, const QString& reason,
                                                        bool wrongBefore) = 0;

    // A presentation the office repaired, or whose slides all show nothing (`doubt` says which):
    // true sends it all the same.
    virtual bool sendDoubtfulPresentation(const QString& doubt) = 0;

    // The lecture's directory exists already on the server; `lecture` tells what it holds.
    virtual LectureExistsChoice lectureExists(const ExistingLecture& lecture) = 0;

    // A server certificate that the system's authorities do not vouch for: true trusts it (and
    // the trust is remembered for the host).
    virtual bool trustCertificate(const CertificateInfo& certificate) = 0;
};
