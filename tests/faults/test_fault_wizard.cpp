// Faults met on the user's path through the real wizard, against the real local Lumora server and
// the real office: the server gone in the middle of the upload, a read-only account, the
// connection dropped between steps, a stalled server, and a working directory that cannot be used.
// Each checks what the user saw, whether the program ended, and what the server holds afterwards.
// (Window events delivered while the program waits for the server: the wait test of
// test_server_session and the stall test of test_server_faults.)
#include "wizard/WizardRun.h"

#include "platform/ftp/TransferControl.h"

#include <QElapsedTimer>
#include <QScopeGuard>

class TestFaultWizard : public QObject {
    Q_OBJECT
    LectureWizard fx_;
    TestFtpServer* server_ = nullptr;
    const QString fileName_ = QStringLiteral("basic_test_ppt_file.ppt"); // 2 slides
    const QStringList wholeLecture{"Slide1.gif", "Slide2.gif", "blank.gif", "description",
                                   "extract.stml"};

    // From Start to the Advanced page of a new lecture (the Corvane account given, or the
    // server's); onFilePage runs when the file page shows.
    bool toFinish(WizardRun& r, const QString& cvid = {}, const QString& cvPassword = {},
                  const std::function<void()>& onFilePage = {}) {
        fx_.toAccounts(r);
        if (!cvid.isEmpty()) {
            r.w->lumoraInfo().CVID()->setText(cvid);
            r.w->lumoraInfo().CVPassword()->setText(cvPassword);
        }
        return fx_.toAdvancedPage(r, fileName_, onFilePage);
    }

    // The run ended after one error message naming the host, without completing, and left no
    // working file of the transfer behind.
    void checkEndedWithOneError(WizardRun& r, const QString& part) {
        QCOMPARE(r.messages.size(), 1);
        const QString& m = r.messages.first();
        QVERIFY2(m.startsWith("Error: ") && m.contains(part) && m.endsWith(server_->host()),
                 qPrintable(m));
        QCOMPARE(r.ends, 1);
        QVERIFY(!r.completed());
        QVERIFY(r.w->frmProgress().doneButton()->isHidden());
        QCOMPARE(fx_.workingFilesLeft(), QStringList());
    }

private slots:
    void initTestCase() {
        TestFtpServer::Options options;
        options.readonlyUser = QStringLiteral("reader");
        options.readonlyPassword = QStringLiteral("look");
        QVERIFY(fx_.start({fileName_}, std::make_unique<LumoraServer>(options)));
        server_ = fx_.server.get();
    }
    void init() { QVERIFY(fx_.reset()); }
    void cleanupTestCase() { fx_.server.reset(); }

    // The server goes away between two slides: one message, the clean-up, the end. The first
    // slide and the blank image stay on the server; nothing else was sent.
    void serverGoneMidUpload() {
        WizardRun r;
        QVERIFY(toFinish(r));
        r.onProgressLine("FTPing slide 2", [this] { server_->stop(); });
        r.finish();
        checkEndedWithOneError(r, "");
        QCOMPARE(fx_.lectureFiles(), QStringList({"Slide1.gif", "blank.gif"}));
    }

    // An account that may only read: the first file the server refuses is reported and nothing
    // of the lecture reaches the server.
    void readOnlyAccount() {
        WizardRun r;
        QVERIFY(toFinish(r, "reader", "look"));
        r.finish();
        checkEndedWithOneError(r, "blank.gif");
        QVERIFY(r.messages.first().endsWith(",  12003" + server_->host()));
        QCOMPARE(fx_.lectures(), QStringList());
    }

    // The server restarts (connections dropped) between the account check and the class
    // listing, and again between two uploads: each next operation connects anew.
    void connectionDroppedBetweenSteps() {
        WizardRun r;
        QVERIFY(toFinish(r, {}, {}, [this] { QVERIFY(server_->restart()); }));
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        bool restarted = false;
        r.onProgressLine("FTPing description", [&] { restarted = server_->restart(); });
        r.finish();
        QVERIFY(restarted);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        QVERIFY(r.completed());
        QCOMPARE(fx_.lectureFiles(), wholeLecture);
    }

    // Cancel while the server does not answer ends the program at once, without a message:
    // while the wizard waits for the server, and with an idle connection open.
    void cancelWhileServerStalled_data() {
        QTest::addColumn<bool>("waiting");
        QTest::newRow("during the connection test") << true;
        QTest::newRow("connection open and idle") << false;
    }
    void cancelWhileServerStalled() {
        QFETCH(bool, waiting);
        WizardRun r;
        fx_.toAccounts(r);
        r.w->inet1().setTimeouts(60000, 60000);
        if (!waiting) {
            r.next();
            QCOMPARE(r.w->currentPage(), 2);
        }
        const auto thaw = qScopeGuard([this] { server_->sendSignal(SIGCONT); });
        QVERIFY(server_->sendSignal(SIGSTOP));
        QElapsedTimer clock;
        clock.start();
        if (waiting) {
            QTimer::singleShot(300, r.w.get(),
                               [&] { QTest::mouseClick(r.w->Cancel(), Qt::LeftButton); });
            r.next();
        } else {
            QTest::mouseClick(r.w->Cancel(), Qt::LeftButton);
        }
        // A hang guard, far below the time-outs set above.
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(r.ends, 1);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
    }

    // A working directory that cannot be used is reported before anything is converted or
    // sent; the program ends without a lecture on the server.
    void unusableWorkingDirectory_data() {
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "does not exist";
        QTest::newRow("file") << "is not a folder";
        QTest::newRow("unwritable") << "cannot be written";
    }
    void unusableWorkingDirectory() {
        const QString kind = QString::fromLatin1(QTest::currentDataTag());
        QFETCH(QString, reason);
        QTemporaryDir base;
        const QString dir = base.filePath("work");
        if (kind == "file")
            QVERIFY(QFile(dir).open(QIODevice::WriteOnly));
        // Unwritable for root too (the immutable attribute), until the test ends.
        const auto unlock = qScopeGuard([&] {
            if (kind == "unwritable")
                QProcess::execute("chattr", {"-i", dir});
        });
        if (kind == "unwritable" &&
            (!QDir().mkpath(dir) || QProcess::execute("chattr", {"+i", dir}) != 0))
            QSKIP("chattr +i is not available here");
        WizardRun r;
        QVERIFY(toFinish(r));
        r.w->advanced().ExportPath()->setText(dir);
        r.finish();
        checkEndedWithOneError(r, QString("Error: The working directory %1 %2").arg(dir, reason));
        QVERIFY(!r.progressLines().contains("FTPing slides..."));
        QCOMPARE(fx_.lectures(), QStringList());
    }
};

QTEST_MAIN(TestFaultWizard)
#include "test_fault_wizard.moc"
