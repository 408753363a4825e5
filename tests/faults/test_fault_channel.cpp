// Faults of the server and of the connection met by the server session against the real local
// Lumora server, where the wizard-level fault tests cannot reach: a server stalled in the middle
// of the data, a lost class listing, and the server lost while the slide-text file is replaced.
// (A damaged slide-text file on the server is merged by the slide-text tests; its bytes travel
// exactly, see the transfer component's copies.)
#include "platform/Failure.h"
#include "server/ClassCatalogue.h"
#include "server/LectureUpload.h"
#include "support/LumoraServer.h"
#include "support/ServerRun.h"

#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

namespace {

const QString kLecture = QStringLiteral("classes/cs101/Mar.5.1999.1/");

} // namespace

class TestFaultChannel : public QObject {
    Q_OBJECT
    ServerSuite fx_;

    // A run of slides 1 to 3.
    ServerRun& connected() {
        ServerRun& r = fx_.connect();
        r.inet.setTimeouts(5000, 20000);
        if (!r.writeLecture(1, 3))
            qWarning("working files not written");
        return r;
    }

private slots:
    void initTestCase() {
        QVERIFY2(fx_.start(std::make_unique<LumoraServer>()), qPrintable(fx_.server->error()));
    }
    void init() { QVERIFY(fx_.reset()); }

    // The server stops answering in the middle of a slide bigger than the connection's
    // buffers hold: the stalled-transfer time-out ends the wait with a message holding the
    // time-out's number, and the cut slide never takes its real name. (Window events during the
    // wait, and nothing sent after a failed step: the channel's wait test and the server
    // session's failed-put test.)
    void stalledServerTimesOut() {
        ServerRun& r = connected();
        const int slideSize = 32 << 20;
        QVERIFY(r.writeLocal("Slide2.GIF", QByteArray(slideSize, 'x')));
        r.inet.setTimeouts(2000, 2000);
        // Frozen from a watcher thread as soon as the server has begun to write the slide (under
        // its temporary name until complete; this thread's event loop is too coarse to catch it).
        const QString dir = fx_.server->root() + "/lumora/" + kLecture;
        const QString arriving = dir + ".Slide2.gif.part";
        const pid_t pid = pid_t(fx_.server->pid());
        std::atomic<bool> frozen{false}, done{false};
        std::thread watcher([&] {
            while (!done && QFileInfo(arriving).size() == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            frozen = !done && ::kill(pid, SIGSTOP) == 0;
        });
        const auto thaw = qScopeGuard([&] {
            done = true;
            if (watcher.joinable())
                watcher.join();
            ::kill(pid, SIGCONT);
        });
        const QString message = r.failureOf([&] { ftpUploadLecture(r.m); });
        done = true;
        watcher.join();
        QVERIFY(frozen);
        QVERIFY2(message.startsWith("Error: The server did not answer in time") &&
                     message.endsWith(",  12002" + fx_.server->host()),
                 qPrintable(message));
        const qint64 arrived = QFileInfo(arriving).size();
        QVERIFY2(arrived > 0 && arrived < slideSize, qPrintable(QString::number(arrived)));
        QVERIFY(!QFile::exists(dir + "Slide2.gif"));
    }

    // The class listing cannot be had because the server is gone or stalled: that is reported
    // (and the program ends), never shown as a server without classes.
    void classListingLost_data() {
        QTest::addColumn<bool>("stalled");
        QTest::newRow("server gone") << false;
        QTest::newRow("server stalled") << true;
    }
    void classListingLost() {
        QFETCH(bool, stalled);
        ServerRun& r = connected();
        r.inet.setTimeouts(2000, 2000);
        const auto thaw = qScopeGuard([&] { fx_.server->sendSignal(SIGCONT); });
        if (stalled)
            QVERIFY(fx_.server->sendSignal(SIGSTOP));
        else
            fx_.server->stop();
        // A failure, not an empty class list; the front end reports it.
        QVERIFY_THROWS_EXCEPTION(Failure, ftpListClasses(r.m));
    }

    // A server without a class directory refuses the listing: an empty list, no message.
    void classListingRefused() {
        QVERIFY(QDir(fx_.server->lumoraDir() + "/classes").removeRecursively());
        ServerRun& r = connected();
        QCOMPARE(ftpListClasses(r.m), QStringList());
    }

    // The server goes away while the merged slide-text file replaces the old one: the old file
    // stays on the server as it was, never cut short.
    void serverGoneWhileReplacingSlideText() {
        const QByteArray old = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n</stml>\r\n";
        QVERIFY(fx_.server->writeFile("lumora/" + kLecture + "extract.stml", old));
        ServerRun& r = connected();
        QVERIFY(r.writeLocal("extract.stml", QByteArray(32 << 20, 'x')));
        const QString dir = fx_.server->root() + "/lumora/" + kLecture;
        bool stopped = false;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (!r.progress.lines.contains("FTPing STML file") || stopped)
                return;
            // Stopped as soon as anything of the new file has reached the server.
            qint64 arrived = 0;
            for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
                if (f.fileName() != "extract.stml" || f.size() != old.size())
                    arrived += f.fileName().contains("extract") ? f.size() + 1 : 0;
            if (arrived > 0) {
                stopped = true;
                fx_.server->stop();
            }
        });
        ticker.start(1);
        const QString failure = r.failureOf([&] { ftpUploadLecture(r.m); });
        QVERIFY(stopped);
        QVERIFY2(failure.contains("connection to the server was lost"), qPrintable(failure));
        QCOMPARE(fx_.server->readFile("lumora/" + kLecture + "extract.stml"), old);
    }
};

QTEST_GUILESS_MAIN(TestFaultChannel)
#include "test_fault_channel.moc"
