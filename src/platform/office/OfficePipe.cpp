#include "platform/office/OfficePipe.h"

#include "platform/Failure.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <unistd.h>

namespace office {

bool pipeInUse(const QString& pipe) {
    // Where the office's runtime puts the sockets of its named pipes.
    const QString name = QStringLiteral("OSL_PIPE_%1_%2").arg(::getuid()).arg(pipe);
    return QFileInfo::exists(QStringLiteral("/tmp/") + name) ||
           QFileInfo::exists(QStringLiteral("/var/tmp/") + name);
}

std::unique_ptr<Application> attachWaiting(const QString& pipe, int waitMs) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            if (auto found = Application::attach(pipe))
                return found;
        } catch (const Failure&) {
            // The connection could not be set up; starting an office tells why again, or works.
        }
        if (!pipeInUse(pipe) || waited.elapsed() >= waitMs)
            return nullptr;
        QThread::msleep(250);
    }
}

} // namespace office
