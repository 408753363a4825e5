#include "support/SelectedFtpServer.h"

#include "support/LumoraServer.h"
#include "support/ProftpdServer.h"

SelectedFtpServer::SelectedFtpServer(const Options& options) {
    QString kind = qEnvironmentVariable("SF_TEST_FTP_SERVER").trimmed().toLower();
    if (kind == QLatin1String("proftpd")) {
        server_ = std::make_unique<ProftpdServer>(options);
    } else {
        if (!kind.isEmpty() && kind != QLatin1String("pyftpdlib"))
            unknownKind_ = kind;
        server_ = std::make_unique<LumoraServer>(options);
    }
}

QString SelectedFtpServer::error() const {
    if (!unknownKind_.isEmpty())
        return QStringLiteral("SF_TEST_FTP_SERVER=\"%1\" names no test server "
                              "(choices: pyftpdlib, proftpd)")
            .arg(unknownKind_);
    return server_->kind() + QStringLiteral(": ") + server_->error();
}
