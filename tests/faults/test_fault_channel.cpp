// Faults of the server and of the connection met by the server session against the real local
// Lumora server, where the wizard-level fault tests cannot reach: a server stalled in the middle
// of the data, a lost class listing, and the server's slide-text file damaged or lost when
// slides are appended.
#include "FaultSupport.h"

#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "server/ClassCatalogue.h"
#include "server/LectureUpload.h"
#include "support/FakeReader.h"
#include "support/LumoraServer.h"
#include "support/ServerRun.h"

#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>

namespace {

const QString kLecture = QStringLiteral("classes/cs101/Mar.5.1999.1/");

// Counts timer ticks: proof that window events are delivered while an operation waits.
struct Ticker {
    QTimer timer;
    int ticks = 0;
    std::function<void()> onTick = [] {};
    explicit Ticker(int ms) {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks, onTick(); });
        timer.start(ms);
    }
};

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
    // buffers hold: the stalled-transfer time-out ends the wait, the user sees one message with
    // the time-out's number, the clean-up runs, and window events kept flowing all along.
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
        Ticker ticker(1);

        const QString message = r.failureOf([&] { ftpUploadLecture(r.m); });
        done = true;
        watcher.join();
        QVERIFY(frozen);
        QVERIFY2(message.startsWith("Error: The server did not answer in time") &&
                     message.endsWith(",  12002" + fx_.server->host()),
                 qPrintable(message));
        QVERIFY(ticker.ticks > 0);
        QVERIFY(!r.progress.lines.contains("FTPing description"));
        const qint64 arrived = QFileInfo(arriving).size();
        QVERIFY2(arrived > 0 && arrived < slideSize, qPrintable(QString::number(arrived)));
        QVERIFY(!QFile::exists(dir + "Slide2.gif")); // a cut slide never takes the real name
        ::kill(pid, SIGCONT);
        QTRY_VERIFY(!fx_.names().contains("description"));
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
        std::optional<faults::Freeze> freeze;
        if (stalled)
            freeze.emplace(*fx_.server);
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

    // Appending to a lecture whose slide-text file on the server is damaged: whatever the
    // server held before the first closing-tag line reaches the server again, byte for byte,
    // followed by the new slide and one closing tag at the end. (An intact file is merged by
    // the wizard-road test's append.)
    void damagedSlideTextIsKept_data() {
        QTest::addColumn<QByteArray>("server"); // null: the lecture has no slide-text file
        QTest::addColumn<QByteArray>("kept");
        const QByteArray old = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n";
        QTest::newRow("no closing tag") << old << old;
        QTest::newRow("cut in the middle of a line")
            << old.left(old.size() - 5) << old.left(old.size() - 5) + "\r\n";
        QByteArray junk = old;
        for (int b = 0; b < 256; ++b)
            junk.append(char(b));
        QTest::newRow("binary junk, no closing tag") << junk << junk + "\r\n";
        QByteArray lf = old;
        lf.replace("\r\n", "\n");
        QTest::newRow("line feeds only") << lf + "</stml>\n" << lf;
        QTest::newRow("missing") << QByteArray() << QByteArray("<stml>\r\n");
    }
    void damagedSlideTextIsKept() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, kept);
        QVERIFY(fx_.server->writeFile("lumora/" + kLecture + "Slide1.gif", "old slide"));
        if (!server.isNull())
            QVERIFY(fx_.server->writeFile("lumora/" + kLecture + "extract.stml", server));
        ServerRun& r = connected();
        QVERIFY(r.writeLecture(1, 1));
        r.m.slideOffset = 1;
        FakeReader reader;
        reader.slides[1] = titled("New title", "New body");
        writeSlideText(reader, r.lecture, true, [&] { return ftpFetchSlideText(r.m); });
        ftpUploadLecture(r.m);

        const QByteArray sent = fx_.server->readFile("lumora/" + kLecture + "extract.stml");
        QCOMPARE(sent, kept + "<slide>\r\n<title>New title</title>\r\n<sentence>New "
                              "body</sentence>\r\n</slide>\r\n</stml>\r\n");
        QCOMPARE(fx_.server->readFile("lumora/" + kLecture + "Slide1.gif"),
                 QByteArray("old slide"));
        QCOMPARE(fx_.server->readFile("lumora/" + kLecture + "Slide2.gif"), QByteArray("slide 1"));
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
        Ticker ticker(1);
        ticker.onTick = [&] {
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
        };
        QString failure;
        try {
            ftpUploadLecture(r.m);
        } catch (const Failure& f) {
            failure = f.description();
        }
        QVERIFY(stopped);
        QVERIFY2(failure.contains("connection to the server was lost"), qPrintable(failure));
        QCOMPARE(fx_.server->readFile("lumora/" + kLecture + "extract.stml"), old);
    }
};

QTEST_GUILESS_MAIN(TestFaultChannel)
#include "test_fault_channel.moc"
