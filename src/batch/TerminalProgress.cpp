#include "batch/TerminalProgress.h"

#include "platform/Terminal.h"

#include <algorithm>

namespace {
void put(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}
} // namespace

TerminalProgress::TerminalProgress(std::FILE* lines, std::function<bool()> stopRequested)
    : lines_(lines), stopRequested_(std::move(stopRequested)),
      barWanted_(terminal::isTerminal(stderr)) {}

TerminalProgress::~TerminalProgress() {
    clearBar();
}

void TerminalProgress::startPresentation(const QString& name) {
    name_ = name;
    steps_ = 0;
    expected_ = 1;
}

void TerminalProgress::Add(const QString& text) {
    clearBar();
    put(lines_, text + QLatin1Char('\n'));
    std::fflush(lines_);
    ++steps_;
    drawBar();
}

bool TerminalProgress::cancelRequested() const {
    return stopRequested_ && stopRequested_();
}

void TerminalProgress::begin(int expectedSteps) {
    steps_ = 0;
    expected_ = std::max(1, expectedSteps);
    drawBar();
}

void TerminalProgress::finish(const QString& summary) {
    note(lines_, summary);
}

void TerminalProgress::note(std::FILE* stream, const QString& text) {
    clearBar();
    put(stream, text + QLatin1Char('\n'));
    std::fflush(stream);
}

void TerminalProgress::clearBar() {
    if (!barShown_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    barShown_ = false;
}

void TerminalProgress::drawBar() {
    if (!barWanted_)
        return;
    const int done = std::min(steps_, expected_);
    const QString count = QStringLiteral(" %1%").arg(100 * done / expected_, 3);
    const int room = terminal::columns() - 1 - static_cast<int>(count.size());
    // The bar takes at most 40 columns; the name gets what is left.
    const int width = std::clamp(room / 2, 10, 40);
    const int filled = width * done / expected_;
    QString bar = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                  QString(width - filled, QLatin1Char('-')) + QLatin1Char(']') + count;
    const int nameRoom = room - width - 3;
    if (nameRoom > 3)
        bar += QLatin1Char(' ') +
               (name_.size() > nameRoom ? name_.left(nameRoom - 1) + QChar(0x2026) : name_);
    std::fputs(("\r\033[K" + bar).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    barShown_ = true;
}
