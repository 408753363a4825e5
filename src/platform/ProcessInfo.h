#pragma once

#include <QString>

// About the processes of this machine.
namespace processInfo {

// This machine's host name, as it names itself.
QString machineName();

// This process's id.
qint64 currentProcess();

// True while a process with that id runs on this machine.
bool isRunning(qint64 pid);

} // namespace processInfo
