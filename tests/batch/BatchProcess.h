#pragma once

// A command of the project (the batch command, or the wizard) run as a user runs it and watched
// from a test: what it prints as it comes, a signal sent to it, and the offices it starts, which
// must all have ended with it.
#include "office/OfficeTestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <functional>

struct BatchResult {
    int exitCode = -1; // -1: it did not end normally; -2: offices of it were left running
    QString out, err;
};

class BatchProcess {
public:
    explicit BatchProcess(const QProcessEnvironment& environment) {
        process_.setProcessEnvironment(environment);
        process_.setStandardInputFile(QProcess::nullDevice()); // no terminal to ask on
    }

    void start(const QString& program, const QStringList& arguments) {
        process_.start(program, arguments);
        process_.waitForStarted();
        pid_ = process_.processId();
    }

    // The pipe of the offices it starts (test runs get one per process).
    QString officePipe() const { return QStringLiteral("slideferry_office_test_%1").arg(pid_); }
    qint64 pid() const { return pid_; }
    QString output() const { return out_ + QStringLiteral("\n--- stderr:\n") + err_; }

    // Waits until `done` holds, for at most `ms`; false when the command ended or the time ran
    // out first.
    bool waitUntil(const std::function<bool()>& done, int ms = 180000) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            read();
            if (done())
                return true;
            if (process_.state() == QProcess::NotRunning)
                return false;
            process_.waitForReadyRead(100);
        }
        return false;
    }
    // Waits until the command printed `text` (on standard output or error).
    bool waitFor(const QString& text, int ms = 180000) {
        return waitUntil([&] { return out_.contains(text) || err_.contains(text); }, ms);
    }

    void signal(int number) const { ::kill(static_cast<pid_t>(pid_), number); }

    // Waits for the end; then no office of it may be running.
    BatchResult finish(int ms = 300000) {
        BatchResult r;
        // (It may have ended already, while another event loop ran.)
        if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(ms)) {
            process_.kill();
            process_.waitForFinished();
            read();
            r.out = out_;
            r.err = err_ + QStringLiteral("\nthe command did not end");
            return r;
        }
        read();
        r.exitCode = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
        r.out = out_;
        r.err = err_;
        if (const auto left = officeTest::officeProcesses(officePipe()); !left.isEmpty()) {
            r.exitCode = -2;
            r.err += QStringLiteral("\n%1 office processes left running").arg(left.size());
        }
        return r;
    }

private:
    void read() {
        out_ += QString::fromUtf8(process_.readAllStandardOutput());
        err_ += QString::fromUtf8(process_.readAllStandardError());
    }

    QProcess process_;
    qint64 pid_ = 0;
    QString out_, err_;
};
