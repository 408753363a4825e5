#include "platform/ftp/TransferControlImpl.h"

#include "platform/ftp/TransferHelpers.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cstdio>

// One operation of the transfer component: the easy handle set up for it, the data and reply
// callbacks curl calls during the transfer, and the handling of its result.

namespace {

constexpr qsizetype kMaxListing = 16 * 1024 * 1024; // a listing larger than this is refused

} // namespace

size_t TransferControl::Impl::writeCallback(char* data, size_t size, size_t count, void* userp) {
    auto* self = static_cast<Impl*>(userp);
    const size_t bytes = size * count;
    self->noteActivity();
    self->dataMoved = true;
    if (self->download) {
        if (self->op.maxBytes >= 0 &&
            self->download->pos() + static_cast<qint64>(bytes) > self->op.maxBytes) {
            self->localError = QStringLiteral("The server's file %1 is larger than %2 bytes")
                                   .arg(self->op.remote)
                                   .arg(self->op.maxBytes);
            return 0;
        }
        if (self->download->write(data, static_cast<qint64>(bytes)) != static_cast<qint64>(bytes)) {
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

size_t TransferControl::Impl::readCallback(char* buffer, size_t size, size_t count, void* userp) {
    auto* self = static_cast<Impl*>(userp);
    if (!self->upload)
        return 0;
    const qint64 n = self->upload->read(buffer, static_cast<qint64>(size * count));
    if (n > 0) {
        self->noteActivity();
        self->dataMoved = true;
    }
    if (n < 0) {
        self->localError = QStringLiteral("Cannot read the local file \"%1\" (%2)")
                               .arg(self->op.local, self->upload->errorString());
        return CURL_READFUNC_ABORT;
    }
    return static_cast<size_t>(n);
}

size_t TransferControl::Impl::headerCallback(char* data, size_t size, size_t count, void* userp) {
    auto* self = static_cast<Impl*>(userp);
    const size_t bytes = size * count;
    self->noteActivity();
    self->heard = true;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(bytes)).trimmed();
    if (line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0]))) {
        self->lastReply = line.left(300);
        // "234" to AUTH: the connection turns to TLS (curl fails the operation if it cannot).
        if (self->lastCommand.startsWith("AUTH "))
            self->authAccepted = line.startsWith("234");
        if (self->loginSent && line.startsWith("230"))
            self->loginDone = true;
        // The size of a stored file decides before the file takes its name: a wrong one stops
        // the upload here, so the rename that would follow is never sent.
        if (self->op.kind == FtpOperation::Kind::Put && self->lastCommand.startsWith("SIZE ") &&
            !self->checkSizeReply(line))
            return 0;
    }
    return bytes;
}

// Records the commands sent, for the deadline and for saying which command went unanswered;
// with SF_FTP_TRACE the whole dialogue goes to standard error.
int TransferControl::Impl::debugCallback(CURL*, curl_infotype type, char* data, size_t size,
                                         void* userp) {
    auto* self = static_cast<Impl*>(userp);
    const QByteArray text(data, static_cast<qsizetype>(size));
    if (self->sftp && type != CURLINFO_TEXT)
        self->noteActivity(); // SSH has no reply lines: any exchange is progress
    if (type == CURLINFO_HEADER_OUT) {
        QByteArray command = text.trimmed();
        if (command.startsWith("PASS "))
            command = "PASS ****";
        if (command.startsWith("AUTH ")) {
            self->authAccepted = false;
            self->authSent = true;
        }
        if (command.startsWith("USER ")) {
            self->loginSent = true;
            self->loginEncrypted = self->authAccepted;
        }
        self->lastCommand = command.left(300);
        self->dataMoved = false;
        self->noteActivity();
    }
    if (qEnvironmentVariableIsSet("SF_FTP_TRACE") && type <= CURLINFO_HEADER_OUT) {
        const QByteArray shown = text.startsWith("PASS ") ? QByteArray("PASS ****\r\n") : text;
        static const char* const marks[] = {"* ", "< ", "> "};
        std::fputs(marks[type], stderr);
        std::fwrite(shown.constData(), 1, static_cast<size_t>(shown.size()), stderr);
    }
    return 0;
}

