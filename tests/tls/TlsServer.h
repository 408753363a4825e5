#pragma once

#include "support/LumoraServer.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Certificates made for the tests with the openssl command line: a test authority, server
// certificates it signed, and self-signed ones. Each is a PEM certificate file plus key file.
class TestCertificates {
public:
    struct Pair {
        QString cert, key;
    };

    // Creates the authority; false with error() when openssl fails.
    bool create();
    QString authorityFile() const { return dir_.filePath(QStringLiteral("authority.pem")); }
    // A certificate for subjectAltName (e.g. "IP:127.0.0.1"), signed by the authority, or
    // self-signed when selfSigned is true. name is the files' base name.
    bool make(const QString& name, const QString& subjectAltName, bool selfSigned, Pair& out);
    // SHA-256 fingerprint as openssl prints it, "AB:CD:..".
    QString fingerprint(const QString& certFile);
    QString error() const { return error_; }

private:
    bool openssl(const QStringList& args, QByteArray* output = nullptr);
    QTemporaryDir dir_;
    QString error_;
};

// tools/lumora_server.py offering TLS with a given certificate (or plain FTP without one), and
// logging every command it receives with the connection's encryption state.
class TlsServer : public LumoraServer {
public:
    struct Command {
        QString name; // "AUTH", "USER", ...
        bool tls = false;
        bool prot = false;
    };

    // The certificate the next start() offers; an empty one gives a server without TLS. Started
    // again, the server keeps its port and tree, so a client sees the same host with another
    // certificate.
    TestCertificates::Pair certificate;
    bool start() override;

    // The commands received since the last clearLog().
    QList<Command> commands() const;
    // True when the log holds a login (PASS), every command after AUTH came encrypted and every
    // listing or transfer ran over a protected data connection.
    bool loggedInEncrypted() const;
    void clearLog();

private:
    QString logFile() const { return dir_.filePath(QStringLiteral("commands.log")); }
    qint64 logOffset_ = 0;
};
