#pragma once

#include <QString>
#include <functional>

class QObject;

// SIGINT, SIGTERM and SIGHUP ask the program to stop, as a scheduler, a closed terminal or
// Ctrl-C do. The first one is only recorded, so that the program stops at its next step and
// cleans up as every end does; a second one ends the program at once, as the signal would.
// The handler does nothing but set a flag and write one byte to a pipe (both safe inside a
// signal handler); the pipe brings the signal into the Qt event loop.
namespace stopSignals {

// Installs the handlers. Call once, early in main: a signal from then on is kept until the
// event loop takes it.
void install();

// The first signal that asked the program to stop, or 0. Safe on any thread.
int received();

// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
QString name(int signal);

// The exit status of a program that `signal` stopped: 128 + its number, as the shell reports a
// program the signal ended.
int exitStatus(int signal);

// Calls onStop(signal) from the event loop of the calling thread once a signal arrived (also
// one that arrived before this call), once. Needs the application object; the notifier lives
// as long as `context`.
void whenReceived(QObject* context, std::function<void(int signal)> onStop);

} // namespace stopSignals
