// The wizard against a server offering TLS: the certificate question comes at the connection
// test of the server page, through the one place where it is put (answered here by the test).
// (What the question holds, that a refused certificate gets no login, uploads over a trusted,
// pinned session, and a certificate that verifies against the authority that SF_FTP_CA_FILE
// names, are checked by the TLS transfer test.)
#include "TlsServer.h"
#include "wizard/WizardRun.h"

#include "platform/ftp/TransferControl.h"
#include "windows/FrmCertificate.h"

class TestTlsWizard : public QObject {
    Q_OBJECT
    TestCertificates certs_;
    TestCertificates::Pair selfSigned_;
    int asked_ = 0;
    bool answer_ = false;

private slots:
    void initTestCase() {
        QVERIFY2(certs_.create(), qPrintable(certs_.error()));
        QVERIFY(certs_.make("self", "IP:127.0.0.1", true, selfSigned_));
        FrmCertificate::setAnswerer([this](const CertificateInfo&) {
            ++asked_;
            return answer_;
        });
    }
    void cleanupTestCase() { FrmCertificate::setAnswerer({}); }

    // Refused: the connection test fails, and the wizard stays on the page without a message (the
    // user has just said no). Trusted at the next try: the wizard goes on, and the next run of the
    // program asks nothing.
    void refusedThenTrustedThenRemembered() {
        LectureWizard fx; // its own settings: nothing trusted
        auto server = std::make_unique<TlsServer>();
        TlsServer& tls = *server;
        tls.certificate = selfSigned_;
        QVERIFY2(fx.start({}, std::move(server)), qPrintable(tls.error()));
        {
            WizardRun r;
            fx.toAccounts(r);
            r.next();
            QCOMPARE(r.w->currentPage(), 1);
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
            QCOMPARE(asked_, 1);
            QVERIFY(TransferControl::trustedFingerprint(tls.host()).isEmpty());

            answer_ = true;
            r.next();
            QCOMPARE(r.w->currentPage(), 2);
            QVERIFY(r.messages.isEmpty());
            QCOMPARE(asked_, 2);
            QCOMPARE(TransferControl::trustedFingerprint(tls.host()),
                     certs_.fingerprint(selfSigned_.cert));
        }
        asked_ = 0;
        answer_ = false;
        tls.clearLog();
        WizardRun again;
        QVERIFY(fx.toFilePage(again));
        QVERIFY2(again.messages.isEmpty(), qPrintable(again.shown()));
        QCOMPARE(asked_, 0);
        QVERIFY(tls.loggedInEncrypted());
    }
};

QTEST_MAIN(TestTlsWizard)
#include "test_tls_wizard.moc"
