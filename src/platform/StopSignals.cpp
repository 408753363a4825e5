#include "platform/StopSignals.h"

#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace stopSignals {
namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t firstSignal = 0;
// The self-pipe: the handler writes to [1], the event loop reads [0]. Close-on-exec, so that no
// child process (the office) holds it.
int wakeUp[2] = {-1, -1};

void onSignal(int signal) {
    const int savedErrno = errno;
    if (firstSignal != 0) {
        // Asked twice: end at once. The signal is blocked while this handler runs, so the raised
        // one takes its default action as soon as the handler returns.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    } else {
        firstSignal = signal;
        const char byte = static_cast<char>(signal);
        if (wakeUp[1] >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
        }
    }
    errno = savedErrno;
}
} // namespace

void install() {
    if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        wakeUp[0] = wakeUp[1] = -1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // One handler at a time, and the program's own system calls go on undisturbed.
    for (const int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

int received() {
    return firstSignal;
}

QString name(int signal) {
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

int exitStatus(int signal) {
    return 128 + signal;
}

void whenReceived(QObject* context, std::function<void(int signal)> onStop) {
    if (wakeUp[0] < 0)
        return;
    auto* notifier =
        new QSocketNotifier(static_cast<qintptr>(wakeUp[0]), QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, onStop = std::move(onStop)] {
                         char bytes[16];
                         while (::read(wakeUp[0], bytes, sizeof bytes) > 0) {
                         }
                         // Only the first signal is written to the pipe: one call.
                         notifier->setEnabled(false);
                         onStop(firstSignal);
                     });
}

} // namespace stopSignals