void TransferControl::Impl::clearRequest() {
    received.clear();
    localError.clear();
    sizeError.clear();
    lastReply.clear();
    lastCommand.clear();
    heard = false;
    authSent = false;
    loginSent = false;
    loginDone = false;
    errorBuffer[0] = '\0';
    curl_slist_free_all(postQuote);
    postQuote = nullptr;
    curl_slist_free_all(preQuote);
    preQuote = nullptr;
    curl_easy_reset(easy);
}

bool TransferControl::Impl::start(bool freshConnection) {
    clearRequest();
    const RemotePath path = splitRemote(op.remote);
    QByteArray url = dirUrl(host, path, sftp);
    switch (op.kind) {
    case FtpOperation::Kind::List:
        listPattern = path.last;
        curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
        break;
    case FtpOperation::Kind::ChangeDir:
        if (!path.last.isEmpty())
            url += QUrl::toPercentEncoding(path.last) + "/";
        // SFTP has no directory to change to: the directory's listing shows it exists.
        if (sftp)
            curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
        else
            setCommandsOnly(nullptr);
        break;
    case FtpOperation::Kind::MakeDir:
    case FtpOperation::Kind::RemoveDir:
    case FtpOperation::Kind::Delete:
        if (!setUpNameCommand(path, url))
            return false;
        break;
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
    case FtpOperation::Kind::Put:
        if (!setUpStore())
            return false;
        url = storeUrl();
        break;
    case FtpOperation::Kind::Close:
        break;
    }
    configureRequest(url, freshConnection);
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return failLocal(OtherFailure, QStringLiteral("The FTP transfer could not be started"));
    running = true;
    sinceActivity.restart();
    watchdog.start();
    return true;
}

bool TransferControl::Impl::setUpNameCommand(const RemotePath& path, QByteArray& url) {
    // The command is sent from inside the parent directory, so the name needs no path.
    RemotePath parent = path;
    QString name = parent.last;
    if (name.isEmpty() && !parent.dirs.isEmpty())
        name = parent.dirs.takeLast();
    if (name.isEmpty())
        return failLocal(ServerRefused, QStringLiteral("No name was given"));
    url = dirUrl(host, parent, sftp);
    const bool makeDir = op.kind == FtpOperation::Kind::MakeDir;
    const bool removeDir = op.kind == FtpOperation::Kind::RemoveDir;
    if (sftp) {
        const QByteArray command = sftpCommand(makeDir     ? "mkdir"
                                               : removeDir ? "rmdir"
                                                           : "rm",
                                               path);
        setCommandsOnly(curl_slist_append(nullptr, command.constData()));
        return true;
    }
    const char* verb = makeDir ? "MKD " : removeDir ? "RMD " : "DELE ";
    setCommandsOnly(curl_slist_append(nullptr, (verb + name.toUtf8()).constData()));
    return true;
}

void TransferControl::Impl::setCommandsOnly(curl_slist* commands) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    if (sftp) {
        // SFTP's commands run before the (empty) transfer; each has its own reply.
        preQuote = commands;
        curl_easy_setopt(easy, CURLOPT_QUOTE, preQuote);
        return;
    }
    // Without a transfer, and in the directory the kept connection is already in, curl would
    // send no command before waiting and measure the reply time-out from the connection's
    // last exchange, so an idle connection would fail at once. A NOOP first makes it a fresh
    // exchange.
    preQuote = curl_slist_append(nullptr, "NOOP");
    curl_easy_setopt(easy, CURLOPT_QUOTE, preQuote);
    if (commands) {
        postQuote = commands;
        curl_easy_setopt(easy, CURLOPT_POSTQUOTE, postQuote);
    }
}

