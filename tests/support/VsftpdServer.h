#pragma once

#include "support/TestFtpServer.h"

// A real local Lumora server on vsftpd (the daemon of Debian's vsftpd), a third independent
// server implementation for the FTP tests.
//
// Each instance runs its own vsftpd in the foreground with a configuration file, logs and an
// empty directory of its own in a temporary directory, listening on a free loopback port.
// vsftpd checks the passwords of its local accounts through PAM, which needs system accounts;
// this server uses none. Its one account is vsftpd's anonymous login, run as the user that
// starts the test (so the served tree and the files the test writes have one owner), into the
// tree, with uploads, directories, renames and deletes allowed and uploads replacing existing
// files. The password is checked all the same: the anonymous login accepts only the one given
// in the options. So the login name is "anonymous" (user() says so), whatever the options ask;
// the session is not locked into the tree (vsftpd cannot lock a session run as the launching
// user), but it starts there, and the paths the program uses are relative to it.
//
// A read-only second account is not available: start() refuses options that ask for one.
//
// The server's log (every command and reply, transfers, and any error at start) is logPath();
// on a failed start its tail is in error(). The daemon is the one tools/setup unpacks into
// /usr/local/libexec/slide-ferry-tests (Debian's vsftpd package conflicts with ProFTPD's), or
// else /usr/sbin/vsftpd.
class VsftpdServer : public TestFtpServer {
public:
    explicit VsftpdServer(const Options& options = Options{});

    bool start() override;

    // Settings ("name=value") added to the configuration at the next start, to run the tests
    // against a server set up differently (for example "idle_session_timeout=2"). For a whole
    // test run: SF_VSFTPD_EXTRA_CONFIG="force_dot_files=YES;delay_failed_login=3".
    void setExtraConfig(const QStringList& settings) { extraConfig_ = settings; }

    QString configPath() const { return dir_.path() + QStringLiteral("/vsftpd.conf"); }
    QString logPath() const { return dir_.path() + QStringLiteral("/vsftpd.log"); }

private:
    bool prepare();
    bool writeConfig();
    bool launch(bool& portInUse);
    bool greetsAsThisServer() const;

    QStringList extraConfig_;
};
