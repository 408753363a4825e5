// Encrypted sessions against a real local FTP server offering TLS. The transfer component:
// certificate verification, the trust question, remembered trust, a changed certificate, and
// servers without TLS; the server's command log shows every command it received and whether it
// came encrypted. And the wizard: the certificate question comes at the connection test of the
// server page, through the one place where it is put (answered here by the test).
#include "TlsServer.h"

#include "platform/SettingsStore.h"
#include "support/FtpRun.h"
#include "windows/FrmCertificate.h"
#include "wizard/WizardRun.h"

#include <QMap>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

namespace {

// The names of the commands of the log, e.g. "AUTH USER PASS PBSZ PROT ...".
QStringList names(const QList<TlsServer::Command>& commands) {
    QStringList out;
    for (const TlsServer::Command& c : commands)
        out << c.name;
    return out;
}

} // namespace

class TestTls : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_;
    QTemporaryDir work_;
    TestCertificates certs_;
    QMap<QString, TestCertificates::Pair> pairs_; // by name; none for "": no TLS
    QString fingerprintA_, fingerprintB_;
    std::unique_ptr<TlsServer> server_;
    std::unique_ptr<TransferControl> inet_;
    QList<CertificateInfo> asked_;
    bool answer_ = false;

    // A new component, as in a new run of the program: it only knows what the settings and the
    // environment hold.
    void newComponent() {
        inet_ = std::make_unique<TransferControl>();
        loginTo(*inet_, *server_);
        inet_->askTrust = [this](const CertificateInfo& info) {
            asked_.append(info);
            return answer_;
        };
    }

    void startServer(const QString& certificate) {
        if (!server_)
            server_ = std::make_unique<TlsServer>();
        server_->certificate = pairs_.value(certificate);
        QVERIFY2(server_->start(), qPrintable(server_->error()));
        server_->clearLog();
    }

    FtpOutcome ls() { return runFtp(*inet_, FtpOperation::ls(QStringLiteral("lumora"))); }

