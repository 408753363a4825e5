#include "server/AccountCheck.h"

#include "platform/Failure.h"
#include "platform/ftp/FtpOperation.h"
#include "server/AccountFile.h"
#include "server/ModuleFtp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
const QString kAccountFile = QStringLiteral("~/lumora/admin/passwd");

QString fetchFailure(const QString& why) {
    return QStringLiteral("Cannot read the account file %1: %2").arg(kAccountFile, why);
}
} // namespace

bool ftpCheckAccount(ModuleFtp& m) {
    // QTemporaryDir creates its directory with owner-only access; the copy inside it is
    // removed together with the directory when `dir` goes out of scope, also on a throw.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw Failure(
            fetchFailure(QStringLiteral("no private temporary directory: ") + dir.errorString()));
    const QString local = dir.filePath(QStringLiteral("passwd"));

    m.ftpExecute(FtpOperation::get(kAccountFile, local));
    const auto code = m.inet.ResponseCode();
    if (code != 0) {
        QFile::remove(local);
        QString info = m.inet.ResponseInfo().trimmed();
        if (info.isEmpty())
            info = QStringLiteral("the server did not send it");
        throw ServerFailure(fetchFailure(info), static_cast<int>(code));
    }

    QByteArray content;
    {
        QFile file(local);
        if (!file.open(QIODevice::ReadOnly))
            throw ServerFailure(fetchFailure(QStringLiteral("nothing was received")));
        content = file.readAll();
    }
    QFile::remove(local);
    dir.remove();

    return accountMatches(content, m.lecture.lumoraId, m.lecture.lumoraPassword);
}

QString lumoraAccountRefused(const QString& lumoraId, const QString& where) {
    return QStringLiteral("Bad user id or password\n\nThe Lumora account \"%1\" is not in the "
                          "server's account list with this password. Check the Lumora user ID "
                          "and password%2.")
        .arg(lumoraId, where);
}
