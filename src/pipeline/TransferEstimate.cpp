#include "pipeline/TransferEstimate.h"

#include <algorithm>
#include <cmath>

namespace {
const QString kSeparator = QStringLiteral(" \u00b7 ");

// A size in the unit `unit` bytes: one decimal below ten, whole above; a plain 0 for nothing.
QString amount(qint64 bytes, double unit) {
    const double value = double(bytes) / unit;
    if (bytes == 0)
        return QStringLiteral("0");
    return value < 10 ? QString::number(value, 'f', 1) : QString::number(qRound64(value));
}
// "3.1 of 12 MB sent", "40 of 120 KB sent".
QString bytesSentText(qint64 sent, qint64 total) {
    const double megabyte = 1024.0 * 1024.0;
    const bool large = total >= 1024 * 1024;
    const double unit = large ? megabyte : 1024.0;
    return QStringLiteral("%1 of %2 %3 sent")
        .arg(amount(sent, unit), amount(total, unit),
             large ? QStringLiteral("MB") : QStringLiteral("KB"));
}

// "about 20 s left", "about 3 min left"; "" for no time.
QString timeLeftText(int seconds) {
    if (seconds <= 0)
        return {};
    if (seconds < 60) {
        // Rounded to five seconds above ten: a count that jumps by one each update reads as
        // more precise than it is.
        const int shown = seconds <= 10 ? seconds : (seconds + 4) / 5 * 5;
        return shown < 60 ? QStringLiteral("about %1 s left").arg(shown)
                          : QStringLiteral("about 1 min left");
    }
    return QStringLiteral("about %1 min left").arg((seconds + 30) / 60);
}
} // namespace

TransferEstimate::TransferEstimate(int slides) : slides_(std::max(0, slides)) {}

void TransferEstimate::converted(int done, qint64 ms) {
    if (exportStart_ < 0)
        exportStart_ = lastConverted_ = ms;
    done = std::clamp(done, 0, slides_);
    if (done > converted_) {
        converted_ = done;
        lastConverted_ = ms;
    }
}

void TransferEstimate::sent(int slide, qint64 bytesSent, qint64 bytesTotal, qint64 ms) {
    if (uploadStart_ < 0) {
        uploadStart_ = lastSent_ = ms;
        // Whatever the export's calls said, it is over once the upload begins.
        converted_ = slides_;
        if (exportStart_ < 0)
            exportStart_ = lastConverted_ = ms;
    }
    if (slide > 0)
        slideSent_ = std::min(slide, slides_);
    bytesTotal_ = std::max<qint64>(0, bytesTotal);
    bytesSent = std::clamp<qint64>(bytesSent, 0, bytesTotal_);
    if (bytesSent > bytesSent_) {
        bytesSent_ = bytesSent;
        lastSent_ = ms;
    }
}

qint64 TransferEstimate::msLeft(qint64 ms) const {
    if (exportStart_ < 0 || converted_ == 0)
        return -1;
    // The export's pace, and its whole time at that pace.
    const double perSlide = double(lastConverted_ - exportStart_) / converted_;
    const double exportMs = perSlide * slides_;
    double left = 0;
    if (converted_ < slides_)
        left += std::max(0.0, perSlide * (slides_ - converted_) - double(ms - lastConverted_));
    if (uploadStart_ >= 0 && bytesSent_ > 0 && lastSent_ > uploadStart_) {
        const double rate = double(bytesSent_) / double(lastSent_ - uploadStart_);
        left += std::max(0.0, double(bytesTotal_ - bytesSent_) / rate - double(ms - lastSent_));
    } else if (bytesTotal_ == 0 || bytesSent_ < bytesTotal_) {
        const double guess = exportMs * guessedUploadShare;
        left += std::max(0.0, guess - double(uploadStart_ >= 0 ? ms - uploadStart_ : 0));
    }
    return qint64(left);
}

TransferStatus TransferEstimate::status(qint64 ms) {
    TransferStatus s;
    s.slides = slides_;
    s.slide = uploadStart_ >= 0 ? std::max(1, slideSent_) : std::min(converted_ + 1, slides_);
    s.bytesSent = bytesSent_;
    s.bytesTotal = bytesTotal_;
    const qint64 left = msLeft(ms);
    if (left >= 0) {
        s.secondsLeft = int((left + 999) / 1000);
        const double working = double(std::max<qint64>(0, ms - exportStart_));
        const double share = working + double(left) > 0 ? working / (working + double(left)) : 1.0;
        done_ = std::max(done_, std::min(1.0, share));
    }
    s.done = done_;

    s.text = QStringLiteral("Slide %1 of %2").arg(s.slide).arg(s.slides);
    if (s.bytesTotal > 0)
        s.text += kSeparator + bytesSentText(s.bytesSent, s.bytesTotal);
    const QString time = timeLeftText(s.secondsLeft);
    if (!time.isEmpty())
        s.text += kSeparator + time;
    return s;
}
