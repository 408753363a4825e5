#pragma once

#include "batch/BatchOptions.h"
#include "batch/BatchQuestions.h"
#include "lecture/Outcome.h"

#include <QString>
#include <cstdio>
#include <functional>
#include <vector>

class LectureSession;
class TerminalProgress;

// One run of the batch command: connects once, checks the Lumora account and the class, then
// sends each presentation as a lecture of its own over the same connection and the same office.
// A presentation that fails is reported and the others still go.
class BatchRun {
public:
    // What became of one presentation.
    struct Lecture {
        QString file;
        QString directory; // "classes/<class>/<date>.<session>" once settled
        int slides = 0;
        double seconds = 0;
        Outcome outcome = Outcome::Failed;
        QString message;     // why it failed, as the wizard says it
        bool started = true; // false: the run ended before it
    };

    // `options` carries the passwords in its lecture record. `stopReason` is asked at each step:
    // "" while the run may go on, else why it stops ("SIGTERM"). The lecture under way is then
    // undone and cleaned up after, and it and those not started are reported "stopped".
    BatchRun(const BatchOptions& options, std::function<QString()> stopReason);

    // Runs everything; 0 when every lecture was sent, 1 otherwise.
    int run();

    // True when a stop request ended the run before every lecture was sent.
    bool stopped() const { return stopped_; }

    const std::vector<Lecture>& lectures() const { return lectures_; }

private:
    QString connectAndCheck(LectureSession& session);
    // The warning line, once, when the server got the Corvane password in clear text.
    void warnIfInClear(const LectureSession& session);
    // Reports the presentations not started when the run stopped (or could not begin).
    void reportUnsent(const QString& failure, TerminalProgress& progress);
    QString stopMessage() const;
    Lecture send(const QString& file, bool first, LectureSession& session,
                 TerminalProgress& progress);
    // Opens the presentation and settles what of it is sent; the number of slides to send.
    int openAndCheck(const QString& file, LectureSession& session, TerminalProgress& progress);
    // Says what became of a presentation: its failure on standard error (unless said already)
    // and, with --json, its JSON object on standard output.
    void report(const Lecture& lecture, TerminalProgress& progress, bool sayFailure = true);
    void summarize(double seconds, TerminalProgress& progress);

    BatchOptions options_;
    std::function<QString()> stopReason_;
    std::FILE* lines_; // where the steps go: standard output, or standard error beside --json
    std::vector<Lecture> lectures_;
    int previousSession_; // the session of the last lecture sent, or the one before --session
    bool stopped_ = false;
    bool warnedInClear_ = false;
    QString stoppedBy_; // the stop request's reason, once one was seen
    BatchQuestions questions_;
};
