#include "platform/ftp/TransferControlImpl.h"

#include "platform/ftp/TransferHelpers.h"

#include <QFile>
#include <QUrl>

// The steps of one upload. The bytes go to "." + name + ".part" first; the server's own size of
// that file must equal the local file's before it is renamed over the real name, so a transfer
// cut short (even one the server acknowledged) never replaces anything. Usually this is one
// request: STOR, then SIZE, RNFR and RNTO after it on the same connection. A server that does
// not answer SIZE has the size read from its directory listing instead; one that refuses to
// rename gets the file under its real name directly, checked the same way afterwards.

namespace {

// The size that a long directory listing (Unix or DOS style) gives for name; -1 when the listing
// does not show it.
qint64 listedSize(const QByteArray& listing, const QByteArray& name) {
    for (QByteArray line : listing.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> unix = line.simplified().split(' ');
        // "-rw-r--r-- 1 owner group SIZE Mon DD HH:MM name" (the name may hold blanks).
        if (unix.size() >= 9 && unix.mid(8).join(' ') == name && line.endsWith(name)) {
            bool ok = false;
            const qint64 size = unix[4].toLongLong(&ok);
            if (ok)
                return size;
        }
        // "12-08-26  09:00AM  SIZE name"
        if (unix.size() >= 4 && unix.mid(3).join(' ') == name && line.endsWith(name)) {
            bool ok = false;
            const qint64 size = unix[2].toLongLong(&ok);
            if (ok)
                return size;
        }
    }
    return -1;
}

bool isRefusal(const QByteArray& reply) {
    return reply.startsWith('5');
}

} // namespace

QByteArray TransferControl::Impl::storedName() const {
    return splitRemote(op.remote).last.toUtf8();
}

QByteArray TransferControl::Impl::tempName() const {
    return "." + storedName() + ".part";
}

QByteArray TransferControl::Impl::storeUrl() const {
    QByteArray url = dirUrl(host, splitRemote(op.remote), sftp);
    if (step == Step::Store)
        url += QUrl::toPercentEncoding(QString::fromUtf8(storeDirect ? storedName() : tempName()));
    return url;
}

bool TransferControl::Impl::setUpStore() {
    switch (step) {
    case Step::Store: {
        delete upload;
        upload = new QFile(op.local);
        if (!upload->open(QIODevice::ReadOnly))
            return failLocal(OtherFailure, QStringLiteral("Cannot read the local file \"%1\" (%2)")
                                               .arg(op.local, upload->errorString()));
        uploadSize = upload->size();
        curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Impl::readCallback);
        curl_easy_setopt(easy, CURLOPT_READDATA, this);
        curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(uploadSize));
        const QByteArray stored = storeDirect ? storedName() : tempName();
        if (!abilities.noSize)
            postQuote = curl_slist_append(postQuote, "SIZE " + stored);
        if (!abilities.noSize && !storeDirect) {
            postQuote = curl_slist_append(postQuote, "RNFR " + tempName());
            postQuote = curl_slist_append(postQuote, "RNTO " + storedName());
        }
        if (postQuote)
            curl_easy_setopt(easy, CURLOPT_POSTQUOTE, postQuote);
        return true;
    }
    case Step::CheckListing:
        // A long listing: the bare one carries no sizes.
        curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 0L);
        return true;
    case Step::Rename:
        setCommandsOnly(sftp ? sftpRenameCommands()
                             : curl_slist_append(curl_slist_append(nullptr, "RNFR " + tempName()),
                                                 "RNTO " + storedName()));
        return true;
    case Step::DropTemp: {
        RemotePath temp = splitRemote(op.remote);
        temp.last = QString::fromUtf8(tempName());
        setCommandsOnly(curl_slist_append(
            nullptr, (sftp ? sftpCommand("rm", temp) : "DELE " + tempName()).constData()));
        return true;
    }
    }
    return true;
}

QString TransferControl::Impl::cutShort(const QString& held) const {
    return QStringLiteral("The server holds %1 of the %2 bytes sent for %3: the transfer was cut "
                          "short")
        .arg(held)
        .arg(uploadSize)
        .arg(QString::fromUtf8(storedName()));
}

bool TransferControl::Impl::checkSizeReply(const QByteArray& reply) {
    if (!reply.startsWith("213"))
        return true; // not a size: a refusal, which the request's result reports
    bool ok = false;
    const qint64 size = reply.mid(3).trimmed().toLongLong(&ok);
    if (ok && size == uploadSize)
        return true;
    sizeError = cutShort(ok ? QString::number(size) : QStringLiteral("an unknown number"));
    return false;
}

bool TransferControl::Impl::nextStoreStep(CURLcode result) {
    const auto startStep = [this](Step next) {
        step = next;
        if (!start(false))
            endOperation();
        return true;
    };
    if (!sizeError.isEmpty() || !localError.isEmpty())
        return false;
    switch (step) {
    case Step::Store:
        if (result == CURLE_OK)
            return abilities.noSize ? startStep(Step::CheckListing) : false;
        // The file arrived (the commands after it run only then), but the server does not
        // answer SIZE or refuses to rename: the other way for this and the host's later files.
        if (result == CURLE_QUOTE_ERROR && lastCommand.startsWith("SIZE ")) {
            abilities.noSize = true;
            return startStep(Step::CheckListing);
        }
        if (result == CURLE_QUOTE_ERROR && lastCommand.startsWith("RN") && isRefusal(lastReply)) {
            abilities.noRename = true;
            return startStep(Step::DropTemp);
        }
        return false;
    case Step::CheckListing: {
        if (result != CURLE_OK)
            return false;
        const QByteArray name = storeDirect ? storedName() : tempName();
        const qint64 size = listedSize(received, name);
        if (size != uploadSize) {
            sizeError = size < 0 ? QStringLiteral("The server does not show the size of %1, so "
                                                  "its arrival cannot be checked")
                                       .arg(QString::fromUtf8(storedName()))
                                 : cutShort(QString::number(size));
            // The caller's result must read as a failure.
            finish(CURLE_WRITE_ERROR);
            return true;
        }
        return storeDirect ? false : startStep(Step::Rename);
    }
    case Step::Rename:
        if (result == CURLE_QUOTE_ERROR && isRefusal(lastReply)) {
            abilities.noRename = true;
            return startStep(Step::DropTemp);
        }
        return false;
    case Step::DropTemp:
        // Whether or not the temporary file went, the real name is stored directly now.
        storeDirect = true;
        return startStep(Step::Store);
    }
    return false;
}
