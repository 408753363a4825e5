#pragma once

#include "support/TestFtpServer.h"

// A real local Lumora server on ProFTPD (Debian's proftpd-basic), for running the FTP tests
// against a second, independent server implementation.
//
// Each instance runs its own "proftpd -n" in the foreground with a configuration file, account
// file, logs, scoreboard and pid file of its own in a temporary directory, listening on a free
// loopback port. Its accounts are virtual (an AuthUserFile with crypt hashes; no system account
// is used or created) and map to the user that runs the test, so the served tree and the files
// the test writes have one owner. Run as root, the session is also locked into the tree.
//
// The server's log (its standard error: logins, sessions ended, failures) is logPath(); on a
// failed start its tail is in error(). The daemon is /usr/sbin/proftpd.
class ProftpdServer : public TestFtpServer {
public:
    explicit ProftpdServer(const Options& options = Options{}) : TestFtpServer(options) {}

    bool start() override;

    // Directives added to the configuration at the next start, to run the tests against a
    // server set up differently (for example "ListOptions -a" or "TimeoutIdle 2"). For a whole
    // test run: SF_PROFTPD_EXTRA_CONFIG="HiddenStores on;DelayEngine on".
    void setExtraConfig(const QStringList& directives) { extraConfig_ = directives; }

    QString configPath() const { return dir_.path() + QStringLiteral("/proftpd.conf"); }
    QString logPath() const { return dir_.path() + QStringLiteral("/proftpd.log"); }

private:
    bool prepare();
    bool writeConfig();
    bool launch(bool& portInUse);

    QStringList extraConfig_;
};
