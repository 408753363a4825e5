#pragma once

#include <QString>

// Where the transfer reports its steps, one line each: the progress window, or a list in tests.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Add(const QString& text) = 0;
    // True once the user asked to stop the transfer; it then stops at its next step.
    virtual bool cancelRequested() const { return false; }
};
