#include "platform/ftp/TransferControl.h"

#include "platform/Failure.h"
#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cctype>

// curl_multi_socket_all() is needed below; it is marked deprecated but is still supported.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>
#include <openssl/bio.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

// libcurl's multi interface runs inside the Qt event loop: curl tells us which sockets to watch
// (socket callback -> QSocketNotifier) and when to call it back (timer callback -> QTimer); we
// hand the events back with curl_multi_socket_action. One easy handle is reused for every
// operation, so the multi handle's connection cache keeps the control connection open between
// operations.

namespace {

constexpr int kStillExecuting = 35764;              // error number of a busy component
constexpr qsizetype kMaxListing = 16 * 1024 * 1024; // a listing larger than this is refused

void initCurlOnce() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// "FTP://host[:port]" -> "host[:port]"; throws Failure for anything else.
QString hostFromUrl(const QString& url) {
    static const QLatin1StringView scheme("ftp://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        throw Failure(
            QStringLiteral("The server address \"%1\" does not begin with FTP://").arg(url));
    QString host = url.mid(scheme.size());
    if (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    if (host.isEmpty())
        throw Failure(QStringLiteral("No server host name was given"));
    static const QRegularExpression form(QStringLiteral(
        R"(^(?:[A-Za-z0-9_](?:[A-Za-z0-9_-]*[A-Za-z0-9_])?(?:\.[A-Za-z0-9_](?:[A-Za-z0-9_-]*[A-Za-z0-9_])?)*\.?)"
        R"(|\[[0-9A-Fa-f:.]+\])(?::([0-9]{1,5}))?$)"));
    const QRegularExpressionMatch m = form.match(host);
    bool portOk = true;
    if (m.hasMatch() && m.hasCaptured(1)) {
        const int port = m.captured(1).toInt();
        portOk = port >= 1 && port <= 65535;
    }
    if (!m.hasMatch() || !portOk)
        // The message names the server after the reason; it is not repeated here.
        throw Failure(QStringLiteral("The server host name is not valid (letters, digits, "
                                     "hyphens and dots, optionally followed by :port)"));
    return host;
}

// A server path split into directory names and a last component.
struct RemotePath {
    bool absolute = false;
    QStringList dirs;
    QString last; // empty when the path ends with "/" or names the login directory
};

RemotePath splitRemote(const QString& path) {
    RemotePath r;
    QString p = path;
    if (p == QLatin1String("~"))
        p.clear();
    else if (p.startsWith(QLatin1String("~/")))
        p = p.mid(2);
    else if (p.startsWith(QLatin1Char('/'))) {
        r.absolute = true;
        p = p.mid(1);
    }
    QStringList parts = p.split(QLatin1Char('/'));
    r.last = parts.takeLast();
    for (const QString& part : parts)
        if (!part.isEmpty())
            r.dirs.append(part);
    return r;
}

// The URL of a directory ("ftp://host/a/b/"), each name percent-encoded so that blanks, "#",
// "?" and ";" stay part of the name.
QByteArray dirUrl(const QString& host, const RemotePath& path) {
    QByteArray url = "ftp://" + host.toUtf8() + "/";
    if (path.absolute)
        url += "%2F";
    for (const QString& dir : path.dirs)
        url += QUrl::toPercentEncoding(dir) + "/";
    return url;
}

// Shell-style match of "*" (any run) and "?" (one character); everything else literal.
bool globMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// ---- certificates ----------------------------------------------------------------------------

// Trust given to a certificate is kept with the program's settings, per host[:port].
QString trustKey(const QString& host) {
    return QStringLiteral("TrustedCertificate/") + host.toLower();
}

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
    QString name = hostPort;
    if (name.startsWith(QLatin1Char('['))) {
        name = name.mid(1, name.indexOf(QLatin1Char(']')) - 1);
    } else {
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0)
            name.truncate(colon);
        if (name.endsWith(QLatin1Char('.')))
            name.chop(1);
    }
    const QByteArray ascii = name.toLatin1();
    if (X509_VERIFY_PARAM_set1_ip_asc(param, ascii.constData()) != 1)
        X509_VERIFY_PARAM_set1_host(param, ascii.constData(), static_cast<size_t>(ascii.size()));
}

