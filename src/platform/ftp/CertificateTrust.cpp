#include "platform/ftp/TransferControlImpl.h"

#include "platform/ProgramSettings.h"
#include "platform/ftp/TransferHelpers.h"

#include <QCryptographicHash>
#include <openssl/bio.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

// Encryption of the transfers and the trust given to server certificates: the certificate is
// checked during the handshake, before anything of the login is sent; one that does not verify
// is put to the user, and trust given is remembered with the program's settings.

namespace {

// SHA-256 of the certificate's DER form, "AB:CD:..".
QString fingerprintOf(X509* cert) {
    const int size = i2d_X509(cert, nullptr);
    if (size <= 0)
        return {};
    QByteArray der(size, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(der.data());
    if (i2d_X509(cert, &out) != size)
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex(':').toUpper());
}

template <typename Print> QString bioText(Print print) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio)
        return {};
    print(bio);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QString text = size > 0 ? QString::fromUtf8(data, static_cast<qsizetype>(size)) : QString();
    BIO_free(bio);
    return text;
}

QString nameText(const X509_NAME* name) {
    return bioText([name](BIO* bio) {
        X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    });
}

QString timeText(const ASN1_TIME* time) {
    return bioText([time](BIO* bio) { ASN1_TIME_print(bio, time); });
}

// The name the certificate must carry: the URL's host without port and brackets.
void expectHost(X509_VERIFY_PARAM* param, const QString& hostPort) {
    const QByteArray ascii = hostNameOf(hostPort).toLatin1();
    if (X509_VERIFY_PARAM_set1_ip_asc(param, ascii.constData()) != 1)
        X509_VERIFY_PARAM_set1_host(param, ascii.constData(), static_cast<size_t>(ascii.size()));
}

} // namespace

// Use TLS when the server offers it (it must, once it logged in encrypted or a certificate was
// trusted for the host, and when the user never sends the password unencrypted),
// and let certificateCallback decide about the server's certificate.
void TransferControl::Impl::configureTls() {
    certificateSeen = false;
    pinned = TransferControl::trustedFingerprint(host);
    if (!pinned.isEmpty())
        tlsDemand = QStringLiteral("The server no longer offers an encrypted connection, although "
                                   "its certificate was trusted; the login was not sent");
    else if (TransferControl::encryptedBefore(host))
        tlsDemand = QStringLiteral("The server no longer offers an encrypted connection, although "
                                   "it logged in encrypted before; the login was not sent");
    else if (q->RequireEncryption)
        tlsDemand = QStringLiteral("The server does not offer an encrypted connection, and the "
                                   "password is never to be sent unencrypted; the login was not "
                                   "sent");
    else
        tlsDemand.clear();
    curl_easy_setopt(easy, CURLOPT_USE_SSL,
                     static_cast<long>(tlsDemand.isEmpty() ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(easy, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    curl_easy_setopt(easy, CURLOPT_FTP_SSL_CCC, static_cast<long>(CURLFTPSSL_CCC_NONE));
    if (!caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.toLocal8Bit().constData());
    const bool hooked =
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &Impl::sslContextCallback) == CURLE_OK;
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, this);
    // For a trusted certificate curl's own check would refuse it; certificateCallback then
    // accepts exactly that certificate, or one that verifies, during the handshake.
    const bool ownCheck = hooked && !pinned.isEmpty();
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, ownCheck ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, ownCheck ? 0L : 2L);
}

CURLcode TransferControl::Impl::sslContextCallback(CURL*, void* sslContext, void* userp) {
    auto* context = static_cast<SSL_CTX*>(sslContext);
    // The callback's verdict ends a handshake even where curl's own check is off.
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_cert_verify_callback(context, &Impl::certificateCallback, userp);
    return CURLE_OK;
}

// Runs in the handshake, before anything of the login is sent. Accepts the certificate
// trusted for the host, or one that verifies against the authorities and names the host;
// otherwise records it for the question and fails the handshake.
int TransferControl::Impl::certificateCallback(X509_STORE_CTX* store, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    if (!leaf)
        return 0;
    const QString fingerprint = fingerprintOf(leaf);
    if (!self->pinned.isEmpty() && fingerprint == self->pinned) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    expectHost(X509_STORE_CTX_get0_param(store), self->host);
    if (X509_verify_cert(store) == 1)
        return 1;
    CertificateInfo& c = self->seen;
    c.host = self->host.toLower();
    c.fingerprint = fingerprint;
    c.reason = QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)));
    c.subject = nameText(X509_get_subject_name(leaf));
    c.issuer = nameText(X509_get_issuer_name(leaf));
    c.validUntil = timeText(X509_get0_notAfter(leaf));
    c.trustedBefore = self->pinned;
    self->certificateSeen = !fingerprint.isEmpty();
    return 0;
}

// Puts the question from the event loop (not from inside curl's processing); the operation
// stays busy until it is answered. Trusted: the operation starts again on a new connection
// that accepts this certificate. Refused: the operation ends in error.
void TransferControl::Impl::askAboutCertificate() {
    asking = true;
    const quint64 serial = ++questions;
    const CertificateInfo question = seen;
    QMetaObject::invokeMethod(
        q,
        [this, question, serial] {
            if (!asking || serial != questions)
                return; // the session was closed before the question was put
            const bool trusted = q->askTrust && q->askTrust(question);
            if (!asking || serial != questions)
                return; // the session was closed while the question was open
            asking = false;
            if (trusted) {
                if (question.hostKey)
                    TransferControl::rememberHostKey(question.host, question.fingerprint);
                else
                    TransferControl::rememberTrust(question.host, question.fingerprint);
                if (start(true))
                    return;
            } else {
                userRefused = true;
                discardLocalFiles();
                describe(CURLE_PEER_FAILED_VERIFICATION);
            }
            endOperation();
        },
        Qt::QueuedConnection);
}

void TransferControl::Impl::noteLogin() {
    if (!loginSent) {
        // A new connection (every one begins with AUTH) that was refused before the login
        // sent nothing in clear.
        if (authSent)
            loggedInClear = encrypted = false;
        return;
    }
    loggedInClear = !loginEncrypted;
    encrypted = loginEncrypted && loginDone;
    if (loginDone && loginEncrypted && !TransferControl::encryptedBefore(host))
        programSettings::encryptedLogin.write(host, QStringLiteral("1"));
    if (loginDone && !loginEncrypted && !sftp && programSettings::clearLogin.read(host).isEmpty())
        programSettings::clearLogin.write(host, QStringLiteral("1"));
}

bool TransferControl::loggedInClearBefore(const QString& server) {
    if (isSftpUrl(server))
        return false;
    const QString host = hostFromUrl(urlOf(server));
    // A host that has logged in encrypted since is never again logged in to in clear text.
    return programSettings::clearLogin.read(host) == QLatin1String("1") && !encryptedBefore(host);
}

bool TransferControl::encryptedBefore(const QString& host) {
    return programSettings::encryptedLogin.read(host) == QLatin1String("1");
}

QString TransferControl::trustedFingerprint(const QString& host) {
    return programSettings::trustedCertificate.read(host);
}

void TransferControl::rememberTrust(const QString& host, const QString& fingerprint) {
    programSettings::trustedCertificate.write(host, fingerprint);
}
