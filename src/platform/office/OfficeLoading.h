#pragma once

// What opening a presentation needs beside the office's own loader: an interaction handler that
// never waits for a user, a watchdog for a load that hangs, and a look at a file's bytes for
// encryption. Includes UNO headers: never include this outside src/platform/office.

#include "platform/office/UnoSupport.h"

#include <QFile>
#include <QString>

#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <cppuhelper/implbase1.hxx>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

namespace office::loading {

using namespace uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;

// Answers the questions the office asks while loading without ever waiting for a user: an offer
// to repair a damaged file is accepted (the presentation is then opened, marked as repaired), and
// everything else (a password, a warning) is answered with "abort". Remembers what was asked, for
// the failure's text and for telling a file read only in part.
class AbortingInteraction : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        if (!request.is())
            return;
        const QString type = fromOU(request->getRequest().getValueTypeName());
        const bool repairOffer = type.contains(QLatin1String("BrokenPackageRequest"));
        {
            const std::lock_guard lock(mutex_);
            asked_ = type;
            repairAccepted_ = repairAccepted_ || repairOffer;
        }
        Reference<css::task::XInteractionContinuation> abort;
        Reference<css::task::XInteractionContinuation> approve;
        for (const auto& continuation : request->getContinuations()) {
            if (Reference<css::task::XInteractionAbort>(continuation, UNO_QUERY).is())
                abort = continuation;
            else if (Reference<css::task::XInteractionApprove>(continuation, UNO_QUERY).is())
                approve = continuation;
        }
        // A notice that offers nothing but "OK" is acknowledged.
        const auto& choice = repairOffer || !abort.is() ? approve : abort;
        if (choice.is())
            choice->select();
    }

    QString asked() const {
        const std::lock_guard lock(mutex_);
        return asked_;
    }
    // True once the office offered a repair or reported anything: a file that still opens after
    // that was repaired or read only in part.
    bool askedAnything() const {
        const std::lock_guard lock(mutex_);
        return repairAccepted_ || !asked_.isEmpty();
    }

private:
    mutable std::mutex mutex_;
    QString asked_;
    bool repairAccepted_ = false;
};

// True when the header of a binary presentation says it is encrypted: its current-user record
// (type 0x0FF6, whose first field is its size, 0x14) carries the token that encrypted files have
// (0xF3D1C4DF) in place of the usual one (0xE391C05F). This holds also for an encrypted file
// without the encrypted summary stream.
inline bool headerSaysEncrypted(const QByteArray& bytes) {
    static const QByteArray recordType("\x00\x00\xF6\x0F", 4);
    static const QByteArray sizeAndToken("\x14\x00\x00\x00\xDF\xC4\xD1\xF3", 8);
    for (qsizetype at = bytes.indexOf(recordType); at >= 0 && at + 16 <= bytes.size();
         at = bytes.indexOf(recordType, at + 1)) {
        if (bytes.mid(at + 8, 8) == sizeAndToken)
            return true;
    }
    return false;
}

// True when the file's bytes show encryption: the stream in which an encrypted binary
// presentation keeps its summary, the one that wraps an encrypted .pptx package, or a binary
// presentation's header. Only asked after a failed open, to name the reason; large files are not
// searched.
inline bool looksEncrypted(const QString& path) {
    QFile file(path);
    if (file.size() > 64 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    // Stream names as the file's directory stores them: UTF-16, little-endian.
    for (const char* stream : {"EncryptedSummary", "EncryptionInfo"}) {
        QByteArray name;
        for (const char* c = stream; *c; ++c)
            name.append(*c).append('\0');
        if (bytes.contains(name))
            return true;
    }
    return headerSaysEncrypted(bytes);
}

// How long loading one presentation may take before the office is considered hung.
constexpr int loadTimeoutMs = 120000;

// Kills the office (its process group, when it is one of our own) if it is still busy after a
// timeout; the call waiting on it then returns with a lost connection.
class LoadWatchdog {
public:
    LoadWatchdog(qint64 pid, int timeoutMs) {
        if (pid <= 0)
            return;
        thread_ = std::thread([this, pid, timeoutMs] {
            std::unique_lock lock(mutex_);
            if (!wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return done_; })) {
                fired_ = true;
                ::kill(-pid_t(pid), SIGKILL); // the office's process group
            }
        });
    }
    ~LoadWatchdog() {
        if (!thread_.joinable())
            return;
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    LoadWatchdog(const LoadWatchdog&) = delete;
    LoadWatchdog& operator=(const LoadWatchdog&) = delete;

    bool fired() const {
        const std::lock_guard lock(mutex_);
        return fired_;
    }

private:
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool fired_ = false;
};

} // namespace office::loading
