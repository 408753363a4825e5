#include "platform/ftp/TransferControlImpl.h"

#include "platform/ProgramSettings.h"
#include "platform/ftp/TransferHelpers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

// The operations over SSH. libcurl speaks SFTP; what differs from FTP is settled here: the
// account logs in by password or with the user's own keys (the SSH agent, or a key in ~/.ssh),
// the server's host key is checked against the one trusted for the host before anything of the
// login is sent, and the commands that change the server (mkdir, rmdir, rm, rename) are SFTP's.

namespace {

QString keyTypeName(int keyType) {
    switch (keyType) {
    case CURLKHTYPE_RSA:
    case CURLKHTYPE_RSA1:
        return QStringLiteral("RSA");
    case CURLKHTYPE_DSS:
        return QStringLiteral("DSA");
    case CURLKHTYPE_ECDSA:
        return QStringLiteral("ECDSA");
    case CURLKHTYPE_ED25519:
        return QStringLiteral("ED25519");
    default:
        return QStringLiteral("unknown");
    }
}

// The first of the user's usual private keys that exists, "" when none does.
QString userKeyFile() {
    const QDir ssh(QDir::home().filePath(QStringLiteral(".ssh")));
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        const QString path = ssh.filePath(QString::fromLatin1(name));
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace

void TransferControl::Impl::configureSsh() {
    certificateSeen = false;
    keyChangedFrom.clear();
    curl_easy_setopt(easy, CURLOPT_SSH_AUTH_TYPES,
                     static_cast<long>(CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_AGENT |
                                       CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
    const QString key = userKeyFile();
    if (!key.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_SSH_PRIVATE_KEYFILE, key.toLocal8Bit().constData());
        if (QFileInfo(key + QStringLiteral(".pub")).isFile())
            curl_easy_setopt(easy, CURLOPT_SSH_PUBLIC_KEYFILE,
                             (key + QStringLiteral(".pub")).toLocal8Bit().constData());
    }
    curl_easy_setopt(easy, CURLOPT_SSH_HOSTKEYFUNCTION, &Impl::hostKeyCallback);
    curl_easy_setopt(easy, CURLOPT_SSH_HOSTKEYDATA, this);
}

// Runs during the SSH handshake, before the login. Accepts exactly the key trusted for the
// host. An unknown key is recorded for the question (the operation fails, and starts again
// once the user trusts it); another key than the trusted one is refused outright.
int TransferControl::Impl::hostKeyCallback(void* userp, int keyType, const char* key, size_t size) {
    auto* self = static_cast<Impl*>(userp);
    self->heard = true;
    self->noteActivity();
    const QByteArray blob(key, static_cast<qsizetype>(size));
    const QString fingerprint =
        QStringLiteral("SHA256:") +
        QString::fromLatin1(QCryptographicHash::hash(blob, QCryptographicHash::Sha256)
                                .toBase64(QByteArray::OmitTrailingEquals));
    const QString trusted = TransferControl::trustedHostKey(self->host);
    if (!trusted.isEmpty() && trusted == fingerprint)
        return CURLKHMATCH_OK;
    CertificateInfo& c = self->seen;
    c = {};
    c.host = self->host.toLower();
    c.fingerprint = fingerprint;
    c.subject = keyTypeName(keyType);
    c.hostKey = true;
    if (!trusted.isEmpty()) {
        self->keyChangedFrom = trusted;
        return CURLKHMATCH_MISMATCH;
    }
    c.reason = QStringLiteral("the server's key is not known yet");
    self->certificateSeen = size > 0;
    return CURLKHMATCH_MISMATCH;
}

QByteArray TransferControl::Impl::sftpCommand(const char* verb, const RemotePath& path) {
    return QByteArray(verb) + ' ' + sftpCommandPath(path);
}

// SFTP's rename does not replace a file (OpenSSH refuses it), so the file of that name goes
// first; the real name is missing only between the two commands.
curl_slist* TransferControl::Impl::sftpRenameCommands() const {
    RemotePath target = splitRemote(op.remote);
    RemotePath temp = target;
    temp.last = QString::fromUtf8(tempName());
    curl_slist* commands = curl_slist_append(nullptr, sftpCommand("*rm", target).constData());
    return curl_slist_append(
        commands, ("rename " + sftpCommandPath(temp) + ' ' + sftpCommandPath(target)).constData());
}

QString TransferControl::trustedHostKey(const QString& host) {
    return programSettings::trustedHostKey.read(host);
}

void TransferControl::rememberHostKey(const QString& host, const QString& fingerprint) {
    programSettings::trustedHostKey.write(host, fingerprint);
}