struct SocketWatch {
    QSocketNotifier* read = nullptr;
    QSocketNotifier* write = nullptr;
};

} // namespace

struct TransferControl::Impl {
    TransferControl* q;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    QTimer timer;
    QList<SocketWatch*> watches;
    quint64 watchChanges = 0; // counts every change of the sockets curl wants watched

    int connectMs = 15000;
    int stallMs = 30000;

    bool running = false; // the easy handle is in the multi handle
    int pendingEnds = 0;  // end states queued but not yet reported
    FtpOperation op;
    QString host;
    bool retried = false;
    curl_slist* postQuote = nullptr;
    curl_slist* preQuote = nullptr;

    int code = 0;
    QString info;
    QString listing;
    qsizetype chunkPos = 0;

    QByteArray received; // listing data
    QString listPattern; // last component of a listing
    QSaveFile* download = nullptr;
    QFile* upload = nullptr;
    QString localError;   // set when a local file fails during the transfer
    QByteArray lastReply; // the server's last reply line
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // Encryption of the current operation.
    QString caFile = qEnvironmentVariable("SF_FTP_CA_FILE");
    QString pinned;               // fingerprint trusted earlier for the host, "" when none
    bool certificateSeen = false; // a certificate failed verification during this attempt
    CertificateInfo seen;         // ... this one
    bool askedTrust = false;      // the user was asked during this operation
    bool userRefused = false;     // ... and refused the certificate
    bool asking = false;          // the question is open
    quint64 questions = 0;        // counts the questions, so a stale one is never answered

