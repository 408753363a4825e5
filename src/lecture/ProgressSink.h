#pragma once

#include "lecture/TransferStatus.h"

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

    // Counts, below the lines: `done` of the transfer's `slides` slides are converted...
    virtual void slidesConverted(int done, int slides) { (void)done, (void)slides; }
    // ... and the upload, `bytesTotal` bytes in all, has sent `bytesSent` of them and is at
    // slide `slide` (1 to the transfer's slides; 0 while sending files other than slides).
    virtual void bytesSent(int slide, qint64 bytesSent, qint64 bytesTotal) {
        (void)slide, (void)bytesSent, (void)bytesTotal;
    }
    // The status made from those counts, to be shown.
    virtual void showStatus(const TransferStatus& status) { (void)status; }
};
