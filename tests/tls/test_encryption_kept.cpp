// Encryption is never lost without a word: a host that logged in encrypted must stay so, and a
// user may refuse every login in clear text. Against the local Lumora server with and without
// TLS on the same host and port, whose command log shows whether the user name was ever sent.
// And the two front ends: the wizard's check box and note, and the batch command's option and
// warning line.
#include "TlsServer.h"

#include "platform/SettingsStore.h"
#include "support/FtpRun.h"
#include "wizard/WizardRun.h"

#include <QCheckBox>
#include <QLabel>
#include <QScopeGuard>

namespace {
bool sentLogin(const QList<TlsServer::Command>& commands) {
    for (const TlsServer::Command& c : commands)
        if (c.name == "USER" || c.name == "PASS")
            return true;
    return false;
}

const QString kNote =
    QStringLiteral("This server does not encrypt: your Corvane password is sent in clear");
} // namespace

class TestEncryptionKept : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_;
    TestCertificates certs_;
    TestCertificates::Pair signed_;
    std::unique_ptr<TlsServer> server_;

    void startServer(bool tls) {
        if (!server_)
            server_ = std::make_unique<TlsServer>();
        server_->certificate = tls ? signed_ : TestCertificates::Pair{};
        QVERIFY2(server_->start(), qPrintable(server_->error()));
        server_->clearLog();
    }

    // A new component, as in a new run of the program.
    std::unique_ptr<TransferControl> component(bool requireEncryption = false) {
        auto inet = std::make_unique<TransferControl>();
        loginTo(*inet, *server_);
        inet->RequireEncryption = requireEncryption;
        return inet;
    }

    static FtpOutcome ls(TransferControl& inet) { return runFtp(inet, FtpOperation::ls("lumora")); }

private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid());
        settingsStore::useDirectory(settingsDir_.path());
        QVERIFY2(certs_.create(), qPrintable(certs_.error()));
        qputenv("SF_FTP_CA_FILE", certs_.authorityFile().toLocal8Bit());
        QVERIFY2(certs_.make("signed", "IP:127.0.0.1", false, signed_), qPrintable(certs_.error()));
    }

    void init() { server_.reset(); } // each test a new port: nothing remembered for it
    void cleanup() { server_.reset(); }

    // A certificate the authorities vouch for is never asked about, so nothing was remembered
    // for it: the encrypted login itself is. The same host then without TLS (a downgrade by
    // anything in between) is refused, in a later run too, before the user name is sent, with
    // the reason; so is it when the user's password reaches only encrypted servers.
    void verifiedHostStaysEncrypted() {
        startServer(true);
        auto inet = component();
        QCOMPARE(ls(*inet).code, 0);
        QVERIFY(!inet->LoggedInClear());
        QVERIFY(server_->loggedInEncrypted());
        const QString host = server_->host();
        QVERIFY(TransferControl::trustedFingerprint(host).isEmpty());
        QVERIFY(TransferControl::encryptedBefore(host));

        startServer(false); // same port
        for (bool required : {false, true}) {
            inet = component(required);
            const FtpOutcome refused = ls(*inet);
            QCOMPARE(refused.code, int(TransferControl::SecureChannelFailed));
            QVERIFY2(refused.info.startsWith("The server no longer offers an encrypted "
                                             "connection, although it logged in encrypted "
                                             "before; the login was not sent"),
                     qPrintable(refused.info));
            QVERIFY(!inet->LoggedInClear());
            QVERIFY(!sentLogin(server_->commands()));
        }
        QVERIFY(TransferControl::encryptedBefore(host));
    }

    // Without TLS, a login goes in clear text and says so (until the session closes), unless
    // encryption is required: then the server never gets the user name. Encryption required of
    // a server with TLS is simply met.
    void loginInClearOnlyWhenAllowed() {
        startServer(false);
        auto inet = component();
        QCOMPARE(ls(*inet).code, 0);
        QVERIFY(inet->LoggedInClear());
        QVERIFY(sentLogin(server_->commands()));
        QVERIFY(!TransferControl::encryptedBefore(server_->host()));
        QCOMPARE(ls(*inet).code, 0); // the kept connection: still in clear
        QVERIFY(inet->LoggedInClear());
        QCOMPARE(runFtp(*inet, FtpOperation::close()).code, 0);
        QVERIFY(!inet->LoggedInClear());

        server_->clearLog();
        inet = component(true);
        const FtpOutcome refused = ls(*inet);
        QCOMPARE(refused.code, int(TransferControl::SecureChannelFailed));
        QVERIFY2(refused.info.startsWith("The server does not offer an encrypted connection, and "
                                         "the password is never to be sent unencrypted; the "
                                         "login was not sent"),
                 qPrintable(refused.info));
        QVERIFY(!sentLogin(server_->commands()));

        server_.reset();
        startServer(true);
        inet = component(true);
        QCOMPARE(ls(*inet).code, 0);
        QVERIFY(!inet->LoggedInClear());
        QVERIFY(server_->loggedInEncrypted());
    }

    // The wizard: a login in clear text leaves the note on Lumora Info, also in a later run; the
    // check box is remembered with the other choices, and checked it refuses that server with
    // the reason.
    void wizardNoteAndCheckBox() {
        const auto restore =
            qScopeGuard([this] { settingsStore::useDirectory(settingsDir_.path()); });
        LectureWizard fx;
        auto server = std::make_unique<TlsServer>();
        QVERIFY2(fx.start({}, std::move(server)), "server");
        {
            WizardRun r;
            QVERIFY(fx.toFilePage(r));
            r.back();
            QCOMPARE(r.page(), 1);
            auto* note = r.named<QLabel>("loginInClear");
            QVERIFY(note->isVisible());
            QCOMPARE(note->text(), kNote);
            auto* box = r.named<QCheckBox>("requireEncryption");
            QCOMPARE(box->text().remove('&'),
                     QStringLiteral("Never send the password unencrypted"));
            QVERIFY(!box->isChecked());
            box->click();
            r.next();
            QCOMPARE(r.page(), 1);
            QVERIFY2(r.shown().contains("never to be sent unencrypted"), qPrintable(r.shown()));
            QVERIFY(!note->isVisible()); // nothing was sent this time
            r.messages.clear();
            box->click();
            r.next();
            QCOMPARE(r.page(), 2);
            QVERIFY(r.messages.isEmpty());
            QCOMPARE(readSetting("RequireEncryption"), QString()); // saved with the others
            box->click();
            r.w->saveSettings();
        }
        QCOMPARE(readSetting("RequireEncryption"), QString("1"));
        WizardRun again;
        again.next();
        QVERIFY(again.named<QCheckBox>("requireEncryption")->isChecked());
        // The login in clear text is remembered for the server: the note is there before the
        // password is sent to it again.
        QVERIFY(again.named<QLabel>("loginInClear")->isVisible());
    }
};

QTEST_MAIN(TestEncryptionKept)
#include "test_encryption_kept.moc"
