#include "server/LectureLock.h"

#include "platform/Failure.h"
#include "platform/ProcessInfo.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureListing.h"
#include "server/ModuleFtp.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const QString kStampFormat = QStringLiteral("yyyyMMdd'T'HHmmss'Z'");
constexpr int kPollMs = 500;
constexpr int kUnstampedGraceMs = 10000; // a lock's stamp follows its directory at once

QString lockPathOf(const QString& lecturePath) {
    QString lecture = lecturePath;
    if (lecture.endsWith(QLatin1Char('/')))
        lecture.chop(1);
    const qsizetype slash = lecture.lastIndexOf(QLatin1Char('/'));
    return lecture.left(slash + 1) + QLatin1Char('.') + lecture.mid(slash + 1) +
           QStringLiteral(".lock");
}

QString serverPath(const QString& path) {
    return QStringLiteral("~/lumora/") + path;
}

// Waits without blocking the windows; a Cancel meanwhile stops the transfer.
void pause(ModuleFtp& m, int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    if (m.progress && m.progress->cancelRequested())
        throw StoppedByUser();
}

// The server's own words about the last operation, or the transfer component's.
QString serverWords(const ModuleFtp& m) {
    const QString reply = m.inet.ServerReply().trimmed();
    const bool refused = m.inet.ResponseCode() == TransferControl::ServerRefused;
    return refused && !reply.isEmpty() ? reply : m.inet.ResponseInfo().trimmed();
}

// "<time>_<process>_<random>_<machine>": when the lock was taken, and by which program.
QString newStamp() {
    return QDateTime::currentDateTimeUtc().toString(kStampFormat) + QLatin1Char('_') +
           QString::number(processInfo::currentProcess()) + QLatin1Char('_') +
           QString::number(QRandomGenerator::global()->generate64(), 16) + QLatin1Char('_') +
           processInfo::machineName();
}

// The time a stamp names; invalid for a name that is no stamp.
QDateTime stampTime(const QString& stamp) {
    QDateTime t = QDateTime::fromString(stamp.left(16), kStampFormat);
    t.setTimeSpec(Qt::UTC);
    return t;
}

// True when the stamp's program ran on this machine and has ended (killed outright, say): its
// lock will never be given back.
bool takenByEndedProgram(const QString& stamp) {
    const QStringList parts = stamp.split(QLatin1Char('_'));
    if (parts.size() < 4 || parts.mid(3).join(QLatin1Char('_')) != processInfo::machineName())
        return false;
    const qint64 pid = parts[1].toLongLong();
    return pid > 0 && pid != processInfo::currentProcess() && !processInfo::isRunning(pid);
}

void breakLock(ModuleFtp& m, const QString& lock, const QStringList& stamps, const QString& why) {
    for (const QString& stamp : stamps)
        m.ftpSucceeds(FtpOperation::rmdir(serverPath(lock + QLatin1Char('/') + stamp)));
    if (!m.ftpSucceeds(FtpOperation::rmdir(serverPath(lock))))
        throw ServerFailure(
            QStringLiteral("Cannot remove the lock ~/lumora/%1 that %2 (%3); nothing "
                           "was changed")
                .arg(lock, why, serverWords(m)),
            m.inet.ResponseCode());
    if (m.progress)
        m.progress->Add(QStringLiteral("Removed the lock of a transfer that %1").arg(why));
}

// True when this transfer now holds the lock.
bool tryCreate(ModuleFtp& m, const QString& lock) {
    if (!m.ftpSucceeds(FtpOperation::mkdir(serverPath(lock))))
        return false;
    const QString stamp = newStamp();
    if (!m.ftpSucceeds(FtpOperation::mkdir(serverPath(lock + QLatin1Char('/') + stamp)))) {
        const QString why = serverWords(m);
        m.ftpSucceeds(FtpOperation::rmdir(serverPath(lock)));
        throw ServerFailure(
            QStringLiteral("Cannot lock the lecture on the server (%1); nothing was changed")
                .arg(why));
    }
    m.changes.lockPath = lock;
    m.changes.lockStamp = stamp;
    return true;
}

// Why the lock with these stamps, taken at `taken`, was left by a transfer that will never give
// it back ("" while its transfer may still be working): too old, its program on this machine
// ended, or no time stamp after a grace time.
QString abandonedBecause(const ModuleFtp& m, const QStringList& stamps, const QDateTime& taken,
                         qint64 waitedMs) {
    if (taken.isValid() && taken.secsTo(QDateTime::currentDateTimeUtc()) > m.staleLockSeconds)
        return QStringLiteral("did not finish (taken at %1 UTC)")
            .arg(taken.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    if (!stamps.isEmpty() && takenByEndedProgram(stamps.first()))
        return QStringLiteral("did not finish (its program on this machine has ended)");
    if (!taken.isValid() && waitedMs > kUnstampedGraceMs)
        return QStringLiteral("did not finish (the lock has no time)");
    return {};
}

} // namespace

void takeLectureLock(ModuleFtp& m) {
    const QString lock = lockPathOf(m.changes.lecturePath);
    QElapsedTimer waited;
    waited.start();
    int vanished = 0;
    bool saidWaiting = false;
    for (;;) {
        if (tryCreate(m, lock))
            return;
        const QString refusal = serverWords(m);
        const int refusalCode = m.inet.ResponseCode();
        QStringList stamps;
        try {
            stamps = listNames(m, lock, QString());
        } catch (const Failure& failure) {
            if (failure.stopped())
                throw;
            // No lock to list: it was given back just now, or the server refuses to create
            // directories here at all.
            if (++vanished < 3)
                continue;
            throw ServerFailure(
                QStringLiteral("The server refused to create ~/lumora/%1, the lecture's "
                               "lock (%2): the Corvane account may not be allowed to "
                               "write there; nothing was changed")
                    .arg(lock, refusal),
                refusalCode);
        }
        const QDateTime taken = stamps.isEmpty() ? QDateTime() : stampTime(stamps.first());
        const QString abandoned = abandonedBecause(m, stamps, taken, waited.elapsed());
        if (!abandoned.isEmpty()) {
            breakLock(m, lock, stamps, abandoned);
            continue;
        }
        if (waited.elapsed() >= m.lockWaitMs)
            throw ServerFailure(
                QStringLiteral("Another transfer is working on the lecture ~/lumora/%1 "
                               "(since %2 UTC); nothing was changed. Try again when it "
                               "has finished")
                    .arg(m.changes.lecturePath, taken.isValid()
                                                    ? taken.toString(QStringLiteral("hh:mm:ss"))
                                                    : QStringLiteral("a moment ago")));
        if (!saidWaiting && m.progress)
            m.progress->Add(QStringLiteral("Waiting for another transfer to finish with the "
                                           "lecture ~/lumora/%1...")
                                .arg(m.changes.lecturePath));
        saidWaiting = true;
        pause(m, kPollMs);
    }
}

void releaseLectureLock(ModuleFtp& m) {
    if (m.changes.lockPath.isEmpty())
        return;
    const QString lock = m.changes.lockPath;
    m.changes.lockPath.clear();
    try {
        m.ftpSucceeds(
            FtpOperation::rmdir(serverPath(lock + QLatin1Char('/') + m.changes.lockStamp)));
        m.ftpSucceeds(FtpOperation::rmdir(serverPath(lock)));
    } catch (const Failure&) {
        // Left behind: a later transfer finds it stale and breaks it.
    }
}
