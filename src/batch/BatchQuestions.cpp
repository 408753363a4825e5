#include "batch/BatchQuestions.h"

#include "platform/Failure.h"

std::optional<QString>
BatchQuestions::presentationPassword(const QString& name, const QString& reason, bool wrongBefore) {
    (void)name;
    // The one password there is, tried once; without one, or when it is wrong, the office's
    // words say why the presentation cannot be sent.
    if (password.isEmpty() || wrongBefore)
        throw InputRefused(reason).onThisComputer();
    return password;
}

bool BatchQuestions::sendDoubtfulPresentation(const QString& doubt) {
    if (!allowDoubtful)
        throw InputRefused(doubt + QStringLiteral(" --allow-empty sends it all the same"))
            .onThisComputer();
    return true;
}

bool BatchQuestions::trustCertificate(const CertificateInfo& certificate) {
    // Nobody is there to look at it; one the wizard was told to trust is accepted as there.
    refusedCertificate = certificate;
    return false;
}
