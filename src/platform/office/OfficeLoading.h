#pragma once

// What opening a presentation needs beside the office's own loader: an interaction handler that
// never waits for a user, a watchdog for a load that hangs, and a look at a file's bytes for
// encryption. Includes UNO headers: never include this outside src/platform/office.

#include "platform/office/UnoSupport.h"

#include <QFile>
#include <QString>

#include <com/sun/star/task/XInteractionAbort.hpp>
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

// Answers every question the office asks while loading with "abort", so that loading never waits
// for a user (a password, a repair offer); remembers what was asked, for the failure's text.
class AbortingInteraction : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        if (!request.is())
            return;
        {
            const std::lock_guard lock(mutex_);
            asked_ = fromOU(request->getRequest().getValueTypeName());
        }
        const auto continuations = request->getContinuations();
        for (const auto& continuation : continuations) {
            const Reference<css::task::XInteractionAbort> abort(continuation, UNO_QUERY);
            if (abort.is()) {
                abort->select();
                return;
            }
        }
    }

    QString asked() const {
        const std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    mutable std::mutex mutex_;
    QString asked_;
};

// True when the file's bytes show encryption: the stream in which an encrypted binary
// presentation keeps its summary, or the one that wraps an encrypted .pptx package. Only asked
// after a failed open, to name the reason; large files are not searched.
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
    return false;
}

// How long loading one presentation may take before the office is considered hung.
constexpr int loadTimeoutMs = 120000;

// Kills the office process (when there is one of our own) if it is still busy after a timeout;
// the call waiting on it then returns with a lost connection.
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
                ::kill(pid_t(pid), SIGKILL);
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
