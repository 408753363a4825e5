#pragma once

#include "support/TestFtpServer.h"

// A real local Lumora server reached over SFTP: OpenSSH's daemon (Debian's openssh-server),
// started as "/usr/sbin/sshd -D -e -f <own config>" on a free loopback port with a host key of
// its own, serving only SFTP (internal-sftp) to one test account.
//
// The account is a system user of its own ("sfsftp" and random letters, with a random password
// set by chpasswd and the temporary home root()), created at the first start and deleted again
// with the server; one left behind by a test that crashed is deleted by the next start. Creating
// it needs root, as running sshd does: not root, start() fails with a message that says so. The
// served tree and every file the test writes belong to the account.
class SshServer : public TestFtpServer {
public:
    explicit SshServer(const Options& options = Options{});
    ~SshServer() override;

    bool start() override;
    // Ends the daemon and every session it started (which a daemon's end leaves running), so
    // that the clients' connections break as with the FTP servers.
    void stop() override;
    QString url() const override { return QStringLiteral("SFTP://") + host(); }
    QString server() const override { return QStringLiteral("sftp://") + host(); }
    bool writeFile(const QString& relativePath, const QByteArray& data) const override;
    bool makeDir(const QString& relativePath) const override;

    // A new host key for the next start: the same host then shows another key.
    bool newHostKey();
    // The host key's SHA-256 fingerprint as OpenSSH shows it ("SHA256:<base64>").
    QString hostKeyFingerprint() const;
    // Lets the account log in with the key pair whose public key is publicKeyFile.
    bool authorize(const QString& publicKeyFile);

    QString logPath() const { return dir_.path() + QStringLiteral("/sshd.log"); }

private:
    bool createAccount();
    bool giveToAccount() const; // the whole home, after root wrote into it
    bool launch(bool& portInUse);
    QString hostKeyPath() const { return dir_.path() + QStringLiteral("/host_key"); }

    QString account_; // the system user, "" until created
};