void TransferControl::Impl::configureRequest(const QByteArray& url, bool freshConnection) {
    const QByteArray user = q->UserName.toUtf8();
    const QByteArray password = q->Password.toUtf8();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, sftp ? "sftp" : "ftp");
    curl_easy_setopt(easy, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Impl::debugCallback);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    // curl's connect time-out covers the whole login; the watchdog keeps connectMs for the
    // connection itself and gives each reply of the login the stall time, so a slow server's
    // login is waited for as long as its replies keep coming.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs) + 8L * stallMs);
    const long stallSeconds = std::max(1L, static_cast<long>((stallMs + 999) / 1000));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stallSeconds);
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    if (sftp)
        configureSsh();
    else
        configureTls();
    if (freshConnection)
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
}

bool TransferControl::Impl::failLocal(int failureCode, const QString& description) {
    code = failureCode;
    info = description;
    discardLocalFiles();
    return false;
}

void TransferControl::Impl::discardLocalFiles() {
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

void TransferControl::Impl::finish(CURLcode result) {
    // A certificate that could not be verified is put to the user once per operation.
    if (result == CURLE_PEER_FAILED_VERIFICATION && certificateSeen && !askedTrust &&
        localError.isEmpty()) {
        askedTrust = true;
        askAboutCertificate();
        return;
    }
    long connects = 0;
    curl_easy_getinfo(easy, CURLINFO_NUM_CONNECTS, &connects);
    noteLogin();
    // A kept connection that the server dropped while idle: try once more on a new one.
    // Some servers (ProFTPD) announce the end with "421" before closing; the next
    // operation reads it as the reply to its first command, which was not carried out.
    const bool sessionEnded = lastReply.startsWith("421");
    if (result != CURLE_OK && localError.isEmpty() && !retried && connects == 0 &&
        ((isConnectionLoss(result) && op.kind != FtpOperation::Kind::MakeDir) || sessionEnded)) {
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

    if (op.kind == FtpOperation::Kind::Put && nextStoreStep(result))
        return;
    // curl takes an error reply to a listing (450) for "no files"; but the directory's listing
    // asked for here was refused, and a refused listing must never read as an empty one.
    listingRefused = result == CURLE_OK && op.kind == FtpOperation::Kind::List &&
                     (lastReply.startsWith('4') || lastReply.startsWith('5'));
    if (listingRefused)
        result = CURLE_REMOTE_ACCESS_DENIED;

    if (result == CURLE_OK) {
        if (download && !download->commit()) {
            localError = QStringLiteral("Cannot write the local file \"%1\" (%2)")
                             .arg(op.local, download->errorString());
            result = CURLE_WRITE_ERROR;
            QFile::remove(op.local);
        } else if (op.kind == FtpOperation::Kind::List) {
            listing = listingOf(received, listPattern);
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

void TransferControl::Impl::describe(CURLcode result) {
    if (!keyChangedFrom.isEmpty()) {
        code = CertificateRefused;
        info = QStringLiteral("The server's key changed since you trusted it (SHA-256 now %1, "
                              "trusted %2); the login was not sent")
                   .arg(seen.fingerprint, keyChangedFrom);
        return;
    }
    if (!localError.isEmpty()) {
        code = OtherFailure;
        info = localError;
        return;
    }
    if (!sizeError.isEmpty()) {
        code = ConnectionLost;
        info = sizeError;
        return;
    }
    if (listingRefused) {
        code = ServerRefused;
        info = QStringLiteral("The server refused %1 (%2)")
                   .arg(op.text(), QString::fromUtf8(lastReply));
        return;
    }
    const TransferOutcome outcome =
        outcomeOf(result, lastReply, QString::fromUtf8(errorBuffer), op.text(),
                  certificateSeen ? std::optional<QString>(seen.reason) : std::nullopt, tlsDemand);
    code = outcome.code;
    info = outcome.info;
}
