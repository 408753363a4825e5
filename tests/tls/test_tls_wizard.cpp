// The wizard against a server offering TLS: the certificate question comes at the connection
// test of the server page, through the one place where it is put (answered here by the test).
// (Uploads over a trusted, pinned session are checked by the TLS transfer test.)
#include "TlsServer.h"
#include "wizard/WizardRun.h"

#include "platform/ftp/TransferControl.h"
#include "windows/FrmCertificate.h"

class TestTlsWizard : public QObject {
    Q_OBJECT
    TestCertificates certs_;
    TestCertificates::Pair selfSigned_, signed_;
    QList<CertificateInfo> asked_;
    bool answer_ = false;

    // A wizard fixture of its own (its own settings: nothing trusted) on a TLS server.
    static bool start(LectureWizard& fx, const TestCertificates::Pair& certificate) {
        auto server = std::make_unique<TlsServer>();
        server->certificate = certificate;
        return fx.start({}, std::move(server));
    }
    static TlsServer& tls(LectureWizard& fx) { return static_cast<TlsServer&>(*fx.server); }

private slots:
    void initTestCase() {
        QVERIFY2(certs_.create(), qPrintable(certs_.error()));
        QVERIFY(certs_.make("self", "IP:127.0.0.1", true, selfSigned_));
        QVERIFY(certs_.make("signed", "IP:127.0.0.1", false, signed_));
        FrmCertificate::setAnswerer([this](const CertificateInfo& c) {
            asked_ << c;
            return answer_;
        });
    }
    void cleanupTestCase() { FrmCertificate::setAnswerer({}); }
    void init() {
        asked_.clear();
        answer_ = false;
    }

    // Refused: the connection test fails before any login, and the wizard stays on the page
    // without a message (the user has just said no). Trusted at the next try: the wizard goes on,
    // and the next run of the program asks nothing.
    void refusedThenTrustedThenRemembered() {
        LectureWizard fx;
        QVERIFY2(start(fx, selfSigned_), qPrintable(fx.server->error()));
        {
            WizardRun r;
            fx.toAccounts(r);
            r.next();
            QCOMPARE(r.w->currentPage(), 1);
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
            QCOMPARE(asked_.size(), 1);
            QCOMPARE(asked_.first().host, fx.server->host());
            QCOMPARE(asked_.first().fingerprint, certs_.fingerprint(selfSigned_.cert));
            for (const TlsServer::Command& c : tls(fx).commands())
                QVERIFY2(c.name != "USER" && c.name != "PASS", qPrintable(c.name));
            QVERIFY(TransferControl::trustedFingerprint(fx.server->host()).isEmpty());

            answer_ = true;
            r.next();
            QCOMPARE(r.w->currentPage(), 2);
            QVERIFY(r.messages.isEmpty());
            QCOMPARE(asked_.size(), 2);
            QCOMPARE(TransferControl::trustedFingerprint(fx.server->host()),
                     certs_.fingerprint(selfSigned_.cert));
            QVERIFY(tls(fx).loggedInEncrypted());
        }
        asked_.clear();
        answer_ = false;
        tls(fx).clearLog();
        WizardRun again;
        QVERIFY(fx.toFilePage(again));
        QVERIFY2(again.messages.isEmpty(), qPrintable(again.shown()));
        QVERIFY(asked_.isEmpty());
        QVERIFY(tls(fx).loggedInEncrypted());
    }

    // A certificate that verifies (here against the test authority named by SF_FTP_CA_FILE)
    // is not put to the user.
    void verifiedCertificateAsksNothing() {
        qputenv("SF_FTP_CA_FILE", certs_.authorityFile().toLocal8Bit());
        LectureWizard fx;
        QVERIFY2(start(fx, signed_), qPrintable(fx.server->error()));
        WizardRun r;
        const bool onFilePage = fx.toFilePage(r);
        qunsetenv("SF_FTP_CA_FILE");
        QVERIFY2(onFilePage && r.messages.isEmpty(), qPrintable(r.shown()));
        QVERIFY(asked_.isEmpty());
        QVERIFY(tls(fx).loggedInEncrypted());
    }
};

QTEST_MAIN(TestTlsWizard)
#include "test_tls_wizard.moc"
