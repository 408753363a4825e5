#pragma once

#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "server/ModuleFtp.h"
#include "support/LumoraServer.h"
#include "windows/ProgressSink.h"
#include "wizard/WizardFields.h"

#include <QStringList>
#include <QTemporaryDir>

// The progress lines of a transfer, recorded.
class ListProgress : public ProgressSink {
public:
    QStringList lines;
    void Add(const QString& text) override { lines.append(text); }
};

// One server session against a real local Lumora server: the transfer component, the wizard's
// fields, the channel, a working directory, and recorders for messages, clean-up and program
// end.
struct ServerSession {
    explicit ServerSession(const LumoraServer::Options& options = {}) : server(options) {
        messages::setSink([this](const QString& text, const QString& title) {
            shown.append(title + QStringLiteral(" | ") + text);
        });
        programEnd::setHandler([] {});
        m.progress = &progress;
        m.cleanUp = [this] { ++cleanUps; };
        inet.setTimeouts(10000, 20000);
    }
    ~ServerSession() {
        messages::setSink({});
        programEnd::setHandler({});
    }

    // Starts the server and connects with the given account (the FTP administrator by default).
    bool start(const QString& user = {}, const QString& password = {}) {
        if (!server.start() || !work.isValid())
            return false;
        fields.ftpMachineV = server.host();
        fields.cvidV = user.isEmpty() ? server.user() : user;
        fields.cvPasswordV = user.isEmpty() ? server.password() : password;
        fields.exportPathV = work.path();
        return m.ftpConnect();
    }

    QString workFile(const QString& name) const { return work.filePath(name); }

    LumoraServer server;
    QTemporaryDir work;
    TransferControl inet;
    PlainWizardFields fields;
    ModuleFtp m{inet, fields};
    ListProgress progress;
    QStringList shown; // "title | text" of each message box
    int cleanUps = 0;
};
