// Uploads the same set of files to a local Lumora server four ways and prints files/second:
// through the program's channel (ModuleFtp::ftpExecute, one kept connection; as a slide goes,
// to a new name with its size checked, and as a replaced file goes, through a temporary name),
// with one curl process per file, and with one curl process sending every file over one
// connection. SF_TEST_FTP_SERVER=proftpd or vsftpd runs it against those servers. Then the same
// files over SFTP to a private OpenSSH server (run as root): the channel, and curl with one
// connection. Also
// prints the processor time the program used during its own uploads, to show that waiting
// for the server costs nothing.
#include "platform/Failure.h"
#include "platform/SettingsStore.h"
#include "server/LectureDirectory.h"
#include "server/ModuleFtp.h"
#include "support/SshServer.h"
#include "support/TestFtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Result {
    QString name;
    double seconds = 0;
    double cpu = 0; // processor seconds used (our process, or the curl processes)
    bool ok = false;
};

bool runCurl(const QStringList& args) {
    QProcess curl;
    curl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    curl.start(QStringLiteral("curl"), args);
    return curl.waitForFinished(600000) && curl.exitStatus() == QProcess::NormalExit &&
           curl.exitCode() == 0;
}

// True when the server directory holds every file with the right size.
bool allArrived(const TestFtpServer& server, const QString& dir, const QStringList& names,
                qint64 size) {
    for (const QString& name : names)
        if (QFileInfo(server.root() + "/lumora/bench/" + dir + "/" + name).size() != size)
            return false;
    return true;
}

// Appending to a lecture that holds 40,000 images: the seconds until the program refuses it
// (its slides are counted from one listing), or -1 when it was not refused.
double timeHugeLectureRefusal(const TestFtpServer& server) {
    const QString lecture = QStringLiteral("lumora/classes/bench/Mar.5.2026.1/");
    server.makeDir(lecture);
    for (int i = 1; i <= 40000; ++i) {
        QFile f(server.root() + "/" + lecture + QStringLiteral("Slide%1.gif").arg(i));
        if (!f.open(QIODevice::WriteOnly))
            return -1;
    }
    TransferControl inet;
    LectureRecord fields;
    fields.host = server.host();
    fields.corvaneId = server.user();
    fields.corvanePassword = server.password();
    fields.className = QStringLiteral("bench");
    fields.month = QStringLiteral("Mar");
    fields.day = QStringLiteral("5");
    fields.year = QStringLiteral("2026");
    ModuleFtp ftp(inet, fields);
    ftp.askLectureExists = [](const ExistingLecture&) { return LectureExistsChoice::AppendSlides; };
    QElapsedTimer t;
    t.start();
    try {
        bool append = false;
        if (!ftp.ftpConnect())
            return -1;
        ftpFindLecture(ftp, append);
    } catch (const Failure& f) {
        if (f.description().contains(QLatin1String("40000")))
            return static_cast<double>(t.nsecsElapsed()) / 1e9;
    }
    return -1;
}

// Uploads every file through the program's channel into lumora/bench/<dir>: a slide's way (a
// name the lecture does not hold, stored directly, its size checked), or a replaced file's way
// (a temporary name, the size checked, renamed).
Result measureChannel(const TestFtpServer& server, const QString& localDir,
                      const QStringList& names, qint64 fileSize, const QString& dir, bool replacing,
                      const QString& label) {
    server.makeDir(QStringLiteral("lumora/bench/") + dir);
    TransferControl inet;
    // The bench's own SSH server: its key is trusted as a user would.
    inet.askTrust = [](const CertificateInfo& c) { return c.hostKey; };
    LectureRecord fields;
    fields.host = server.server();
    fields.corvaneId = server.user();
    fields.corvanePassword = server.password();
    ModuleFtp ftp(inet, fields);
    Result r{label};
    if (!ftp.ftpConnect())
        return r;
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    bool allOk = true;
    for (const QString& name : names) {
        const QString from = localDir + "/" + name;
        const QString to = "~/lumora/bench/" + dir + "/" + name;
        ftp.ftpExecute(replacing ? FtpOperation::put(from, to) : FtpOperation::putNew(from, to));
        allOk = allOk && inet.ResponseCode() == 0;
    }
    r.seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    r.cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    r.ok = allOk && allArrived(server, dir, names, fileSize);
    return r;
}

// curl, one process and one connection for all files, to base + dir.
Result measureCurlOne(const TestFtpServer& server, const QString& localDir,
                      const QStringList& names, qint64 fileSize, const QString& base,
                      const QString& dir, const QStringList& extra, const QString& label) {
    server.makeDir(QStringLiteral("lumora/bench/") + dir);
    Result r{label};
    QStringList paths;
    for (const QString& name : names)
        paths << localDir + "/" + name;
    const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    const bool allOk =
        runCurl(QStringList{"-sS", "--user", server.user() + ":" + server.password()} + extra +
                QStringList{"-T", "{" + paths.join(",") + "}", base + dir + "/"});
    r.seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    r.cpu = cpuSeconds(RUSAGE_CHILDREN) - cpu0;
    r.ok = allOk && allArrived(server, dir, names, fileSize);
    return r;
}

