#include "support/LumoraServer.h"

#include "support/TestEnv.h"

bool LumoraServer::start() {
    return startScript(testEnv::toolsDir() + "/lumora_server.py", {});
}

bool LumoraServer::startScript(const QString& script, const QStringList& more) {
    stop();
    if (!dir_.isValid()) {
        error_ = QStringLiteral("Cannot create a temporary directory for the server");
        return false;
    }
    QStringList args{script};
    args << "--root" << root() << "--user" << options_.user << "--password" << options_.password
         << "--port" << QString::number(port_) << "--seed"
         << (options_.demoSeed ? "demo" : "layout") << "--exit-on-stdin-eof" << more;
    if (!options_.readonlyUser.isEmpty())
        args << "--readonly-user" << options_.readonlyUser + ':' + options_.readonlyPassword;
    process_ = std::make_unique<QProcess>();
    const quint16 port = startPortPrinter(*process_, args + options_.extraArguments, error_);
    if (port == 0) {
        stop();
        return false;
    }
    port_ = port;
    return true;
}
