#include "platform/Failure.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureLock.h"
#include "server/LectureOpening.h"
#include "server/ModuleFtp.h"

#include <algorithm>

// Undoing a transfer that failed or was stopped, and saying what could not be undone.

namespace {

// The clean-up waits for the server only briefly: one that has stopped answering must not hold
// the user for another full time-out per file.
constexpr int kTidyTimeoutMs = 3000;

class TidyingUp {
public:
    explicit TidyingUp(ModuleFtp& m)
        : m_(m), connectMs_(m.inet.connectTimeout()), stallMs_(m.inet.stallTimeout()) {
        m_.stopOnCancel = false;
        m_.inet.setTimeouts(std::min(connectMs_, kTidyTimeoutMs),
                            std::min(stallMs_, kTidyTimeoutMs));
    }
    ~TidyingUp() {
        m_.stopOnCancel = true;
        m_.inet.setTimeouts(connectMs_, stallMs_);
    }
    TidyingUp(const TidyingUp&) = delete;
    TidyingUp& operator=(const TidyingUp&) = delete;

private:
    ModuleFtp& m_;
    int connectMs_;
    int stallMs_;
};

QString lectureName(const ModuleFtp& m) {
    QString path = m.changes.lecturePath;
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// What is left after an undo that stopped part-way.
QString leftOver(const ModuleFtp& m) {
    const LectureChanges& c = m.changes;
    const int slidesLeft = static_cast<int>(std::count_if(
        c.added.begin(), c.added.end(), [](const QString& n) { return n.startsWith("Slide"); }));
    const QString where =
        QStringLiteral("The lecture %1 on %2").arg(lectureName(m), m.lecture.host);
    if (c.createdDirectory) {
        QString text =
            where + QStringLiteral(" holds %1 of %2 slides").arg(slidesLeft).arg(c.slidesToSend);
        text += c.descriptionSent ? QStringLiteral(" and no slide text")
                                  : QStringLiteral(" and no description");
        return text + QStringLiteral(". The server could not be reached to remove it: remove the "
                                     "directory on the server, or send the presentation again "
                                     "and choose \"Create new lecture for same date\".");
    }
    QString text = where + QStringLiteral(" holds %1 of the %2 new slides after its own ones")
                               .arg(slidesLeft)
                               .arg(c.slidesToSend);
    if (!c.replaced.isEmpty())
        text += QStringLiteral(", and the new %1 in place of its own").arg(c.replaced.join(", "));
    return text + QStringLiteral(". The server could not be reached to undo that: delete the "
                                 "slides numbered after %1 on the server, or append the "
                                 "presentation again once they are gone.")
                      .arg(m.slideOffset);
}

} // namespace

Abandoned ftpAbandonLecture(ModuleFtp& m) {
    if (!m.changes.open)
        return {};
    const TidyingUp tidy(m);
    const bool changed =
        m.changes.createdDirectory || !m.changes.added.isEmpty() || !m.changes.sending.isEmpty();
    const QString dir = QStringLiteral("~/lumora/") + m.changes.lecturePath;
    if (changed && m.progress)
        m.progress->Add(QStringLiteral("Removing what this transfer sent..."));
    try {
        // Files it replaced get the server's own copies back, then what it added goes.
        while (!m.changes.replaced.isEmpty()) {
            const QString name = m.changes.replaced.last();
            if (!m.ftpSucceeds(FtpOperation::put(m.changes.originals->filePath(name), dir + name)))
                break;
            m.changes.replaced.removeLast();
        }
        while (m.changes.replaced.isEmpty() && !m.changes.added.isEmpty()) {
            if (!m.ftpSucceeds(FtpOperation::remove(dir + m.changes.added.last())))
                break;
            m.changes.added.removeLast();
        }
        // The file that was on its way may have left part of itself: under its temporary name,
        // or under its own when the lecture did not hold it.
        const QString sending = m.changes.sending;
        if (!sending.isEmpty()) {
            m.ftpSucceeds(
                FtpOperation::remove(dir + QLatin1Char('.') + sending + QStringLiteral(".part")));
            if (m.changes.createdDirectory || !m.changes.held.contains(sending))
                m.ftpSucceeds(FtpOperation::remove(dir + sending));
        }
        const bool filesGone = m.changes.added.isEmpty() && m.changes.replaced.isEmpty();
        const bool directoryGone =
            filesGone && (!m.changes.createdDirectory || m.ftpSucceeds(FtpOperation::rmdir(dir)));
        releaseLectureLock(m);
        if (filesGone && directoryGone) {
            m.changes.open = false;
            return {true, changed ? QStringLiteral("The server was left as it was before the "
                                                   "transfer.")
                                  : QString()};
        }
    } catch (const Failure&) {
        // A stop or a failure while undoing: what is left is said below.
    }
    m.changes.open = false;
    return {false, leftOver(m)};
}
