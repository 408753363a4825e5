#include "platform/Terminal.h"

#include <csignal>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace terminal {
namespace {
struct termios savedMode;
volatile std::sig_atomic_t echoOff = 0;

void restoreEcho() {
    if (echoOff)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedMode);
    echoOff = 0;
}

// Ctrl-C (or a closed terminal) at the prompt must not leave the user's terminal without echo.
void restoreEchoAndExit(int signal) {
    restoreEcho();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
} // namespace

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

QString escapeControls(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n' && u != u'\t') || u == 0x7F)
            shown += QStringLiteral("\\x%1").arg(static_cast<uint>(u), 2, 16, QLatin1Char('0'));
        else if ((u >= 0x80 && u <= 0x9F) || (u >= 0x202A && u <= 0x202E) ||
                 (u >= 0x2066 && u <= 0x2069))
            shown += QStringLiteral("\\u%1").arg(static_cast<uint>(u), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void write(std::FILE* stream, const QString& text) {
    std::fputs(escapeControls(text).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void showStatus(const QString& text) {
    std::fputs((QStringLiteral("\r\033[K") + escapeControls(text)).toLocal8Bit().constData(),
               stderr);
    std::fflush(stderr);
}

void clearStatus() {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

int columns() {
    struct winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

bool readSecret(const QString& prompt, QString& secret) {
    if (!isatty(STDIN_FILENO))
        return false;
    write(stderr, prompt);
    if (tcgetattr(STDIN_FILENO, &savedMode) != 0)
        return false;
    struct termios quiet = savedMode;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    const auto previousInt = std::signal(SIGINT, restoreEchoAndExit);
    const auto previousTerm = std::signal(SIGTERM, restoreEchoAndExit);
    const auto previousHup = std::signal(SIGHUP, restoreEchoAndExit);
    echoOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    std::string line;
    bool complete = false;
    for (int c = std::fgetc(stdin); c != EOF; c = std::fgetc(stdin)) {
        if (c == '\n') {
            complete = true;
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    restoreEcho();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    std::signal(SIGHUP, previousHup);
    std::fputc('\n', stderr);
    secret = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
    return complete;
}

} // namespace terminal
