#include "support/LumoraServer.h"
#include "support/ProftpdServer.h"

std::unique_ptr<TestFtpServer> selectedFtpServer(const TestFtpServer::Options& options) {
    const QString kind = qEnvironmentVariable("SF_TEST_FTP_SERVER").trimmed().toLower();
    if (kind == QLatin1String("proftpd"))
        return std::make_unique<ProftpdServer>(options);
    if (!kind.isEmpty() && kind != QLatin1String("pyftpdlib"))
        qFatal("SF_TEST_FTP_SERVER=\"%s\" names no test server (choices: pyftpdlib, proftpd)",
               qPrintable(kind));
    return std::make_unique<LumoraServer>(options);
}
