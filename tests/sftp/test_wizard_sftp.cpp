// The wizard with an SFTP server in its server field: the host key is asked about once, through
// the same question as a certificate, and remembered; the road goes on as over FTP, with no
// note about a clear-text login.
#include "platform/ftp/TransferControl.h"
#include "support/SshServer.h"
#include "windows/FrmCertificate.h"
#include "wizard/WizardRun.h"

#include <QLabel>
#include <QScopeGuard>

class TestWizardSftp : public QObject {
    Q_OBJECT

private slots:
    void hostKeyAskedOnceThenRemembered() {
        QList<CertificateInfo> asked;
        bool answer = false;
        FrmCertificate::setAnswerer([&](const CertificateInfo& c) {
            asked << c;
            return answer;
        });
        const auto restore = qScopeGuard([] { FrmCertificate::setAnswerer({}); });
        LectureWizard fx;
        auto server = std::make_unique<SshServer>();
        SshServer& ssh = *server;
        QVERIFY2(fx.start({}, std::move(server)), qPrintable(ssh.error()));
        {
            WizardRun r;
            fx.toAccounts(r);
            QCOMPARE(r.named<QLineEdit>("FTPMachine")->text(), ssh.server());
            r.next(); // refused: the page stays, without a message (the user has said no)
            QCOMPARE(r.page(), 1);
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
            QCOMPARE(asked.size(), 1);
            QVERIFY(asked.first().hostKey);
            QCOMPARE(asked.first().fingerprint, ssh.hostKeyFingerprint());

            answer = true;
            r.next();
            QCOMPARE(r.page(), 2);
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
            QCOMPARE(TransferControl::trustedHostKey(ssh.host()), ssh.hostKeyFingerprint());
            r.back();
            QVERIFY(!r.named<QLabel>("loginInClear")->isVisible());
        }
        WizardRun again;
        QVERIFY(fx.toFilePage(again));
        QCOMPARE(asked.size(), 2);
    }
};

QTEST_MAIN(TestWizardSftp)
#include "test_wizard_sftp.moc"