// The same files to a private OpenSSH server over SFTP: the channel both ways, and curl with one
// connection. Nothing when that server cannot start here (it needs root).
QList<Result> measureSftp(const QString& localDir, const QStringList& names, qint64 fileSize) {
    SshServer server;
    if (!server.start()) {
        std::fprintf(stderr, "no SFTP rows: %s\n", qPrintable(server.error()));
        return {};
    }
    const QString base = QStringLiteral("sftp://%1/~/lumora/bench/").arg(server.host());
    // A warm-up, as for FTP.
    measureCurlOne(server, localDir, names.mid(0, 50), fileSize, base, "warm-up", {"--insecure"},
                   {});
    return {measureChannel(server, localDir, names, fileSize, "ours", false,
                           QStringLiteral("SFTP: ftpExecute, putNew")),
            measureChannel(server, localDir, names, fileSize, "ours-replacing", true,
                           QStringLiteral("SFTP: ftpExecute, put (temp. name)")),
            measureCurlOne(server, localDir, names, fileSize, base, "curl-one", {"--insecure"},
                           QStringLiteral("SFTP: curl, one process, one conn."))};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int fileCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const qint64 fileSize = 50 * 1024;

    // SF_TEST_FTP_SERVER picks the server as in the tests: pyftpdlib (default), proftpd, vsftpd.
    const std::unique_ptr<TestFtpServer> running = selectedFtpServer();
    TestFtpServer& server = *running;
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return 1;
    }
    QTemporaryDir local;
    QStringList names;
    QByteArray data(fileSize, Qt::Uninitialized);
    for (int i = 1; i <= fileCount; ++i) {
        for (char& c : data)
            c = static_cast<char>(QRandomGenerator::global()->bounded(256));
        const QString name = QStringLiteral("Slide%1.gif").arg(i);
        QFile f(local.path() + "/" + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != fileSize)
            return 1;
        names << name;
    }
    server.makeDir(QStringLiteral("lumora/bench/curl-each"));
    const QString base = QStringLiteral("ftp://%1/lumora/bench/").arg(server.host());
    const QString userPass = server.user() + ":" + server.password();
    QList<Result> results;
    // What the runs remember (the SFTP server's host key) goes to a store of the bench's own.
    QTemporaryDir settings;
    settingsStore::useDirectory(settings.path());

    // A first round that is not measured: the server's and the file system's start-up costs
    // would otherwise fall on whichever way is measured first.
    {
        server.makeDir(QStringLiteral("lumora/bench/warm-up"));
        for (const QString& name : names.mid(0, 50))
            runCurl(
                {"-sS", "--user", userPass, "-T", local.path() + "/" + name, base + "warm-up/"});
    }
    // The program's channel, as a slide goes and as a replaced file goes.
    results << measureChannel(server, local.path(), names, fileSize, "ours", false,
                              QStringLiteral("ftpExecute, putNew (one connection)"));
    results << measureChannel(server, local.path(), names, fileSize, "ours-replacing", true,
                              QStringLiteral("ftpExecute, put (temporary name)"));
    // curl, one process per file.
    {
        Result r{QStringLiteral("curl, one process per file")};
        const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
        QElapsedTimer t;
        t.start();
        bool allOk = true;
        for (const QString& name : names)
            allOk = runCurl({"-sS", "--user", userPass, "-T", local.path() + "/" + name,
                             base + "curl-each/"}) &&
                    allOk;
        r.seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
        r.cpu = cpuSeconds(RUSAGE_CHILDREN) - cpu0;
        r.ok = allOk && allArrived(server, "curl-each", names, fileSize);
        results << r;
    }
    // curl, one process and one connection for all files.
    results << measureCurlOne(server, local.path(), names, fileSize, base, "curl-one", {},
                              QStringLiteral("curl, one process, one connection"));
    const double hugeLectureSeconds = timeHugeLectureRefusal(server);
    server.stop();
    const QList<Result> sftp = measureSftp(local.path(), names, fileSize);
    results << sftp;

    QTextStream out(stdout);
    out << QStringLiteral("%1 files of %2 KB to a local server\n")
               .arg(fileCount)
               .arg(fileSize / 1024);
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg("method", -40)
               .arg("seconds", 9)
               .arg("files/s", 9)
               .arg("CPU s", 8)
               .arg("ok", 4);
    for (const Result& r : results)
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(r.name, -40)
                   .arg(r.seconds, 9, 'f', 2)
                   .arg(fileCount / r.seconds, 9, 'f', 1)
                   .arg(r.cpu, 8, 'f', 2)
                   .arg(r.ok ? "yes" : "NO", 4);
    const double ratio = (fileCount / results[0].seconds) / (fileCount / results[3].seconds);
    out << QStringLiteral("channel / one-connection curl: %1x (goal >= 0.7x)\n")
               .arg(ratio, 0, 'f', 2);
    out << QStringLiteral(
               "CPU used by the program while waiting for its %1 uploads: %2 s of %3 s\n")
               .arg(fileCount)
               .arg(results[0].cpu, 0, 'f', 2)
               .arg(results[0].seconds, 0, 'f', 2);
    out << QStringLiteral("a lecture of 40,000 images refused in %1 s (goal < 10 s)\n")
               .arg(hugeLectureSeconds, 0, 'f', 2);
    if (sftp.size() == 3)
        out << QStringLiteral("SFTP channel / one-connection curl over SFTP: %1x\n")
                   .arg(sftp[2].seconds / sftp[0].seconds, 0, 'f', 2);
    bool allOk = hugeLectureSeconds >= 0;
    for (const Result& r : results)
        allOk = allOk && r.ok;
    return allOk ? 0 : 1;
}
