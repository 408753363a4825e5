// The transfer component gives the same answers whichever FTP server it talks to: the places
// where pyftpdlib and ProFTPD (in its default set-up and in common other ones) answer
// differently, each run against the real servers.
#include "support/FtpRun.h"
#include "support/LumoraServer.h"
#include "support/ProftpdServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// A server of the named set-up: "pyftpdlib", "proftpd", or "proftpd listing all" (ProFTPD
// with "ListOptions -a", which lists ".", ".." and hidden names).
std::unique_ptr<TestFtpServer> makeServer(const QString& setup) {
    if (setup == QLatin1String("pyftpdlib"))
        return std::make_unique<LumoraServer>();
    auto server = std::make_unique<ProftpdServer>();
    if (setup == QLatin1String("proftpd listing all"))
        server->setExtraConfig({QStringLiteral("ListOptions \"-a\"")});
    return server;
}

} // namespace

class TestServerDifferences : public QObject {
    Q_OBJECT
    QTemporaryDir local_;

private slots:
    // The same listing from every server: sorted by character code (servers send their own
    // order), without "." and ".." and without hidden names.
    void listingsAreAlike_data() {
        QTest::addColumn<QString>("setup");
        QTest::newRow("pyftpdlib") << "pyftpdlib";
        QTest::newRow("proftpd") << "proftpd";
        QTest::newRow("proftpd listing all") << "proftpd listing all";
    }
    void listingsAreAlike() {
        QFETCH(QString, setup);
        const std::unique_ptr<TestFtpServer> server = makeServer(setup);
        QVERIFY2(server->start(), qPrintable(server->error()));
        // Created in an order of their own; the listing is expected sorted.
        QStringList visible;
        for (int i = 0; i < 60; ++i) {
            const QString name = QStringLiteral("c%1").arg((i * 37) % 60, 2, 10, QLatin1Char('0'));
            QVERIFY(server->makeDir("lumora/classes/" + name));
            visible << name;
        }
        QVERIFY(server->makeDir(QString::fromUtf8("lumora/classes/\xc3\x9c fall99")));
        QVERIFY(server->writeFile("lumora/classes/Notes.txt", "x"));
        QVERIFY(server->makeDir("lumora/classes/.cache"));
        QVERIFY(server->writeFile("lumora/classes/.ftpquota", "0 0\n"));
        visible << QString::fromUtf8("\xc3\x9c fall99") << "Notes.txt";
        std::sort(visible.begin(), visible.end());
        TransferControl inet;
        loginTo(inet, *server);
        const QStringList patterns{"~/lumora/classes/*", "~/lumora/classes/",
                                   "~/lumora/classes/?*"};
        for (const QString& path : patterns) {
            const FtpOutcome out = runFtp(inet, FtpOperation::ls(path));
            QCOMPARE(out.states, QList<int>{12});
            QCOMPARE(out.text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts), visible);
        }
        const FtpOutcome none = runFtp(inet, FtpOperation::ls("~/lumora/classes/.."));
        QCOMPARE(none.code, 0);
        QCOMPARE(none.text, QString());
    }

    // ProFTPD ends an idle session itself ("421 Idle timeout"); the next operation of every form
    // opens a new session and succeeds. The program tries a new session once: one that the
    // server ends too is a failure. So the idle limit must leave the new session's commands
    // ample time even on a loaded machine (with 1 s, a busy machine saw the new session end
    // between two of its commands); the test waits for the server's log, not for a clock.
    void sessionEndedByTheServer() {
        ProftpdServer server;
        server.setExtraConfig({QStringLiteral("TimeoutIdle 3")});
        QVERIFY2(server.start(), qPrintable(server.error()));
        QVERIFY(server.writeFile("lumora/admin/passwd", "ann:pw:Ann\n"));
        TransferControl inet;
        loginTo(inet, server);
        const QString dst = local_.filePath("passwd");
        const QList<FtpOperation> ops{
            FtpOperation::ls("~/lumora/*"),
            FtpOperation::cd("~/lumora/admin"),
            FtpOperation::mkdir("~/lumora/classes/new"),
            FtpOperation::get("~/lumora/admin/passwd", dst),
            FtpOperation::put(dst, "~/lumora/admin/copy"),
        };
        auto idleEnds = [&] {
            QFile log(server.logPath());
            return log.open(QIODevice::ReadOnly) ? log.readAll().count("idle timeout") : 0;
        };
        QCOMPARE(runFtp(inet, FtpOperation::ls("lumora")).code, 0);
        qsizetype sessions = 1;
        for (const FtpOperation& op : ops) {
            // Wait until the server has ended the last session (its log says so).
            const QDeadlineTimer deadline(30000);
            while (idleEnds() < sessions && !deadline.hasExpired())
                QTest::qWait(100);
            QVERIFY2(idleEnds() >= sessions, "the server did not end the idle session");
            const FtpOutcome out = runFtp(inet, op);
            QVERIFY2(out.code == 0, qPrintable(op.text() + ": " + inet.ResponseInfo()));
            ++sessions;
        }
        QCOMPARE(server.readFile("lumora/admin/copy"), QByteArray("ann:pw:Ann\n"));
        QVERIFY(QFileInfo::exists(server.root() + "/lumora/classes/new"));
    }

    // A busy server turns a new session away at the login ("530 Too many users"): reported as
    // a refused login that carries the server's reason; the session already open goes on.
    void busyServerRefusesASecondSession() {
        ProftpdServer server;
        server.setExtraConfig({QStringLiteral("MaxClients 1 \"Too many users\"")});
        QVERIFY2(server.start(), qPrintable(server.error()));
        TransferControl first, second;
        loginTo(first, server);
        loginTo(second, server);
        QCOMPARE(runFtp(first, FtpOperation::cd("~/lumora")).code, 0);
        const FtpOutcome refused = runFtp(second, FtpOperation::cd("~/lumora"));
        QCOMPARE(refused.states, QList<int>{11});
        QCOMPARE(refused.code, int(TransferControl::LoginRefused));
        QVERIFY2(second.ResponseInfo().contains("Too many users"),
                 qPrintable(second.ResponseInfo()));
        QCOMPARE(runFtp(first, FtpOperation::ls("~/lumora/*")).code, 0);
    }

    void initTestCase() { QVERIFY(local_.isValid()); }
};

QTEST_GUILESS_MAIN(TestServerDifferences)
#include "test_server_differences.moc"
