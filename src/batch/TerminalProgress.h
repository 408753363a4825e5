#pragma once

#include "lecture/ProgressSink.h"

#include <QString>
#include <cstdio>
#include <functional>

// The batch command's progress: each step as a line on `lines`, and, when standard error is a
// terminal, a bar below them that shows how far the current presentation has come.
class TerminalProgress : public ProgressSink {
public:
    TerminalProgress(std::FILE* lines, std::function<bool()> stopRequested);
    ~TerminalProgress() override;

    // The next presentation: its name is shown beside the bar.
    void startPresentation(const QString& name);

    void Add(const QString& text) override;
    bool cancelRequested() const override;
    void begin(int expectedSteps) override;
    void finish(const QString& summary) override;

    // Prints a line of the run's own (not a step), clearing the bar first.
    void note(std::FILE* stream, const QString& text);
    // Takes the bar off the terminal.
    void clearBar();

private:
    void drawBar();

    std::FILE* lines_;
    std::function<bool()> stopRequested_;
    bool barShown_ = false;
    bool barWanted_;
    QString name_;
    int steps_ = 0;
    int expected_ = 1;
};
