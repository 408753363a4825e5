#include "TlsServer.h"

#include <QFile>
#include <QFileInfo>

namespace {
// "req" arguments for a new prime256v1 key without a pass phrase.
QStringList newKey(const QString& subject, const QString& keyFile) {
    return {"-newkey", "ec",      "-pkeyopt", "ec_paramgen_curve:prime256v1",
            "-nodes",  "-days",   "2",        "-subj",
            subject,   "-keyout", keyFile};
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
    return openssl(QStringList{"req", "-x509", "-out", authorityFile()} +
                   newKey("/CN=Lumora Test Authority", dir_.filePath("authority.key")));
}

bool TestCertificates::make(const QString& name, const QString& subjectAltName, bool selfSigned,
                            Pair& out) {
    out.cert = dir_.filePath(name + ".pem");
    out.key = dir_.filePath(name + ".key");
    QStringList args = QStringList{"req",  "-x509", "-addext", "subjectAltName=" + subjectAltName,
                                   "-out", out.cert} +
                       newKey("/CN=" + name, out.key);
    if (!selfSigned)
        args << "-CA" << authorityFile() << "-CAkey" << dir_.filePath("authority.key");
    return openssl(args);
}

QString TestCertificates::fingerprint(const QString& certFile) {
    QByteArray output;
    if (!openssl({"x509", "-in", certFile, "-noout", "-fingerprint", "-sha256"}, &output))
        return {};
    // "sha256 Fingerprint=AB:CD:..."
    return QString::fromLatin1(output.mid(output.indexOf('=') + 1).trimmed()).toUpper();
}

bool TlsServer::start() {
    options_.extraArguments = QStringList{"--command-log", logFile()};
    if (!certificate.cert.isEmpty())
        options_.extraArguments << "--tls-cert" << certificate.cert << "--tls-key"
                                << certificate.key;
    return LumoraServer::start();
}

QList<TlsServer::Command> TlsServer::commands() const {
    QList<Command> result;
    QFile log(logFile());
    if (!log.open(QIODevice::ReadOnly) || !log.seek(logOffset_))
        return result;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 4) // "<session> <command> tls=<0|1> prot=<0|1>"
            result.append(
                {QString::fromLatin1(parts[1]), parts[2] == "tls=1", parts[3] == "prot=1"});
    }
    return result;
}

bool TlsServer::loggedInEncrypted() const {
    bool pass = false;
    for (const Command& c : commands()) {
        if (c.name != "AUTH" && !c.tls)
            return false;
        if ((c.name == "RETR" || c.name == "NLST" || c.name == "STOR") && !c.prot)
            return false;
        pass = pass || c.name == "PASS";
    }
    return pass;
}

void TlsServer::clearLog() {
    // The server keeps the log open, so the part read so far is skipped rather than removed.
    logOffset_ = QFileInfo(logFile()).size();
}