    explicit Impl(TransferControl* owner) : q(owner) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, q, [this] { onTimeout(); });
    }

    ~Impl() {
        closeSession();
        if (easy)
            curl_easy_cleanup(easy);
    }

    void ensureHandles() {
        initCurlOnce();
        if (!multi) {
            multi = curl_multi_init();
            curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Impl::socketCallback);
            curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
            curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Impl::timerCallback);
            curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
        }
        if (!easy)
            easy = curl_easy_init();
        if (!multi || !easy)
            throw Failure(QStringLiteral("The FTP transfer component could not be initialised"));
    }

    // ---- event loop integration -----------------------------------------------------------

    static int socketCallback(CURL*, curl_socket_t s, int what, void* userp, void* socketp) {
        auto* self = static_cast<Impl*>(userp);
        auto* watch = static_cast<SocketWatch*>(socketp);
        if (what == CURL_POLL_REMOVE) {
            if (watch)
                self->dropWatch(watch);
            return 0;
        }
        if (!watch) {
            watch = new SocketWatch;
            watch->read = new QSocketNotifier(s, QSocketNotifier::Read);
            watch->write = new QSocketNotifier(s, QSocketNotifier::Write);
            watch->read->setEnabled(false);
            watch->write->setEnabled(false);
            QObject::connect(watch->read, &QSocketNotifier::activated, self->q,
                             [self, s] { self->onSocket(s, CURL_CSELECT_IN); });
            QObject::connect(watch->write, &QSocketNotifier::activated, self->q,
                             [self, s] { self->onSocket(s, CURL_CSELECT_OUT); });
            self->watches.append(watch);
            curl_multi_assign(self->multi, s, watch);
        }
        const bool wantRead = (what & CURL_POLL_IN) != 0;
        const bool wantWrite = (what & CURL_POLL_OUT) != 0;
        if (watch->read->isEnabled() != wantRead || watch->write->isEnabled() != wantWrite)
            ++self->watchChanges;
        watch->read->setEnabled(wantRead);
        watch->write->setEnabled(wantWrite);
        return 0;
    }

    static int timerCallback(CURLM*, long timeoutMs, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        if (timeoutMs < 0)
            self->timer.stop();
        else
            self->timer.start(static_cast<int>(std::min(timeoutMs, 24L * 3600 * 1000)));
        return 0;
    }

    void dropWatch(SocketWatch* watch) {
        ++watchChanges;
        watch->read->setEnabled(false);
        watch->write->setEnabled(false);
        watch->read->deleteLater();
        watch->write->deleteLater();
        watches.removeOne(watch);
        delete watch;
    }

    void dropAllWatches() {
        while (!watches.isEmpty())
            dropWatch(watches.first());
    }

    void onSocket(curl_socket_t s, int flags) {
        int stillRunning = 0;
        curl_multi_socket_action(multi, s, flags, &stillRunning);
        checkDone();
        keepGoing();
    }

    void onTimeout() {
        if (!multi)
            return;
        int stillRunning = 0;
        curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &stillRunning);
        checkDone();
        keepGoing();
    }

    // libcurl (7.88) sometimes moves an FTP transfer to its next step without asking to be
    // called again: when the server's passive-mode reply arrives together with the command's
    // own processing, the data connection is never started and the transfer would sit until
    // its time-out. So after each event the transfer is run again as long as that changes
    // the sockets it waits for; when it only waits, nothing changes and the loop stops.
    void keepGoing() {
        for (int round = 0; round < 16 && running; ++round) {
            const quint64 before = watchChanges;
            int stillRunning = 0;
            curl_multi_socket_all(multi, &stillRunning);
            checkDone();
            if (watchChanges == before)
                break;
        }
    }

    void checkDone() {
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy && running) {
                const CURLcode result = msg->data.result;
                curl_multi_remove_handle(multi, easy);
                running = false;
                finish(result);
                return;
            }
        }
    }

    // ---- encryption ------------------------------------------------------------------------

    // Use TLS when the server offers it (it must, once a certificate was trusted for the host),
    // and let certificateCallback decide about the server's certificate.
    void configureTls() {
        certificateSeen = false;
        pinned = TransferControl::trustedFingerprint(host);
        curl_easy_setopt(easy, CURLOPT_USE_SSL,
                         static_cast<long>(pinned.isEmpty() ? CURLUSESSL_TRY : CURLUSESSL_ALL));
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

    static CURLcode sslContextCallback(CURL*, void* sslContext, void* userp) {
        auto* context = static_cast<SSL_CTX*>(sslContext);
        // The callback's verdict ends a handshake even where curl's own check is off.
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_cert_verify_callback(context, &Impl::certificateCallback, userp);
        return CURLE_OK;
    }

    // Runs in the handshake, before anything of the login is sent. Accepts the certificate
    // trusted for the host, or one that verifies against the authorities and names the host;
    // otherwise records it for the question and fails the handshake.
    static int certificateCallback(X509_STORE_CTX* store, void* arg) {
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
        c.reason =
            QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)));
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
    void askAboutCertificate() {
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

    // ---- callbacks of one transfer ----------------------------------------------------------

    static size_t writeCallback(char* data, size_t size, size_t count, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        const size_t bytes = size * count;
        if (self->download) {
            if (self->download->write(data, static_cast<qint64>(bytes)) !=
                static_cast<qint64>(bytes)) {
                self->localError = QStringLiteral("Cannot write the local file \"%1\" (%2)")
                                       .arg(self->op.local, self->download->errorString());
                return 0;
            }
            return bytes;
        }
        if (self->received.size() + static_cast<qsizetype>(bytes) > kMaxListing) {
            self->localError = QStringLiteral("The server's listing is too large");
            return 0;
        }
        self->received.append(data, static_cast<qsizetype>(bytes));
        return bytes;
    }

    static size_t readCallback(char* buffer, size_t size, size_t count, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        if (!self->upload)
            return 0;
        const qint64 n = self->upload->read(buffer, static_cast<qint64>(size * count));
        if (n < 0) {
            self->localError = QStringLiteral("Cannot read the local file \"%1\" (%2)")
                                   .arg(self->op.local, self->upload->errorString());
            return CURL_READFUNC_ABORT;
        }
        return static_cast<size_t>(n);
    }

    static size_t headerCallback(char* data, size_t size, size_t count, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        const size_t bytes = size * count;
        const QByteArray line = QByteArray(data, static_cast<qsizetype>(bytes)).trimmed();
        if (line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])))
            self->lastReply = line.left(300);
        return bytes;
    }

    // ---- running an operation ---------------------------------------------------------------

    // Prepares the easy handle and local files for op and adds it to the multi handle. Returns
    // false (with code and info set) when the operation fails before reaching the server.
    bool start(bool freshConnection) {
        received.clear();
        localError.clear();
        lastReply.clear();
        errorBuffer[0] = '\0';
        curl_slist_free_all(postQuote);
        postQuote = nullptr;
        curl_slist_free_all(preQuote);
        preQuote = nullptr;

        curl_easy_reset(easy);
        const RemotePath path = splitRemote(op.remote);
        QByteArray url = dirUrl(host, path);
        switch (op.kind) {
        case FtpOperation::Kind::List:
            listPattern = path.last;
            curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
            break;
        case FtpOperation::Kind::ChangeDir:
            if (!path.last.isEmpty())
                url += QUrl::toPercentEncoding(path.last) + "/";
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
            break;
        case FtpOperation::Kind::MakeDir: {
            // The directory is created from inside its parent, so the name needs no path.
            RemotePath parent = path;
            QString name = parent.last;
            if (name.isEmpty() && !parent.dirs.isEmpty())
                name = parent.dirs.takeLast();
            if (name.isEmpty())
                return failLocal(ServerRefused, QStringLiteral("No directory name was given"));
            url = dirUrl(host, parent);
            postQuote = curl_slist_append(nullptr, ("MKD " + name.toUtf8()).constData());
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTQUOTE, postQuote);
            break;
        }
        case FtpOperation::Kind::Get:
            url += QUrl::toPercentEncoding(path.last);
            delete download;
            download = new QSaveFile(op.local);
            download->setDirectWriteFallback(false);
            if (!download->open(QIODevice::WriteOnly))
                return failLocal(OtherFailure,
                                 QStringLiteral("Cannot create the local file \"%1\" (%2)")
                                     .arg(op.local, download->errorString()));
            break;
        case FtpOperation::Kind::Put: {
            // The file is stored under a temporary name and renamed over its real name only
            // once it has arrived whole: a transfer cut short never leaves a partial file in
            // place of the server's earlier one (a lecture's slide text, say).
            const QByteArray temp = "." + path.last.toUtf8() + ".part";
            url += QUrl::toPercentEncoding(QString::fromUtf8(temp));
            postQuote = curl_slist_append(nullptr, "RNFR " + temp);
            postQuote = curl_slist_append(postQuote, "RNTO " + path.last.toUtf8());
            curl_easy_setopt(easy, CURLOPT_POSTQUOTE, postQuote);
            delete upload;
            upload = new QFile(op.local);
            if (!upload->open(QIODevice::ReadOnly))
                return failLocal(OtherFailure,
                                 QStringLiteral("Cannot read the local file \"%1\" (%2)")
                                     .arg(op.local, upload->errorString()));
            curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Impl::readCallback);
            curl_easy_setopt(easy, CURLOPT_READDATA, this);
            curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE,
                             static_cast<curl_off_t>(upload->size()));
            break;
        }
        case FtpOperation::Kind::Close:
            break;
        }
        if (op.kind == FtpOperation::Kind::ChangeDir || op.kind == FtpOperation::Kind::MakeDir) {
            // Without a transfer, and in the directory the kept connection is already in, curl
            // would send no command before waiting and measure the reply time-out from the
            // connection's last exchange, so an idle connection would fail at once. A NOOP
            // first makes it a fresh exchange.
            preQuote = curl_slist_append(nullptr, "NOOP");
            curl_easy_setopt(easy, CURLOPT_QUOTE, preQuote);
        }

        const QByteArray user = q->UserName.toUtf8();
        const QByteArray password = q->Password.toUtf8();
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(easy, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::writeCallback);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::headerCallback);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs));
        const long stallSeconds = std::max(1L, static_cast<long>((stallMs + 999) / 1000));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallSeconds);
        curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stallSeconds);
        curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
        configureTls();
        if (qEnvironmentVariableIsSet("SF_FTP_TRACE"))
            curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
        if (freshConnection)
            curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);

        if (curl_multi_add_handle(multi, easy) != CURLM_OK)
            return failLocal(OtherFailure, QStringLiteral("The FTP transfer could not be started"));
        running = true;
        return true;
    }

    bool failLocal(int failureCode, const QString& description) {
        code = failureCode;
        info = description;
        discardLocalFiles();
        return false;
    }

    // A failed GET leaves no file at the local path, not even an older one.
    void discardLocalFiles() {
        if (download) {
            if (download->isOpen()) {
                download->cancelWriting();
                download->commit();
            }
            QFile::remove(op.local);
            delete download;
            download = nullptr;
        }
        delete upload;
        upload = nullptr;
    }

    static bool isConnectionLoss(CURLcode result) {
        return result == CURLE_SEND_ERROR || result == CURLE_RECV_ERROR ||
               result == CURLE_GOT_NOTHING || result == CURLE_FTP_WEIRD_SERVER_REPLY;
    }

    void finish(CURLcode result) {
        // A certificate that could not be verified is put to the user once per operation.
        if (result == CURLE_PEER_FAILED_VERIFICATION && certificateSeen && !askedTrust &&
            localError.isEmpty()) {
            askedTrust = true;
            askAboutCertificate();
            return;
        }
        long connects = 0;
        curl_easy_getinfo(easy, CURLINFO_NUM_CONNECTS, &connects);
        // A kept connection that the server dropped while idle: try once more on a new one.
        // Some servers (ProFTPD) announce the end with "421" before closing; the next
        // operation reads it as the reply to its first command, which was not carried out.
        const bool sessionEnded = lastReply.startsWith("421");
        if (result != CURLE_OK && localError.isEmpty() && !retried && connects == 0 &&
            ((isConnectionLoss(result) && op.kind != FtpOperation::Kind::MakeDir) ||
             sessionEnded)) {
            retried = true;
            if (upload)
                upload->seek(0);
            if (download) {
                download->cancelWriting();
                download->commit();
                delete download;
                download = nullptr;
            }
            if (start(true))
                return;
            endOperation();
            return;
        }

        if (result == CURLE_OK) {
            if (download && !download->commit()) {
                localError = QStringLiteral("Cannot write the local file \"%1\" (%2)")
                                 .arg(op.local, download->errorString());
                result = CURLE_WRITE_ERROR;
                QFile::remove(op.local);
            } else if (op.kind == FtpOperation::Kind::List) {
                buildListing();
            }
            delete download;
            download = nullptr;
            delete upload;
            upload = nullptr;
        } else {
            discardLocalFiles();
        }
        describe(result);
        endOperation();
    }

    // The names sorted by character code: servers send them in an order of their own (pyftpdlib
    // sorted, ProFTPD in directory order), and callers show them and read only the first
    // 1024 characters, so the order must not depend on the server.
    void buildListing() {
        const QList<QByteArray> lines = received.split('\n');
        QStringList names;
        for (QByteArray line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.isEmpty())
                continue;
            QString name = QString::fromUtf8(line);
            const qsizetype slash = name.lastIndexOf(QLatin1Char('/'), name.size() - 2);
            if (slash >= 0)
                name = name.mid(slash + 1);
            QString bare = name;
            if (bare.endsWith(QLatin1Char('/')))
                bare.chop(1);
            // Servers differ in listing "." and ".." and names beginning with "." (ProFTPD
            // with "ListOptions -a" lists them all, pyftpdlib the hidden names, a default
            // ProFTPD none). As in a shell, such a name is listed only for a pattern that
            // itself begins with ".", and "." and ".." never, so every server gives one answer.
            if (bare.isEmpty() || bare == QLatin1String(".") || bare == QLatin1String(".."))
                continue;
            if (bare.startsWith(QLatin1Char('.')) && !listPattern.startsWith(QLatin1Char('.')))
                continue;
            if (listPattern.isEmpty() || globMatch(listPattern, bare))
                names.append(name);
        }
        std::sort(names.begin(), names.end());
        for (const QString& name : std::as_const(names))
            listing += name + QStringLiteral("\r\n");
    }

    void describe(CURLcode result) {
        if (!localError.isEmpty()) {
            code = OtherFailure;
            info = localError;
            return;
        }
        if (result == CURLE_OK) {
            code = NoError;
            info.clear();
            return;
        }
        const QString reply = QString::fromUtf8(lastReply);
        QString detail = QString::fromUtf8(errorBuffer);
        if (detail.isEmpty())
            detail = QString::fromUtf8(curl_easy_strerror(result));
        const QString withReply = reply.isEmpty() ? detail : detail + QStringLiteral(": ") + reply;
        if (lastReply.startsWith("421")) {
            // The server closed the session (overloaded, shutting down or idle time-out).
            code = ConnectionLost;
            info = QStringLiteral("The server ended the session (%1)").arg(reply);
            return;
        }
        switch (result) {
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_QUOTE_ERROR:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_UPLOAD_FAILED:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_FTP_COULDNT_SET_TYPE:
        case CURLE_REMOTE_DISK_FULL:
        case CURLE_REMOTE_FILE_EXISTS:
        case CURLE_FTP_COULDNT_USE_REST:
            code = ServerRefused;
            info = QStringLiteral("The server refused %1 (%2)").arg(op.text(), withReply);
            break;
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_FTP_ACCEPT_TIMEOUT:
            code = Timeout;
            info = QStringLiteral("The server did not answer in time (%1)").arg(detail);
            break;
        case CURLE_COULDNT_CONNECT:
            code = CannotConnect;
            info = QStringLiteral("Cannot connect to the server (%1)").arg(detail);
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
            code = HostNotResolved;
            // curl's own text only names the host again, which the message shows anyway.
            info = QStringLiteral("The server name could not be resolved");
            break;
        case CURLE_LOGIN_DENIED:
            code = LoginRefused;
            info = QStringLiteral("The server refused the login (%1)").arg(withReply);
            break;
        case CURLE_PEER_FAILED_VERIFICATION:
            code = CertificateRefused;
            info = QStringLiteral("The server's certificate was not trusted (%1)")
                       .arg(certificateSeen ? seen.reason : detail);
            break;
        case CURLE_USE_SSL_FAILED:
            code = SecureChannelFailed;
            info = QStringLiteral("The server no longer offers an encrypted connection, although "
                                  "its certificate was trusted; the login was not sent (%1)")
                       .arg(withReply);
            break;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_SHUTDOWN_FAILED:
            code = SecureChannelFailed;
            info = QStringLiteral("The encrypted connection failed (%1)").arg(detail);
            break;
        default:
            if (isConnectionLoss(result) || result == CURLE_PARTIAL_FILE) {
                code = ConnectionLost;
                info = QStringLiteral("The connection to the server was lost (%1)").arg(detail);
            } else {
                code = OtherFailure;
                info = QStringLiteral("The FTP transfer failed (%1)").arg(withReply);
            }
            break;
        }
    }

    // Reports the end of the current operation later, from the event loop.
    // The outcome is captured now, so that each report carries its own operation's code.
    void endOperation() {
        const int endCode = code;
        const QString endInfo = info;
        ++pendingEnds;
        QMetaObject::invokeMethod(
            q,
            [this, endCode, endInfo] {
                --pendingEnds;
                code = endCode;
                info = endInfo;
                emit q->StateChanged(endCode == NoError ? icResponseCompleted : icError);
            },
            Qt::QueuedConnection);
    }

    bool busy() const { return running || pendingEnds > 0 || asking; }

    // Stops a running transfer and closes every kept connection (with QUIT).
    void closeSession() {
        if (running) {
            curl_multi_remove_handle(multi, easy);
            running = false;
        }
        discardLocalFiles();
        if (multi) {
            // The cleanup sends QUIT on every kept connection and waits for the answer as long
            // as the reply time-out of the handle added last. A stalled server must not hold
            // the window that long, so that time-out is cut to one second first.
            if (easy) {
                curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, 1L);
                if (curl_multi_add_handle(multi, easy) == CURLM_OK)
                    curl_multi_remove_handle(multi, easy);
            }
            curl_multi_cleanup(multi);
            multi = nullptr;
        }
        dropAllWatches();
        timer.stop();
        curl_slist_free_all(postQuote);
        postQuote = nullptr;
        curl_slist_free_all(preQuote);
        preQuote = nullptr;
    }
};

