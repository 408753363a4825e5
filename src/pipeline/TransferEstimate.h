#pragma once

#include "lecture/TransferStatus.h"

// One estimate for a whole transfer, learnt from the work as it is done: the export's time per
// slide from the slides converted so far, the upload's rate from the bytes sent so far. The
// time left is the export's slides left at that pace plus the upload's bytes left at its rate;
// until the upload has sent something its time is guessed at a share of the export's. The share
// done (the bar) is the working time so far against that time plus the time left, and never
// goes back. Times are in milliseconds since the transfer began, given by the caller.
class TransferEstimate {
public:
    explicit TransferEstimate(int slides);

    // `done` slides of the transfer are converted (the first call marks the export's start).
    void converted(int done, qint64 ms);
    // The upload has sent `bytesSent` of `bytesTotal` bytes and is at `slide` (0: not a slide;
    // the first call marks the upload's start).
    void sent(int slide, qint64 bytesSent, qint64 bytesTotal, qint64 ms);

    TransferStatus status(qint64 ms);

    // The upload's time before it is measured, as a share of the export's whole time.
    static constexpr double guessedUploadShare = 0.1;

private:
    qint64 msLeft(qint64 ms) const; // -1 while unknown

    int slides_;
    int converted_ = 0;
    qint64 exportStart_ = -1; // when the export began, -1 before
    qint64 lastConverted_ = -1;
    qint64 uploadStart_ = -1; // when the upload began, -1 before
    qint64 lastSent_ = -1;    // when the bytes last moved
    int slideSent_ = 0;
    qint64 bytesSent_ = 0;
    qint64 bytesTotal_ = 0;
    double done_ = 0;
};
