#include "TlsServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {
const QStringList kNewKey{QStringLiteral("-newkey"), QStringLiteral("ec"),
                          QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

// Starts a Python tool that prints "PORT <n>" once it listens; returns the port, or 0 with
// error set.
int startPython(QProcess& process, const QStringList& args, QString& error) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!process.waitForStarted(15000)) {
        error = QStringLiteral("Cannot start %1: %2").arg(args.value(0), process.errorString());
        return 0;
    }
    QByteArray out;
    const QDeadlineTimer deadline(20000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (!process.waitForReadyRead(
                static_cast<int>(std::max<qint64>(1, deadline.remainingTime()))) &&
            process.state() != QProcess::Running)
            break;
        out += process.readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    bool ok = false;
    const int port = line.startsWith("PORT ") ? line.mid(5).toInt(&ok) : 0;
    if (!ok || port <= 0 || port > 65535) {
        error = QStringLiteral("%1 did not start (output: \"%2\")")
                    .arg(args.value(0), QString::fromUtf8(out));
        return 0;
    }
    return port;
}

void stopProcess(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}
} // namespace

bool TestCertificates::openssl(const QStringList& args, QByteArray* output) {
    QProcess p;
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(60000) ||
        p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error_ = QStringLiteral("openssl %1 failed: %2 %3")
                     .arg(args.join(QLatin1Char(' ')), p.errorString(),
                          QString::fromLocal8Bit(p.readAllStandardError()));
        return false;
    }
    if (output)
        *output = p.readAllStandardOutput();
    return true;
}

bool TestCertificates::create() {
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary directory");
        return false;
    }
    return openssl(
        QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
        << kNewKey
        << QStringList{QStringLiteral("-subj"), QStringLiteral("/CN=Lumora Test Authority"),
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-keyout"),
                       dir_.filePath("authority.key"), QStringLiteral("-out"), authorityFile()});
}

bool TestCertificates::make(const QString& name, const QString& subjectAltName, bool selfSigned,
                            Pair& out) {
    out.cert = dir_.filePath(name + QStringLiteral(".pem"));
    out.key = dir_.filePath(name + QStringLiteral(".key"));
    const QString subject = QStringLiteral("/CN=") + name;
    if (selfSigned)
        return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                       << kNewKey
                       << QStringList{QStringLiteral("-subj"), subject, QStringLiteral("-addext"),
                                      QStringLiteral("subjectAltName=") + subjectAltName,
                                      QStringLiteral("-days"), QStringLiteral("2"),
                                      QStringLiteral("-keyout"), out.key, QStringLiteral("-out"),
                                      out.cert});
    const QString request = dir_.filePath(name + QStringLiteral(".csr"));
    const QString extensions = dir_.filePath(name + QStringLiteral(".ext"));
    QFile ext(extensions);
    if (!ext.open(QIODevice::WriteOnly) ||
        ext.write("subjectAltName=" + subjectAltName.toLatin1() + "\n") < 0)
        return false;
    ext.close();
    return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")}
                   << kNewKey
                   << QStringList{QStringLiteral("-subj"), subject, QStringLiteral("-keyout"),
                                  out.key, QStringLiteral("-out"), request}) &&
           openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), request,
                    QStringLiteral("-CA"), authorityFile(), QStringLiteral("-CAkey"),
                    dir_.filePath("authority.key"), QStringLiteral("-set_serial"),
                    QString::number(QRandomGenerator::global()->bounded(1, 1 << 30)),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                    extensions, QStringLiteral("-out"), out.cert});
}

QString TestCertificates::fingerprint(const QString& certFile) {
    QByteArray output;
    if (!openssl({QStringLiteral("x509"), QStringLiteral("-in"), certFile, QStringLiteral("-noout"),
                  QStringLiteral("-fingerprint"), QStringLiteral("-sha256")},
                 &output))
        return {};
    // "sha256 Fingerprint=AB:CD:..."
    return QString::fromLatin1(output.mid(output.indexOf('=') + 1).trimmed()).toUpper();
}

TlsServer::TlsServer() = default;

TlsServer::~TlsServer() {
    stop();
}

bool TlsServer::start(const TestCertificates::Pair& certificate) {
    stop();
    QStringList args{testEnv::toolsDir() + QStringLiteral("/lumora_server.py"),
                     QStringLiteral("--root"),
                     root(),
                     QStringLiteral("--user"),
                     user(),
                     QStringLiteral("--password"),
                     password(),
                     QStringLiteral("--port"),
                     QString::number(port_),
                     QStringLiteral("--command-log"),
                     dir_.filePath(QStringLiteral("commands.log")),
                     QStringLiteral("--exit-on-stdin-eof")};
    if (!certificate.cert.isEmpty())
        args << QStringLiteral("--tls-cert") << certificate.cert << QStringLiteral("--tls-key")
             << certificate.key;
    process_ = std::make_unique<QProcess>();
    const int port = startPython(*process_, args, error_);
    if (port == 0) {
        stop();
        return false;
    }
    port_ = static_cast<quint16>(port);
    return true;
}

void TlsServer::stop() {
    stopProcess(process_);
}

QString TlsServer::host() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QList<TlsServer::Command> TlsServer::commands() const {
    QList<Command> result;
    QFile log(dir_.filePath(QStringLiteral("commands.log")));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(logOffset_))
        return result;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 4)
            continue;
        result.append({parts[0].toInt(), QString::fromLatin1(parts[1]), parts[2] == "tls=1",
                       parts[3] == "prot=1"});
    }
    return result;
}

void TlsServer::clearLog() {
    // The server keeps the log open, so the part read so far is skipped rather than removed.
    logOffset_ = QFileInfo(dir_.filePath(QStringLiteral("commands.log"))).size();
}

WireRecorder::WireRecorder() = default;

WireRecorder::~WireRecorder() {
    stopProcess(process_);
}

bool WireRecorder::start(const QString& targetHost) {
    stopProcess(process_);
    process_ = std::make_unique<QProcess>();
    const int port = startPython(*process_,
                                 {QStringLiteral(SF_TLS_TEST_DIR "/wire_recorder.py"), targetHost,
                                  dir_.filePath(QStringLiteral("wire.bin"))},
                                 error_);
    if (port == 0) {
        stopProcess(process_);
        return false;
    }
    port_ = static_cast<quint16>(port);
    return true;
}

QString WireRecorder::host() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QByteArray WireRecorder::clientBytes() const {
    QFile f(dir_.filePath(QStringLiteral("wire.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
