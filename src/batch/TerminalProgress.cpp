#include "batch/TerminalProgress.h"

#include "platform/Terminal.h"

#include <algorithm>

TerminalProgress::TerminalProgress(std::FILE* lines, std::function<QString()> stopReason,
                                   bool showBar)
    : lines_(lines), stopReason_(std::move(stopReason)), barWanted_(showBar) {}

TerminalProgress::~TerminalProgress() {
    clearBar();
}

bool TerminalProgress::isBarWanted() {
    return terminal::isTerminal(stderr);
}

void TerminalProgress::startPresentation(const QString& name) {
    name_ = name;
    steps_ = 0;
    expected_ = 1;
    slides_ = drawn_ = sent_ = 0;
    status_ = TransferStatus();
}

void TerminalProgress::setSlides(int slides) {
    slides_ = std::max(0, slides);
}

void TerminalProgress::Add(const QString& text) {
    // The slides are counted from the pipeline's own step lines: "Converting slide 3 to GIF"
    // and "FTPing slide 3" (not the headings "Converting slides..." and "FTPing slides...").
    if (text.startsWith(QLatin1String("Converting slide ")))
        ++drawn_;
    else if (text.startsWith(QLatin1String("FTPing slide ")))
        ++sent_;
    clearBar();
    terminal::write(lines_, text + QLatin1Char('\n'));
    ++steps_;
    drawBar();
}

bool TerminalProgress::cancelRequested() const {
    const QString reason = stopReason_ ? stopReason_() : QString();
    if (reason.isEmpty())
        return false;
    if (!stopSaid_) {
        stopSaid_ = true;
        const_cast<TerminalProgress*>(this)->note(
            lines_, QStringLiteral("Stopping (%1): cleaning up...").arg(reason));
    }
    return true;
}

void TerminalProgress::begin(int expectedSteps) {
    steps_ = 0;
    expected_ = std::max(1, expectedSteps);
    clock_.start();
    drawBar();
}

void TerminalProgress::showStatus(const TransferStatus& status) {
    // Drawn again only when something shown changed: the export reports several times a second.
    const bool changed =
        status.text != status_.text || int(status.done * 100) != int(status_.done * 100);
    status_ = status;
    if (changed) {
        clearBar();
        drawBar();
    }
}

void TerminalProgress::finish(const QString& summary) {
    note(lines_, summary);
}

void TerminalProgress::note(std::FILE* stream, const QString& text) {
    clearBar();
    terminal::write(stream, text + QLatin1Char('\n'));
}

void TerminalProgress::clearBar() {
    if (!barShown_)
        return;
    terminal::clearStatus();
    barShown_ = false;
}

void TerminalProgress::drawBar() {
    if (!barWanted_)
        return;
    terminal::showStatus(barText(terminal::columns(), clock_.isValid() ? clock_.elapsed() : 0));
    barShown_ = true;
}

QString TerminalProgress::barText(int columns, qint64 elapsedMs) const {
    // The share done, in thousandths: the transfer's status once it came, else the lines.
    const int done = status_.text.isEmpty() ? 1000 * std::min(steps_, expected_) / expected_
                                            : static_cast<int>(status_.done * 1000);
    QString count = QStringLiteral(" %1%").arg(done / 10, 3);
    if (!status_.text.isEmpty()) {
        count += QLatin1Char(' ') + status_.text;
    } else if (slides_ > 0) {
        // Each slide is drawn, then sent: the time left counts both.
        const bool sending = sent_ > 0;
        count +=
            QStringLiteral(" %1/%2").arg(std::min(sending ? sent_ : drawn_, slides_)).arg(slides_);
        const QString left =
            timeLeftText(elapsedMs, std::min(drawn_ + sent_, 2 * slides_), 2 * slides_);
        if (!left.isEmpty())
            count += QLatin1Char(' ') + left;
    }
    const int room = columns - 1 - static_cast<int>(count.size());
    // The bar takes at most 40 columns; the name gets what is left.
    const int width = std::clamp(room / 2, 10, 40);
    const int filled = width * done / 1000;
    QString bar = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                  QString(width - filled, QLatin1Char('-')) + QLatin1Char(']') + count;
    const int nameRoom = room - width - 3;
    const QString name = terminal::escapeControls(name_);
    if (nameRoom > 3)
        bar += QLatin1Char(' ') +
               (name.size() > nameRoom ? name.left(nameRoom - 1) + QChar(0x2026) : name);
    return bar;
}

QString timeLeftText(qint64 elapsedMs, int done, int total) {
    if (done <= 0 || total <= 0)
        return {};
    const qint64 seconds = (elapsedMs * std::max(0, total - done) / done + 500) / 1000;
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2")
            .arg(seconds / 60 % 60, seconds >= 3600 ? 2 : 1, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds >= 3600)
        return QStringLiteral("%1:%2 left").arg(seconds / 3600).arg(minutesAndSeconds);
    return minutesAndSeconds + QStringLiteral(" left");
}
