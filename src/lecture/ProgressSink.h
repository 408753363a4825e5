#pragma once

#include <QString>

// Where a transfer reports its steps, one line each: the progress window, the batch command's
// terminal, or a list in tests.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Add(const QString& text) = 0;
    // True once the user asked to stop the transfer; it then stops at its next step.
    virtual bool cancelRequested() const { return false; }
    // The transfer starts, expecting about this many Add calls.
    virtual void begin(int expectedSteps) { (void)expectedSteps; }
    // The transfer has ended well; the summary says where the lecture went.
    virtual void finish(const QString& summary) { (void)summary; }
};