TransferControl::TransferControl(QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this)) {}

TransferControl::~TransferControl() = default;

void TransferControl::Execute(const QString& url, const FtpOperation& op) {
    if (op.kind == FtpOperation::Kind::Close) {
        if (d->running || d->asking) {
            // The operation still running is cut short; it still reports its own end first.
            d->asking = false;
            d->closeSession();
            d->code = ConnectionLost;
            d->info = QStringLiteral("The operation was stopped because the session was closed");
            d->endOperation();
        } else if (d->busy()) {
            throw Failure(QStringLiteral("Still executing last request"), kStillExecuting);
        }
        d->closeSession();
        d->op = op;
        d->listing.clear();
        d->chunkPos = 0;
        d->code = NoError;
        d->info.clear();
        d->endOperation();
        return;
    }
    if (d->busy())
        throw Failure(QStringLiteral("Still executing last request"), kStillExecuting);
    const QString host = hostFromUrl(url);
    if (hasControlCharacter(op.remote) || hasControlCharacter(op.local))
        throw Failure(QStringLiteral("The operation \"%1\" holds control characters")
                          .arg(op.text().simplified()));
    if (hasControlCharacter(UserName) || hasControlCharacter(Password))
        throw Failure(QStringLiteral("The FTP user name or password holds control characters"));
    if ((op.kind == FtpOperation::Kind::Get || op.kind == FtpOperation::Kind::Put) &&
        (op.local.isEmpty() || splitRemote(op.remote).last.isEmpty()))
        throw Failure(QStringLiteral("The operation \"%1\" needs a server file and a local file")
                          .arg(op.text()));
    d->ensureHandles();

    d->op = op;
    d->host = host;
    d->retried = false;
    d->askedTrust = false;
    d->userRefused = false;
    d->listing.clear();
    d->chunkPos = 0;
    d->code = NoError;
    d->info.clear();
    if (!d->start(false))
        d->endOperation();
}

bool TransferControl::certificateRefusedByUser() const {
    return d->userRefused;
}

int TransferControl::ResponseCode() const {
    return d->code;
}

QString TransferControl::ResponseInfo() const {
    return d->info;
}

QString TransferControl::GetChunk(int size) {
    if (size <= 0 || d->busy())
        return {};
    const QString part = d->listing.mid(d->chunkPos, size);
    d->chunkPos += part.size();
    return part;
}

bool TransferControl::StillExecuting() const {
    return d->busy();
}

void TransferControl::setCaFile(const QString& path) {
    d->caFile = path;
}

QString TransferControl::trustedFingerprint(const QString& host) {
    return settingsStore::read(QStringLiteral("Slide-Ferry"), QStringLiteral("Settings"),
                               trustKey(host), QString());
}

void TransferControl::rememberTrust(const QString& host, const QString& fingerprint) {
    settingsStore::write(QStringLiteral("Slide-Ferry"), QStringLiteral("Settings"), trustKey(host),
                         fingerprint);
}

void TransferControl::setTimeouts(int connectMs, int stallMs) {
    d->connectMs = std::max(1, connectMs);
    d->stallMs = std::max(1, stallMs);
}
