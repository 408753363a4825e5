// The server session's channel: the blocking wait over the transfer component, and the
// connection test, against a real local FTP server.
#include "platform/Failure.h"
#include "server/ModuleFtp.h"
#include "support/TestFtpServer.h"

#include <QTest>
#include <QTimer>

class TestModuleFtp : public QObject {
    Q_OBJECT
    std::unique_ptr<TestFtpServer> server_ = selectedFtpServer();
    TransferControl inet_;
    LectureRecord fields_;

private slots:
    void initTestCase() { QVERIFY2(server_->start(), qPrintable(server_->error())); }
    void init() {
        fields_.host = server_->host();
        fields_.corvaneId = server_->user();
        fields_.corvanePassword = server_->password();
        inet_.setTimeouts(15000, 30000);
    }

    // The wait lets other events run and returns after the end: intermediate states from other
    // sources do not end it (only 11 and 12 do), and an operation started by an event handler
    // is refused; the waiting caller still gets its own operation's complete result. (That the
    // wait does not judge the outcome is met by the appends to an existing lecture, whose mkdir
    // is refused; a program ended during the wait stops the caller: the fault tests' cancel while
    // the server stalls.)
    void eventsDuringTheWait() {
        ModuleFtp ftp(inet_, fields_);
        QVERIFY(ftp.ftpConnect());
        bool refused = false;
        QTimer::singleShot(0, [&] {
            for (int s : {-1, 0, 4, 8, 10, 13, 40, 32767})
                ftp.ftpStateChanged(s);
            QVERIFY(!ftp.ftpDone);
            try {
                ftp.ftpExecute(FtpOperation::cd("~/lumora"));
            } catch (const Failure&) {
                refused = true;
            }
        });
        ftp.ftpExecute(FtpOperation::ls("~/lumora/*"));
        QVERIFY(refused);
        QVERIFY(ftp.ftpDone);
        QVERIFY(!inet_.StillExecuting());
        QCOMPARE(inet_.GetChunk(1024).split("\r\n", Qt::SkipEmptyParts),
                 (QStringList{"admin", "classes"}));
    }

    // The connection test: true, or InputRefused whose message is
    // "Error: <description>, <host>" (with advice for a refused login).
    void connectTest_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("description"); // "" for success
        QTest::addColumn<int>("code");            // ResponseCode, -1: not started
        QTest::newRow("good") << server_->host() << "" << 0;
        QTest::newRow("empty host") << QString() << "No server host name was given" << -1;
        QTest::newRow("bad host") << QString("lumora server") << "The server host name is not valid"
                                  << -1;
        QTest::newRow("wrong password")
            << server_->host() << "did not accept the Corvane account \"" + server_->user() + "\""
            << int(TransferControl::LoginRefused);
        QTest::newRow("no server")
            << QStringLiteral("127.0.0.1:%1").arg(TestFtpServer::freeLoopbackPort())
            << "Cannot connect to the server" << int(TransferControl::CannotConnect);
    }
    void connectTest() {
        QFETCH(QString, host);
        QFETCH(QString, description);
        QFETCH(int, code);
        const QString password =
            QTest::currentDataTag() == QByteArray("wrong password") ? "wrong" : server_->password();
        fields_.host = host;
        fields_.corvanePassword = password;
        // The server answers a wrong password only after a pause of about 3 s.
        inet_.setTimeouts(10000, 10000);
        ModuleFtp ftp(inet_, fields_);
        QString text;
        try {
            QVERIFY(ftp.ftpConnect());
        } catch (const InputRefused& refused) {
            text = refused.message(host);
        }
        QCOMPARE(text.isEmpty(), description.isEmpty());
        QCOMPARE(inet_.URL, "FTP://" + host); // the settings stay as the test set them
        QCOMPARE(inet_.UserName, server_->user());
        QCOMPARE(inet_.Password, password);
        QVERIFY(ftp.ftpDone); // also after input refused before anything started
        if (code >= 0)
            QCOMPARE(inet_.ResponseCode(), code);
        if (description.isEmpty())
            return;
        // The server is named once, after the reason.
        QVERIFY2(text.startsWith("Error: ") && text.contains(", " + host) &&
                     (host.isEmpty() || text.count(host) == 1),
                 qPrintable(text));
        QVERIFY2(text.contains(description), qPrintable(text));
    }
};

QTEST_MAIN(TestModuleFtp)
#include "test_module_ftp.moc"
