#include "platform/PrivateFolder.h"

#include "platform/FileSystem.h"
#include "platform/ProcessInfo.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace {

// "slide-ferry-<machine>-<process>-": the folders of one program run.
QString prefixOf(const QString& machine, qint64 pid) {
    return QStringLiteral("slide-ferry-%1-%2-").arg(machine).arg(pid);
}

// Removes the folders that runs of this machine left when they were killed outright: those of
// this user whose process has ended. A folder of another machine's run is never touched.
void removeAbandoned(const QString& parent) {
    const QString machine = processInfo::machineName();
    const QString mine = QStringLiteral("slide-ferry-%1-").arg(machine);
    const QFileInfoList found = QDir(parent).entryInfoList(
        {mine + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& folder : found) {
        const QString rest = folder.fileName().mid(mine.size());
        const qint64 pid = rest.section(QLatin1Char('-'), 0, 0).toLongLong();
        if (pid <= 0 || processInfo::isRunning(pid) || folder.isSymLink() ||
            folder.ownerId() != ::getuid())
            continue;
        QDir(folder.filePath()).removeRecursively();
    }
}

} // namespace

// QTemporaryDir creates the folder with mkdtemp(): a fresh name, mode 0700, never an existing
// folder or a link that someone placed there.
PrivateFolder::PrivateFolder(const QString& parent) {
    removeAbandoned(parent);
    dir_ = std::make_unique<QTemporaryDir>(fileSystem::joinPath(
        parent, prefixOf(processInfo::machineName(), processInfo::currentProcess()) +
                    QStringLiteral("XXXXXX")));
}
