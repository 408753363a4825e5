#include "platform/office/OfficeProfile.h"

#include "platform/office/Office.h"

#include "platform/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace office::profile {

namespace {

// The file in a kept profile that names the office version which made it.
const char* const versionFile = "slide-ferry-office-version";

// What identifies the installed office: its version file, or the program's size and time.
QByteArray officeVersion() {
    QFile versionrc(QStringLiteral(SF_OFFICE_PROGRAM_DIR "/versionrc"));
    if (versionrc.open(QIODevice::ReadOnly))
        return versionrc.readAll();
    const QFileInfo program(QStringLiteral(SF_OFFICE_PROGRAM_DIR "/soffice.bin"));
    return QByteArray::number(program.size()) + ' ' +
           QByteArray::number(program.lastModified().toMSecsSinceEpoch());
}

// True while a process runs with this profile (an office of another pipe, or one left behind).
bool heldByRunningProcess(const QString& dir) {
    const QByteArray wanted = "-env:UserInstallation=" + QUrl::fromLocalFile(dir).toEncoded();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        if (entry.toLongLong() <= 0)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().split('\0').contains(wanted))
            return true;
    }
    return false;
}

QString keptDir(const QString& pipe) {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString base =
        (cache.isEmpty() ? QDir::tempPath() : cache) + QStringLiteral("/slide-ferry/");
    // "office-profile" for the program's first office, "office-profile_2" ... for its helpers,
    // whichever run of the program they belong to (a profile that a running office holds is
    // not shared: the run takes a temporary one then).
    const QString program = pipeName();
    if (pipe.startsWith(program))
        return base + QStringLiteral("office-profile") + pipe.mid(program.size());
    return base + QStringLiteral("office-profile-") + pipe;
}

} // namespace

void reset(const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QFile stamp(dir + QLatin1Char('/') + QLatin1String(versionFile));
    if (stamp.open(QIODevice::WriteOnly))
        stamp.write(officeVersion());
}

Choice forPipe(const QString& pipe) {
    Choice choice;
    if (!qEnvironmentVariableIsSet("SF_TEST")) {
        const QString dir = keptDir(pipe);
        if (!heldByRunningProcess(dir)) {
            QFile stamp(dir + QLatin1Char('/') + QLatin1String(versionFile));
            if (!stamp.open(QIODevice::ReadOnly) || stamp.readAll() != officeVersion())
                reset(dir);
            if (QFileInfo(dir).isDir()) {
                choice.dir = dir;
                choice.kept = true;
                return choice;
            }
        }
    }
    choice.temporary =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/sf-office-XXXXXX"));
    if (!choice.temporary->isValid())
        throw OfficeFailure(QStringLiteral("Cannot create a profile directory for the office: ") +
                            choice.temporary->errorString());
    choice.dir = choice.temporary->path();
    return choice;
}

} // namespace office::profile
