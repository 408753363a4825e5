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

// Ctrl-C at the prompt must not leave the user's terminal without echo.
void restoreEchoAndExit(int signal) {
    restoreEcho();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
} // namespace

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
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
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    if (tcgetattr(STDIN_FILENO, &savedMode) != 0)
        return false;
    struct termios quiet = savedMode;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    const auto previousInt = std::signal(SIGINT, restoreEchoAndExit);
    const auto previousTerm = std::signal(SIGTERM, restoreEchoAndExit);
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
    std::fputc('\n', stderr);
    secret = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
    return complete;
}

} // namespace terminal
