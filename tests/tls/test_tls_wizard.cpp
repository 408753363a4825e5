// The wizard against a server offering TLS: the certificate question comes at the connection
// test of the server page, through the one place where it is put (answered here by the test).
#include "TlsServer.h"
#include "wizard/WizardRun.h"

#include "platform/ftp/TransferControl.h"
#include "windows/FrmCertificate.h"

class TestTlsWizard : public QObject {
    Q_OBJECT
    QTemporaryDir settings_;
    TestCertificates certs_;
    TestCertificates::Pair selfSigned_, signed_;
    QList<CertificateInfo> asked_;
    bool answer_ = false;

    bool startServer(TlsServer& server, const TestCertificates::Pair& certificate) {
        if (!server.start(certificate) ||
            !server.writeFile("lumora/admin/passwd", "ann:pw123:Ann Lee\n"))
            return false;
        writeSetting("System", server.host());
        return true;
    }

    // Start, then the server page filled in (the host comes from the settings).
    static void toServerPage(WizardRun& r, const TlsServer& server) {
        r.next();
        r.typeAccounts("ann", "pw123", server);
    }

private slots:
    void initTestCase() {
        settingsStore::useDirectory(settings_.path());
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
        TlsServer server;
        QVERIFY2(startServer(server, selfSigned_), qPrintable(server.error()));
        {
            WizardRun r;
            toServerPage(r, server);
            r.next();
            QCOMPARE(r.w->currentPage, 1);
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
            QCOMPARE(asked_.size(), 1);
            QCOMPARE(asked_.first().host, server.host());
            QCOMPARE(asked_.first().fingerprint, certs_.fingerprint(selfSigned_.cert));
            for (const TlsServer::Command& c : server.commands())
                QVERIFY2(c.name != "USER" && c.name != "PASS", qPrintable(c.name));
            QVERIFY(TransferControl::trustedFingerprint(server.host()).isEmpty());

            answer_ = true;
            r.next();
            QCOMPARE(r.w->currentPage, 2);
            QVERIFY(r.messages.isEmpty());
            QCOMPARE(asked_.size(), 2);
            QCOMPARE(TransferControl::trustedFingerprint(server.host()),
                     certs_.fingerprint(selfSigned_.cert));
            QVERIFY(server.loggedInEncrypted());
        }
        asked_.clear();
        answer_ = false;
        server.clearLog();
        WizardRun again;
        toServerPage(again, server);
        again.next();
        QVERIFY2(again.messages.isEmpty(), qPrintable(again.messages.join(" | ")));
        QCOMPARE(again.w->currentPage, 2);
        QVERIFY(asked_.isEmpty());
        QVERIFY(server.loggedInEncrypted());
    }

    // A whole lecture, Start to "Slide-Ferry complete", on a server whose self-signed
    // certificate the user trusts: every upload runs over the encrypted, pinned session.
    void wholeLectureOverTls() {
        TlsServer server;
        QVERIFY2(startServer(server, selfSigned_), qPrintable(server.error()));
        QVERIFY(server.makeDir("lumora/classes/cs101fall26"));
        QTemporaryDir talks, work;
        const QString source = e2ePresentation();
        const QString fileName = QFileInfo(source).fileName();
        QVERIFY(QFile::copy(source, talks.filePath(fileName)));
        writeSetting("Directory", talks.path());
        writeSetting("ExportPath", work.path());
        answer_ = true;

        WizardRun r;
        toServerPage(r, server);
        r.next();
        QCOMPARE(r.w->currentPage, 2);
        QCOMPARE(asked_.size(), 1);
        QVERIFY(r.chooseFile(fileName));
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        r.w->Title->setText("A lecture");
        r.w->Classes->setCurrentText("cs101fall26");
        r.setDate("Mar", "5", "2026");
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        r.w->Resolution->setCurrentText("Custom");
        QTest::keyClicks(r.w->imageWidth, "320");
        QTest::keyClicks(r.w->imageHeight, "240");
        r.next();
        QCOMPARE(r.w->currentPage, 5);
        QTest::mouseClick(r.w->Finish, Qt::LeftButton);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.progressLines().last(), QString("Slide-Ferry complete"));
        QCOMPARE(asked_.size(), 1);

        const QString lecture = server.root() + "/lumora/classes/cs101fall26/Mar.5.2026.1";
        const QStringList files = QDir(lecture).entryList(QDir::Files);
        QVERIFY2(files.contains("blank.gif") && files.contains("Slide1.gif") &&
                     files.contains("description") && files.contains("extract.stml"),
                 qPrintable(files.join(' ')));
        QVERIFY(server.loggedInEncrypted());
        int stores = 0;
        for (const TlsServer::Command& c : server.commands())
            stores += c.name == "STOR" ? 1 : 0;
        QCOMPARE(stores, files.size());
    }

    // A certificate that verifies (here against the test authority named by SF_FTP_CA_FILE)
    // is not put to the user.
    void verifiedCertificateAsksNothing() {
        qputenv("SF_FTP_CA_FILE", certs_.authorityFile().toLocal8Bit());
        TlsServer server;
        QVERIFY2(startServer(server, signed_), qPrintable(server.error()));
        WizardRun r;
        toServerPage(r, server);
        r.next();
        qunsetenv("SF_FTP_CA_FILE");
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.w->currentPage, 2);
        QVERIFY(asked_.isEmpty());
        QVERIFY(server.loggedInEncrypted());
    }
};

QTEST_MAIN(TestTlsWizard)
#include "test_tls_wizard.moc"
