#pragma once

#include "platform/office/Office.h"

#include <QString>
#include <memory>

namespace office {

// True while the socket of the pipe exists: an office listens on it, or one that ended left it.
bool pipeInUse(const QString& pipe);

// Attaches to the office listening on the pipe. One that is there but slow to answer (a busy
// machine) is waited for, up to `waitMs`: an office started beside it on the same pipe would
// reach it instead and later quit it as its own. Nothing when no office answers.
std::unique_ptr<Application> attachWaiting(const QString& pipe, int waitMs);

} // namespace office
