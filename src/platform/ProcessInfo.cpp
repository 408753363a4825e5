#include "platform/ProcessInfo.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <cerrno>
#include <csignal>

namespace processInfo {

QString machineName() {
    return QSysInfo::machineHostName();
}

qint64 currentProcess() {
    return QCoreApplication::applicationPid();
}

bool isRunning(qint64 pid) {
    // Signal 0 only asks; EPERM means the process is there but another user's.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace processInfo
