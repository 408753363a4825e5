#pragma once

#include "lecture/ProgressSink.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <functional>

// The batch command's progress: each step as a line on `lines`, and, when standard error is a
// terminal, a bar below them that shows how far the current presentation has come, its slides
// ("12/68": drawn while converting, sent while uploading) and the time it still needs; once the
// transfer's status comes (showStatus), the bar shows its share done and its status line.
// Everything it prints goes through the terminal layer, which shows control characters in text
// from the server escaped.
class TerminalProgress : public ProgressSink {
public:
    // `stopReason` says why the run should stop ("SIGTERM"), or "" while it may go on.
    TerminalProgress(std::FILE* lines, std::function<QString()> stopReason,
                     bool showBar = isBarWanted());
    ~TerminalProgress() override;

    // The next presentation: its name is shown beside the bar.
    void startPresentation(const QString& name);
    // How many slides of it are sent, once known.
    void setSlides(int slides);

    void Add(const QString& text) override;
    // True once a stop was asked for; the first time, says so.
    bool cancelRequested() const override;
    void begin(int expectedSteps) override;
    void finish(const QString& summary) override;
    void showStatus(const TransferStatus& status) override;

    // Prints a line of the run's own (not a step), clearing the bar first.
    void note(std::FILE* stream, const QString& text);
    // Takes the bar off the terminal.
    void clearBar();

    // The bar as it is drawn `elapsedMs` after the transfer began, `columns` wide.
    QString barText(int columns, qint64 elapsedMs) const;

    static bool isBarWanted();

private:
    void drawBar();

    std::FILE* lines_;
    std::function<QString()> stopReason_;
    mutable bool stopSaid_ = false;
    bool barShown_ = false;
    bool barWanted_;
    QString name_;
    int steps_ = 0;
    int expected_ = 1;
    int slides_ = 0;
    int drawn_ = 0;
    int sent_ = 0;
    TransferStatus status_; // the last status of the transfer; its text "" before one came
    QElapsedTimer clock_;   // since the transfer began
};

// The time a task still needs, from how long its first `done` of `total` steps took:
// "1:05 left", "2:00:00 left"; "" before any step is done.
QString timeLeftText(qint64 elapsedMs, int done, int total);
