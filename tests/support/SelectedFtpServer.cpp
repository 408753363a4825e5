#include "support/SelectedFtpServer.h"

#include "support/ProftpdServer.h"

SelectedFtpServer::SelectedFtpServer() : SelectedFtpServer(Options{}) {}

SelectedFtpServer::SelectedFtpServer(const Options& options) {
    const QString kind = selectedKind();
    if (kind == QLatin1String("proftpd")) {
        server_ = std::make_unique<ProftpdServer>(options);
    } else {
        if (kind != QLatin1String("pyftpdlib"))
            unknownKind_ = kind;
        server_ = std::make_unique<LumoraServer>(options);
    }
}

SelectedFtpServer::~SelectedFtpServer() = default;

QString SelectedFtpServer::selectedKind() {
    const QString kind = qEnvironmentVariable("SF_TEST_FTP_SERVER").trimmed().toLower();
    return kind.isEmpty() ? QStringLiteral("pyftpdlib") : kind;
}

bool SelectedFtpServer::start() {
    if (!unknownKind_.isEmpty())
        return false;
    return server_->start();
}
void SelectedFtpServer::stop() {
    server_->stop();
}
bool SelectedFtpServer::restart() {
    if (!unknownKind_.isEmpty())
        return false;
    return server_->restart();
}
bool SelectedFtpServer::isRunning() const {
    return server_->isRunning();
}
QString SelectedFtpServer::host() const {
    return server_->host();
}
QString SelectedFtpServer::url() const {
    return server_->url();
}
quint16 SelectedFtpServer::port() const {
    return server_->port();
}
QString SelectedFtpServer::root() const {
    return server_->root();
}
QString SelectedFtpServer::lumoraDir() const {
    return server_->lumoraDir();
}
QString SelectedFtpServer::user() const {
    return server_->user();
}
QString SelectedFtpServer::password() const {
    return server_->password();
}
QString SelectedFtpServer::error() const {
    if (!unknownKind_.isEmpty())
        return QStringLiteral("SF_TEST_FTP_SERVER=\"%1\" names no test server "
                              "(choices: pyftpdlib, proftpd)")
            .arg(unknownKind_);
    return server_->kind() + QStringLiteral(": ") + server_->error();
}
QString SelectedFtpServer::kind() const {
    return server_->kind();
}
bool SelectedFtpServer::writeFile(const QString& relativePath, const QByteArray& data) const {
    return server_->writeFile(relativePath, data);
}
QByteArray SelectedFtpServer::readFile(const QString& relativePath) const {
    return server_->readFile(relativePath);
}
bool SelectedFtpServer::exists(const QString& relativePath) const {
    return server_->exists(relativePath);
}
bool SelectedFtpServer::makeDir(const QString& relativePath) const {
    return server_->makeDir(relativePath);
}
