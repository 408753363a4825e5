// The transfer component over SFTP against a real OpenSSH server: the host key trusted on first
// use and a changed one refused, the logins, and every operation with the outcome it has over
// FTP (the server layer above relies on those outcomes, whatever the transport).
#include "platform/SettingsStore.h"
#include "support/FtpRun.h"
#include "support/SshServer.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSftpTransfer : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_, work_;
    SshServer server_;
    QList<CertificateInfo> asked_;
    bool answer_ = true;

    // A new component, as in a new run of the program.
    std::unique_ptr<TransferControl> component(const QString& password = {}) {
        auto inet = std::make_unique<TransferControl>();
        loginTo(*inet, server_);
        if (!password.isNull())
            inet->Password = password;
        inet->askTrust = [this](const CertificateInfo& info) {
            asked_.append(info);
            return answer_;
        };
        return inet;
    }
    QString local(const QString& name) const { return work_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid() && work_.isValid());
        settingsStore::useDirectory(settingsDir_.path());
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        QVERIFY(server_.url().startsWith("SFTP://"));
    }

    // The first connection puts the host key to the user (its SHA-256 fingerprint as OpenSSH
    // shows it) before anything of the login is sent; refused, nothing is remembered. Trusted,
    // it is remembered for the host and a new run asks nothing. Another key on the same host is
    // refused outright, and the trusted one stays.
    void hostKeyTrustedOnFirstUse() {
        answer_ = false;
        auto inet = component();
        FtpOutcome out = runFtp(*inet, FtpOperation::ls("lumora"));
        QCOMPARE(out.code, int(TransferControl::CertificateRefused));
        QCOMPARE(asked_.size(), 1);
        const CertificateInfo key = asked_.first();
        QVERIFY(key.hostKey);
        QCOMPARE(key.host, server_.host());
        QCOMPARE(key.fingerprint, server_.hostKeyFingerprint());
        QCOMPARE(key.subject, QString("ED25519"));
        QVERIFY(inet->certificateRefusedByUser());
        QVERIFY(TransferControl::trustedHostKey(server_.host()).isEmpty());

        answer_ = true;
        QCOMPARE(runFtp(*inet, FtpOperation::ls("lumora")).code, 0);
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(TransferControl::trustedHostKey(server_.host()), key.fingerprint);
        QVERIFY(TransferControl::trustedFingerprint(server_.host()).isEmpty());
        inet = component();
        out = runFtp(*inet, FtpOperation::ls("lumora/"));
        QCOMPARE(out.code, 0);
        QCOMPARE(out.text, QString("admin\r\nclasses\r\n"));
        QCOMPARE(asked_.size(), 2);
        QVERIFY(!inet->LoggedInClear());

        QVERIFY(server_.newHostKey());
        QVERIFY2(server_.restart(), qPrintable(server_.error()));
        inet = component();
        out = runFtp(*inet, FtpOperation::ls("lumora"));
        QCOMPARE(out.code, int(TransferControl::CertificateRefused));
        QVERIFY2(out.info.startsWith("The server's key changed since you trusted it"),
                 qPrintable(out.info));
        QVERIFY(out.info.contains(server_.hostKeyFingerprint()));
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(TransferControl::trustedHostKey(server_.host()), key.fingerprint);
        // As the user would after checking with the server's administrator.
        TransferControl::rememberHostKey(server_.host(), server_.hostKeyFingerprint());
        QCOMPARE(runFtp(*component(), FtpOperation::ls("lumora")).code, 0);
    }

    // A wrong password is a refused login; the user's own key is taken when the server accepts
    // it, whatever the password.
    void logins() {
        FtpOutcome out = runFtp(*component("not-the-password"), FtpOperation::ls("lumora"));
        QCOMPARE(out.code, int(TransferControl::LoginRefused));
        QVERIFY2(out.info.startsWith("The server refused the login"), qPrintable(out.info));

        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir(".ssh"));
        const QString keyFile = home.filePath(".ssh/id_ed25519");
        QCOMPARE(QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", keyFile}),
                 0);
        QVERIFY(server_.authorize(keyFile + ".pub"));
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        out = runFtp(*component("not-the-password"), FtpOperation::ls("lumora"));
        qputenv("HOME", oldHome);
        QCOMPARE(out.code, 0);
    }

    // Every operation as over FTP: paths below the account's home, names with blanks and
    // characters a URL holds specially, a refused or missing target with 12003 (a failed GET
    // leaves no local file), uploads that replace a file whole and leave no temporary file.
    void operations() {
        auto inet = component();
        const auto run = [&](const FtpOperation& op) { return runFtp(*inet, op); };
        const QString dir = "~/lumora/classes/a b#1;";
        QCOMPARE(run(FtpOperation::mkdir(dir)).code, 0);
        QVERIFY(QFileInfo(server_.root() + "/lumora/classes/a b#1;").isDir());
        QCOMPARE(run(FtpOperation::mkdir(dir)).code, int(TransferControl::ServerRefused));
        QCOMPARE(run(FtpOperation::cd(dir)).code, 0);
        QCOMPARE(run(FtpOperation::cd(dir + "/none")).code, int(TransferControl::ServerRefused));
        FtpOutcome listed = run(FtpOperation::ls(dir + "/none/*"));
        QCOMPARE(listed.code, int(TransferControl::ServerRefused));
        QCOMPARE(listed.states, QList<int>{TransferControl::icError});

        QByteArray data;
        for (int i = 0; i < 300000; ++i)
            data.append(static_cast<char>(i * 13 + i / 251));
        QVERIFY(testEnv::writeFile(local("big.bin"), data));
        QVERIFY(testEnv::writeFile(local("small.bin"), "small"));
        QCOMPARE(run(FtpOperation::putNew(local("small.bin"), dir + "/Slide 1.gif")).code, 0);
        QCOMPARE(run(FtpOperation::put(local("big.bin"), dir + "/Slide 1.gif")).code, 0);
        QCOMPARE(run(FtpOperation::put(local("small.bin"), dir + "/x.txt")).code, 0);
        QCOMPARE(server_.readFile("lumora/classes/a b#1;/Slide 1.gif"), data);
        listed = run(FtpOperation::ls(dir + "/"));
        QCOMPARE(listed.text, QString("Slide 1.gif\r\nx.txt\r\n"));
        QCOMPARE(run(FtpOperation::ls(dir + "/.*")).text, QString()); // no temporary file left
        QCOMPARE(run(FtpOperation::ls(dir + "/S*")).text, QString("Slide 1.gif\r\n"));

        QCOMPARE(run(FtpOperation::get(dir + "/Slide 1.gif", local("back.bin"))).code, 0);
        QCOMPARE(testEnv::readFile(local("back.bin")), data);
        QCOMPARE(run(FtpOperation::get(dir + "/none.gif", local("back.bin"))).code,
                 int(TransferControl::ServerRefused));
        QVERIFY(!QFile::exists(local("back.bin")));
        QCOMPARE(run(FtpOperation::put(local("missing"), dir + "/y")).code,
                 int(TransferControl::OtherFailure));

        QCOMPARE(run(FtpOperation::rmdir(dir)).code, int(TransferControl::ServerRefused));
        QCOMPARE(run(FtpOperation::remove(dir + "/Slide 1.gif")).code, 0);
        QCOMPARE(run(FtpOperation::remove(dir + "/Slide 1.gif")).code,
                 int(TransferControl::ServerRefused));
        QCOMPARE(run(FtpOperation::remove(dir + "/x.txt")).code, 0);
        QCOMPARE(run(FtpOperation::rmdir(dir)).code, 0);
        QVERIFY(!QFileInfo::exists(server_.root() + "/lumora/classes/a b#1;"));
        QCOMPARE(run(FtpOperation::close()).code, 0);
    }
};

QTEST_MAIN(TestSftpTransfer)
#include "test_sftp_transfer.moc"
