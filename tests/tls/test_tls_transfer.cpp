// Encrypted sessions of the transfer component against a real local FTP server offering TLS:
// certificate verification, the trust question, remembered trust, a changed certificate, and
// servers without TLS. The server's command log shows every command it received and whether it
// came encrypted.
#include "TlsServer.h"

#include "platform/SettingsStore.h"
#include "support/FtpRun.h"

#include <QMap>
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

class TestTlsTransfer : public QObject {
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

    // The first connection to a host, by the certificate it shows and the user's answer. (A
    // self-signed certificate refused, then trusted, is met by the TLS wizard test.)
    void firstConnection_data() {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<int>("answer");          // 1 trust, 0 refuse, -1 nobody to ask
        QTest::addColumn<QString>("askedReason"); // "" when nothing may be asked
        QTest::addColumn<int>("code");            // 0: the login was sent, and encrypted
        QTest::newRow("another host's name, refused")
            << "wrongname" << 0 << "IP address mismatch" << 12045;
        QTest::newRow("another host's name, trusted")
            << "wrongname" << 1 << "IP address mismatch" << 0;
        QTest::newRow("self-signed, nobody to ask") << "selfA" << -1 << "" << 12045;
    }
    void firstConnection() {
        QFETCH(QString, certificate);
        QFETCH(int, answer);
        QFETCH(QString, askedReason);
        QFETCH(int, code);
        startServer(certificate);
        newComponent();
        answer_ = answer == 1;
        if (answer < 0)
            inet_->askTrust = nullptr;

        const FtpOutcome out = ls();
        QCOMPARE(out.code, code);
        QCOMPARE(out.states, QList<int>{code == 0 ? TransferControl::icResponseCompleted
                                                  : TransferControl::icError});
        if (askedReason.isEmpty()) {
            QVERIFY(asked_.isEmpty());
        } else {
            QCOMPARE(asked_.size(), 1);
            const CertificateInfo& c = asked_.first();
            QCOMPARE(c.host, server_->host());
            QCOMPARE(c.fingerprint, certs_.fingerprint(pairs_[certificate].cert));
            QCOMPARE(c.reason, askedReason);
            QCOMPARE(c.subject, QStringLiteral("CN=") + certificate);
            QVERIFY(c.trustedBefore.isEmpty());
            QVERIFY(!c.validUntil.isEmpty());
        }
        // Remembered exactly when the user trusted an unverified certificate.
        const QString remembered = TransferControl::trustedFingerprint(server_->host());
        QCOMPARE(remembered, answer == 1 && !askedReason.isEmpty()
                                 ? certs_.fingerprint(pairs_[certificate].cert)
                                 : QString());

        const QList<TlsServer::Command> log = server_->commands();
        QVERIFY(!log.isEmpty());
        QCOMPARE(log.first().name, QStringLiteral("AUTH"));
        if (code == 0) {
            QVERIFY2(server_->loggedInEncrypted(), qPrintable(names(log).join(' ')));
        } else {
            // Refused: the connection ended at the handshake, before any login.
            QVERIFY2(!names(log).contains("USER") && !names(log).contains("PASS"),
                     qPrintable(names(log).join(' ')));
            QVERIFY2(out.info.contains(askedReason), qPrintable(out.info));
        }
    }

    // Uploads and downloads run over protected data connections and keep every byte, also on a
    // host whose certificate was trusted by the user (accepted by fingerprint on every
    // connection, the data connections included).
    void transfersAreEncrypted_data() {
        QTest::addColumn<bool>("selfSigned");
        QTest::newRow("verified") << false;
        QTest::newRow("trusted by the user") << true;
    }
    void transfersAreEncrypted() {
        QFETCH(bool, selfSigned);
        startServer(selfSigned ? "selfA" : "signed");
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
        QCOMPARE(asked_.size(), selfSigned ? 1 : 0);
        QCOMPARE(server_->readFile("lumora/back.bin"), data);
        const QStringList log = names(server_->commands());
        QVERIFY2(log.contains("STOR") && log.contains("RETR") && server_->loggedInEncrypted(),
                 qPrintable(log.join(' ')));
    }

    // The same host with another certificate is asked about again and never accepted silently;
    // refusing keeps the old trust, trusting replaces it.
    void changedCertificateAsksAgain() {
        startServer("selfA");
        newComponent();
        answer_ = true;
        QCOMPARE(ls().code, 0);
        const QString host = server_->host();

        startServer("selfB"); // same port
        QCOMPARE(server_->host(), host);
        newComponent();
        asked_.clear();
        answer_ = false;
        const FtpOutcome refused = ls();
        QCOMPARE(refused.code, 12045);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_.first().fingerprint, fingerprintB_);
        QCOMPARE(asked_.first().trustedBefore, fingerprintA_);
        QVERIFY(!names(server_->commands()).contains("PASS"));
        QCOMPARE(TransferControl::trustedFingerprint(host), fingerprintA_);

        asked_.clear();
        answer_ = true;
        QCOMPARE(ls().code, 0);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(TransferControl::trustedFingerprint(host), fingerprintB_);
    }

    // A server without TLS is still served, the login in clear text as before; a host trusted
    // earlier never gets the login in clear text when TLS disappears. (With TLS, verified or
    // trusted, the login arrives encrypted: see the tests above and the TLS wizard test.)
    void serverWithoutTls_data() {
        QTest::addColumn<bool>("trustedEarlier");
        QTest::newRow("new host") << false;
        QTest::newRow("host trusted earlier") << true;
    }
    void serverWithoutTls() {
        QFETCH(bool, trustedEarlier);
        startServer("");
        if (trustedEarlier)
            TransferControl::rememberTrust(server_->host(), fingerprintA_);
        newComponent();
        const FtpOutcome out = ls();
        QCOMPARE(out.code, trustedEarlier ? 12157 : 0);
        QVERIFY2(!trustedEarlier || out.info.contains("no longer offers an encrypted connection"),
                 qPrintable(out.info));
        QVERIFY(asked_.isEmpty());
        const QStringList log = names(server_->commands());
        QCOMPARE(log.value(0), QStringLiteral("AUTH"));
        QCOMPARE(log.contains("USER") || log.contains("PASS"), !trustedEarlier);
    }

    // CLOSE issued while the question is open ends the waiting operation (state 11 first) and
    // the session; the late answer changes nothing.
    void closeWhileAsking() {
        startServer("selfA");
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
        QVERIFY(TransferControl::trustedFingerprint(server_->host()).isEmpty());
        // The close discarded the question: the next operation asks again.
        QCOMPARE(ls().code, 0);
        QCOMPARE(asked_.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestTlsTransfer)
#include "test_tls_transfer.moc"
