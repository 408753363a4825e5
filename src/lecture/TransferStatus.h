#pragma once

#include <QString>

// How far a whole transfer has come, for a front end to show as it is: the slide being worked
// on, the bytes of the upload, the share of the work done and the line that says it all
// ("Slide 12 of 68 · 3.1 of 12 MB sent · about 20 s left"). Made by the pipeline's estimate.
struct TransferStatus {
    int slide = 0;         // the slide being converted or sent, 1 to slides
    int slides = 0;        // the slides of the transfer
    qint64 bytesSent = 0;  // of the upload
    qint64 bytesTotal = 0; // 0 until the upload's size is known
    double done = 0;       // share of the whole transfer's work done, 0 to 1
    int secondsLeft = -1;  // -1 while unknown
    QString text;          // the status line
};