private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid() && work_.isValid());
        settingsStore::useDirectory(settingsDir_.path());
        QVERIFY2(certs_.create(), qPrintable(certs_.error()));
        // The test authority, as a test set-up names it to the program.
        qputenv("SF_FTP_CA_FILE", certs_.authorityFile().toLocal8Bit());
        for (const auto& [name, subjectAltName, selfSigned] :
             {std::tuple("signed", "IP:127.0.0.1", false),
              {"wrongname", "DNS:other.invalid", false},
              {"selfA", "IP:127.0.0.1", true},
              {"selfB", "IP:127.0.0.1", true}})
            QVERIFY2(certs_.make(name, subjectAltName, selfSigned, pairs_[name]),
                     qPrintable(certs_.error()));
        fingerprintA_ = certs_.fingerprint(pairs_["selfA"].cert);
        fingerprintB_ = certs_.fingerprint(pairs_["selfB"].cert);
        QVERIFY(!fingerprintA_.isEmpty() && fingerprintA_ != fingerprintB_);
    }

    void init() {
        // Each test is a new host (a new port) with nothing remembered for it.
        server_.reset();
        asked_.clear();
        answer_ = false;
    }

    void cleanup() {
        inet_.reset();
        server_.reset();
    }

    // A first connection to a host whose certificate does not verify is refused unless the user
    // trusts it (trusted: the transfers below): the question tells the certificate, and the
    // connection ends at the handshake, before any login. With nobody to ask it is refused too.
    // (A self-signed certificate refused, then trusted, is met by the wizard case below.)
    void refusedFirstConnection_data() {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("askedReason"); // "": nobody to ask
        QTest::newRow("another host's name") << "wrongname"
                                             << "IP address mismatch";
        QTest::newRow("self-signed, nobody to ask") << "selfA"
                                                    << "";
    }
    void refusedFirstConnection() {
        QFETCH(QString, certificate);
        QFETCH(QString, askedReason);
        startServer(certificate);
        newComponent();
        if (askedReason.isEmpty())
            inet_->askTrust = nullptr;
        const FtpOutcome out = ls();
        QCOMPARE(out.code, 12045);
        QCOMPARE(out.states, QList<int>{TransferControl::icError});
        QVERIFY2(out.info.contains(askedReason), qPrintable(out.info));
        QCOMPARE(asked_.size(), askedReason.isEmpty() ? 0 : 1);
        if (!asked_.isEmpty()) {
            const CertificateInfo& c = asked_.first();
            QCOMPARE(c.host, server_->host());
            QCOMPARE(c.fingerprint, certs_.fingerprint(pairs_[certificate].cert));
            QCOMPARE(c.reason, askedReason);
            QCOMPARE(c.subject, QStringLiteral("CN=") + certificate);
            QVERIFY(c.trustedBefore.isEmpty());
            QVERIFY(!c.validUntil.isEmpty());
        }
        QVERIFY(TransferControl::trustedFingerprint(server_->host()).isEmpty());
        const QStringList log = names(server_->commands());
        QVERIFY2(log.value(0) == "AUTH" && !log.contains("USER") && !log.contains("PASS"),
                 qPrintable(log.join(' ')));
    }

    // Uploads and downloads run over protected data connections and keep every byte, also on a
    // host whose certificate the user trusted (remembered, and accepted by fingerprint on every
    // connection, the data connections included).
    void transfersAreEncrypted_data() {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("verified") << false;
        QTest::newRow("another host's name, trusted by the user") << true;
    }
    void transfersAreEncrypted() {
        QFETCH(bool, trusted);
        const QString certificate = trusted ? "wrongname" : "signed";
        startServer(certificate);
        newComponent();
        answer_ = true;
        QByteArray data;
        for (int i = 0; i < 70000; ++i)
            data.append(static_cast<char>(i * 7 + i / 256));
        QVERIFY(server_->writeFile("lumora/up.bin", data));
        const QString dst = work_.filePath("down.bin");

        QCOMPARE(runFtp(*inet_, FtpOperation::get("~/lumora/up.bin", dst)).code, 0);
        QCOMPARE(runFtp(*inet_, FtpOperation::put(dst, "~/lumora/back.bin")).code, 0);
        QCOMPARE(runFtp(*inet_, FtpOperation::mkdir("~/lumora/made")).code, 0);
        QCOMPARE(runFtp(*inet_, FtpOperation::cd("~/lumora/made")).code, 0);
        QVERIFY(inet_->Encrypted()); // as the Finish page then says
        QCOMPARE(asked_.size(), trusted ? 1 : 0);
        QCOMPARE(TransferControl::trustedFingerprint(server_->host()),
                 trusted ? certs_.fingerprint(pairs_[certificate].cert) : QString());
        QCOMPARE(server_->readFile("lumora/back.bin"), data);
        const QStringList log = names(server_->commands());
        QVERIFY2(log.contains("STOR") && log.contains("RETR") && server_->loggedInEncrypted(),
                 qPrintable(log.join(' ')));
    }

    // One host through its certificates. Without TLS at first, it is still served, the login
    // in clear text as before (with TLS, verified or trusted, the login arrives encrypted: the
    // tests above and the wizard case below). CLOSE issued while the question is open ends the
    // waiting operation (state 11 first) and the session, and the late answer changes nothing.
    // Another certificate on the same host is asked about again, never accepted silently:
    // refusing keeps the old trust, trusting replaces it. When TLS then disappears, the host
    // never gets the login in clear text.
    void oneHostThroughItsCertificates() {
        startServer("");
        newComponent();
        QCOMPARE(ls().code, 0);
        QVERIFY(!inet_->Encrypted());
        QVERIFY(asked_.isEmpty());
        QStringList log = names(server_->commands());
        QVERIFY2(log.value(0) == "AUTH" && log.contains("USER") && log.contains("PASS"),
                 qPrintable(log.join(' ')));

        startServer("selfA"); // same port
        newComponent();
        QList<int> states;
        connect(inet_.get(), &TransferControl::StateChanged, this, [&](int s) { states << s; });
        inet_->askTrust = [this](const CertificateInfo& info) {
            asked_.append(info);
            if (asked_.size() == 1)
                inet_->Execute(inet_->URL, FtpOperation::close());
            return true;
        };
        inet_->Execute(inet_->URL, FtpOperation::ls("lumora"));
        QTRY_COMPARE_WITH_TIMEOUT(states.size(), 2, 60000);
        QCOMPARE(states,
                 (QList<int>{TransferControl::icError, TransferControl::icResponseCompleted}));
        QVERIFY(!inet_->StillExecuting());
        const QString host = server_->host();
        QVERIFY(TransferControl::trustedFingerprint(host).isEmpty());
        // The close discarded the question: the next operation asks again.
        QCOMPARE(ls().code, 0);
        QCOMPARE(asked_.size(), 2);

        startServer("selfB"); // same port
        QCOMPARE(server_->host(), host);
        newComponent();
        asked_.clear();
        const FtpOutcome refused = ls();
        QCOMPARE(refused.code, 12045);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_.first().fingerprint, fingerprintB_);
        QCOMPARE(asked_.first().trustedBefore, fingerprintA_);
        QVERIFY(!names(server_->commands()).contains("PASS"));
        QCOMPARE(TransferControl::trustedFingerprint(host), fingerprintA_);

        answer_ = true;
        QCOMPARE(ls().code, 0);
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(TransferControl::trustedFingerprint(host), fingerprintB_);

        startServer("");
        newComponent();
        const FtpOutcome plain = ls();
        QCOMPARE(plain.code, 12157);
        QVERIFY2(plain.info.contains("no longer offers an encrypted connection"),
                 qPrintable(plain.info));
        QCOMPARE(asked_.size(), 2);
        log = names(server_->commands());
        QVERIFY2(log.value(0) == "AUTH" && !log.contains("USER") && !log.contains("PASS"),
                 qPrintable(log.join(' ')));
    }

    // Refused: the connection test fails, and the wizard stays on the page without a message (the
    // user has just said no). Trusted at the next try: the wizard goes on, and the next run of the
    // program asks nothing.
    void wizardRefusedThenTrustedThenRemembered() {
        int asked = 0;
        bool answer = false;
        FrmCertificate::setAnswerer([&](const CertificateInfo&) {
            ++asked;
            return answer;
        });
        const auto restore = qScopeGuard([this] {
            FrmCertificate::setAnswerer({});
            settingsStore::useDirectory(settingsDir_.path());
        });
        LectureWizard fx; // its own settings: nothing trusted
        auto server = std::make_unique<TlsServer>();
        TlsServer& tls = *server;
        tls.certificate = pairs_["selfA"];
        QVERIFY2(fx.start({}, std::move(server)), qPrintable(tls.error()));
        {
            WizardRun r;
            fx.toAccounts(r);
            r.next();
            QCOMPARE(r.page(), 1);
            QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
            QCOMPARE(asked, 1);
            QVERIFY(TransferControl::trustedFingerprint(tls.host()).isEmpty());

            answer = true;
            r.next();
            QCOMPARE(r.page(), 2);
            QVERIFY(r.messages.isEmpty());
            QCOMPARE(asked, 2);
            QCOMPARE(TransferControl::trustedFingerprint(tls.host()), fingerprintA_);
        }
        asked = 0;
        answer = false;
        tls.clearLog();
        WizardRun again;
        QVERIFY(fx.toFilePage(again));
        QVERIFY2(again.messages.isEmpty(), qPrintable(again.shown()));
        QCOMPARE(asked, 0);
        QVERIFY(tls.loggedInEncrypted());
    }
};

QTEST_MAIN(TestTls)
#include "test_tls.moc"
