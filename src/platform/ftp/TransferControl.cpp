// curl_multi_socket_all() is needed below; it is marked deprecated but is still supported.
#define CURL_DISABLE_DEPRECATION
#include "platform/ftp/TransferControl.h"

#include "platform/Failure.h"
#include "platform/ftp/TransferControlImpl.h"
#include "platform/ftp/TransferHelpers.h"

#include <QSocketNotifier>
#include <algorithm>

// The public class and the glue between libcurl's multi interface and the Qt event loop.

namespace {

constexpr int kStillExecuting = 35764; // error number of a busy component

void initCurlOnce() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

} // namespace

TransferControl::Impl::Impl(TransferControl* owner) : q(owner) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, q, [this] { onTimeout(); });
    watchdog.setInterval(500);
    QObject::connect(&watchdog, &QTimer::timeout, q, [this] { onWatchdog(); });
}

TransferControl::Impl::~Impl() {
    closeSession();
    if (easy)
        curl_easy_cleanup(easy);
}

void TransferControl::Impl::ensureHandles() {
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
        throw ServerFailure(QStringLiteral("The FTP transfer component could not be initialised"));
}

int TransferControl::Impl::socketCallback(CURL*, curl_socket_t s, int what, void* userp,
                                          void* socketp) {
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

int TransferControl::Impl::timerCallback(CURLM*, long timeoutMs, void* userp) {
    auto* self = static_cast<Impl*>(userp);
    if (timeoutMs < 0)
        self->timer.stop();
    else
        self->timer.start(static_cast<int>(std::min(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void TransferControl::Impl::dropWatch(SocketWatch* watch) {
    ++watchChanges;
    watch->read->setEnabled(false);
    watch->write->setEnabled(false);
    watch->read->deleteLater();
    watch->write->deleteLater();
    watches.removeOne(watch);
    delete watch;
}

void TransferControl::Impl::dropAllWatches() {
    while (!watches.isEmpty())
        dropWatch(watches.first());
}

void TransferControl::Impl::onSocket(curl_socket_t s, int flags) {
    int stillRunning = 0;
    curl_multi_socket_action(multi, s, flags, &stillRunning);
    checkDone();
    keepGoing();
}

void TransferControl::Impl::onTimeout() {
    if (!multi)
        return;
    int stillRunning = 0;
    curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &stillRunning);
    checkDone();
    keepGoing();
}

void TransferControl::Impl::noteActivity() {
    sinceActivity.restart();
}

// curl's own time-outs do not cover every wait: a command that gets no reply, or only a line
// that is no reply, can wait for good. The watchdog ends any operation during which nothing
// has come from the server, and no data has moved, for the stall time (the connect time-out
// while a new connection has not been greeted yet).
void TransferControl::Impl::onWatchdog() {
    if (!running) {
        watchdog.stop();
        return;
    }
    const qint64 limit = lastCommand.isEmpty() && !heard ? connectMs : stallMs;
    if (sinceActivity.elapsed() < limit)
        return;
    QString what;
    if (lastCommand.isEmpty())
        what = heard ? QStringLiteral("the login stalled")
                     : QStringLiteral("no answer to the connection within %1 s")
                           .arg((connectMs + 999) / 1000);
    else if (dataMoved)
        what = QStringLiteral("no data for %1 s during %2")
                   .arg((stallMs + 999) / 1000)
                   .arg(QString::fromUtf8(lastCommand));
    else
        what = QStringLiteral("no reply to %1").arg(QString::fromUtf8(lastCommand));
    stopOperation(Timeout, QStringLiteral("The server did not answer in time (%1)").arg(what));
}

void TransferControl::Impl::stopOperation(int failureCode, const QString& description) {
    // The connection is in the middle of an exchange: it is closed, never used again.
    asking = false;
    closeSession();
    code = failureCode;
    info = description;
    endOperation();
}

// libcurl (7.88) sometimes moves an FTP transfer to its next step without asking to be
// called again: when the server's passive-mode reply arrives together with the command's
// own processing, the data connection is never started and the transfer would sit until
// its time-out. So after each event the transfer is run again as long as that changes
// the sockets it waits for; when it only waits, nothing changes and the loop stops.
void TransferControl::Impl::keepGoing() {
    for (int round = 0; round < 16 && running; ++round) {
        const quint64 before = watchChanges;
        int stillRunning = 0;
        curl_multi_socket_all(multi, &stillRunning);
        checkDone();
        if (watchChanges == before)
            break;
    }
}

void TransferControl::Impl::checkDone() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy && running) {
            const CURLcode result = msg->data.result;
            curl_multi_remove_handle(multi, easy);
            running = false;
            watchdog.stop();
            finish(result);
            return;
        }
    }
}

// The outcome is captured now, so that each report carries its own operation's code.
void TransferControl::Impl::endOperation() {
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

void TransferControl::Impl::closeSession() {
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
    watchdog.stop();
    curl_slist_free_all(postQuote);
    postQuote = nullptr;
    curl_slist_free_all(preQuote);
    preQuote = nullptr;
}

TransferControl::TransferControl(QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this)) {}

TransferControl::~TransferControl() = default;

void TransferControl::Execute(const QString& url, const FtpOperation& op) {
    if (op.kind == FtpOperation::Kind::Close) {
        if (d->running || d->asking) {
            // The operation still running is cut short; it still reports its own end first.
            d->stopOperation(
                ConnectionLost,
                QStringLiteral("The operation was stopped because the session was closed"));
        } else if (d->busy()) {
            throw ServerFailure(QStringLiteral("Still executing last request"), kStillExecuting);
        }
        d->closeSession();
        d->loggedInClear = false;
        d->encrypted = false;
        d->op = op;
        d->listing.clear();
        d->chunkPos = 0;
        d->code = NoError;
        d->info.clear();
        d->endOperation();
        return;
    }
    if (d->busy())
        throw ServerFailure(QStringLiteral("Still executing last request"), kStillExecuting);
    const QString host = hostFromUrl(url);
    if (hasControlCharacter(op.remote) || hasControlCharacter(op.local))
        throw ServerFailure(QStringLiteral("The operation \"%1\" holds control characters")
                                .arg(op.text().simplified()));
    if (hasControlCharacter(UserName) || hasControlCharacter(Password))
        throw ServerFailure(
            QStringLiteral("The FTP user name or password holds control characters"));
    if ((op.kind == FtpOperation::Kind::Get || op.kind == FtpOperation::Kind::Put) &&
        (op.local.isEmpty() || splitRemote(op.remote).last.isEmpty()))
        throw ServerFailure(
            QStringLiteral("The operation \"%1\" needs a server file and a local file")
                .arg(op.text()));
    d->ensureHandles();

    d->op = op;
    d->host = host;
    d->sftp = isSftpUrl(url);
    if (d->abilitiesHost != url.toLower()) {
        d->abilitiesHost = url.toLower();
        d->abilities = {};
    }
    // SFTP has no SIZE: a stored file's size is read from the directory listing.
    d->abilities.noSize = d->abilities.noSize || d->sftp;
    d->step = Impl::Step::Store;
    d->storeDirect = d->abilities.noRename || op.newName;
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

void TransferControl::Abort() {
    if (d->running || d->asking)
        d->stopOperation(Cancelled, QStringLiteral("The operation was stopped"));
}

bool TransferControl::Encrypted() const {
    return d->sftp || d->encrypted;
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

QString TransferControl::ServerReply() const {
    return d->busy() ? QString() : QString::fromUtf8(d->lastReply);
}

QString TransferControl::GetChunk(int size) {
    if (size <= 0 || d->busy())
        return {};
    const QString part = d->listing.mid(d->chunkPos, size);
    d->chunkPos += part.size();
    return part;
}

QString TransferControl::urlOf(const QString& server) {
    return isSftpUrl(server) ? server : QStringLiteral("FTP://") + server;
}

bool TransferControl::LoggedInClear() const {
    return d->loggedInClear;
}

bool TransferControl::StillExecuting() const {
    return d->busy();
}

void TransferControl::setCaFile(const QString& path) {
    d->caFile = path;
}

void TransferControl::setTimeouts(int connectMs, int stallMs) {
    d->connectMs = std::max(1, connectMs);
    d->stallMs = std::max(1, stallMs);
    d->watchdog.setInterval(std::clamp(d->stallMs / 8, 20, 500));
}

int TransferControl::connectTimeout() const {
    return d->connectMs;
}

int TransferControl::stallTimeout() const {
    return d->stallMs;
}
