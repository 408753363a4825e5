#include "server/LectureTransfer.h"

#include "platform/Failure.h"
#include "server/LectureOpening.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"

void ftpTransferLecture(ModuleFtp& m, bool appendSlides,
                        const std::function<void(bool appendSlides)>& makeFiles) {
    try {
        ftpOpenLecture(m, appendSlides);
        makeFiles(appendSlides);
        ftpUploadLecture(m);
    } catch (Failure& failure) {
        const Abandoned left = ftpAbandonLecture(m);
        if (failure.stopped()) {
            // The user's own choice needs no message, unless the server could not be put back.
            if (!left.complete)
                throw ServerFailure(QStringLiteral("The transfer was stopped"))
                    .withAdvice(left.text);
            throw;
        }
        if (!left.text.isEmpty())
            failure.withAdvice(failure.advice().isEmpty()
                                   ? left.text
                                   : failure.advice() + QStringLiteral("\n\n") + left.text);
        throw;
    }
}
