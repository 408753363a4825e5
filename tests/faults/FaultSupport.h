#pragma once

// Ways to make the local Lumora server and the working directory misbehave: freezing the server
// process (a stalled server), making a directory unwritable even for root (the immutable
// attribute), and acting when the progress window shows a given line.
#include "support/TestFtpServer.h"

#include <QProcess>
#include <csignal>
#include <sys/types.h>

namespace faults {

// Freezes the server while it lives (or until thaw()): its connections stay open, nothing is
// answered.
class Freeze {
public:
    explicit Freeze(const TestFtpServer& server) : pid_(pid_t(server.pid())) {
        frozen_ = pid_ > 0 && ::kill(pid_, SIGSTOP) == 0;
    }
    ~Freeze() { thaw(); }
    Freeze(const Freeze&) = delete;
    Freeze& operator=(const Freeze&) = delete;
    bool frozen() const { return frozen_; }
    void thaw() {
        if (frozen_)
            ::kill(pid_, SIGCONT);
        frozen_ = false;
    }

private:
    pid_t pid_;
    bool frozen_ = false;
};

// Makes a directory unwritable, for root too, while it lives (chattr +i).
class Unwritable {
public:
    explicit Unwritable(const QString& dir) : dir_(dir) {
        ok_ = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), dir_}) == 0;
    }
    ~Unwritable() {
        if (ok_)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir_});
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool ok() const { return ok_; }

private:
    QString dir_;
    bool ok_ = false;
};

} // namespace faults
