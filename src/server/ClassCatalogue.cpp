#include "server/ClassCatalogue.h"

#include "platform/Failure.h"
#include "platform/ftp/FtpOperation.h"
#include "server/ClassListing.h"
#include "server/ModuleFtp.h"

QStringList ftpListClasses(ModuleFtp& m) {
    m.ftpExecute(FtpOperation::ls(QStringLiteral("~/lumora/classes/*")));
    // A refused listing gives an empty class list; a lost connection, a time-out or an
    // unreachable server is a failure, not a server without classes.
    const int code = m.inet.ResponseCode();
    if (code != TransferControl::NoError && code != TransferControl::ServerRefused) {
        const QString info = m.inet.ResponseInfo().trimmed();
        throw ServerFailure(
            info.isEmpty() ? QStringLiteral("The class list could not be read") : info, code);
    }
    // Read the listing to its end: a server with many classes sends more than one chunk.
    QString listing;
    for (;;) {
        const QString chunk = m.inet.GetChunk(1024);
        if (chunk.isEmpty())
            break;
        listing += chunk;
    }
    QStringList classes;
    for (const QString& name : parseClassListing(listing)) {
        if (termMatches(m.lecture.termFilter, name) && yearMatches(m.lecture.yearFilter, name))
            classes.append(name);
    }
    return classes;
}

QString classToKeep(const QStringList& classes, const QString& keep) {
    if (classes.contains(keep))
        return keep;
    return classes.isEmpty() ? QString() : classes.first();
}
