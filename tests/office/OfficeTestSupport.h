#pragma once

// Helpers shared by the office tests: copies of the test presentations, the office's process,
// and a progress list.

#include "lecture/ProgressSink.h"
#include "support/TestEnv.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

namespace officeTest {

// The hand-written presentations of this folder.
inline QString localDataDir() {
    return QStringLiteral(SF_OFFICE_TESTDATA_DIR);
}

// Copies a test presentation (from the shared test data, or from this folder's data when it
// is there) into dir, writable, and returns the copy's path.
inline QString copyPresentation(const QTemporaryDir& dir, const QString& name) {
    QString source = localDataDir() + QLatin1Char('/') + name;
    if (!QFileInfo::exists(source))
        source = testEnv::presentationsDir() + QLatin1Char('/') + name;
    const QString target = dir.filePath(name);
    QFile::remove(target);
    if (!QFile::copy(source, target))
        return {};
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    return target;
}

// The process ids of the offices listening on the given pipe, and of its helper offices (on
// pipe_2, pipe_3, ...); not those of the shells that guard them.
inline QList<qint64> officeProcesses(const QString& pipe) {
    QList<qint64> found;
    const QRegularExpression wanted("^--accept=pipe,name=" + QRegularExpression::escape(pipe) +
                                    "(_[0-9]+)?;");
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toLongLong() <= 0 || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        // The office itself, not the shell that guards it.
        if (args.first() == "/bin/sh")
            continue;
        for (const QByteArray& arg : args)
            if (wanted.match(QString::fromUtf8(arg)).hasMatch()) {
                found.append(entry.toLongLong());
                break;
            }
    }
    return found;
}

// True while an office process listens on the given pipe.
inline bool officeRunningOn(const QString& pipe) {
    return !officeProcesses(pipe).isEmpty();
}

class RecordingProgress : public ProgressSink {
public:
    QStringList lines;
    void Add(const QString& text) override { lines.append(text); }
};

} // namespace officeTest
