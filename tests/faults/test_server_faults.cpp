// The server session against the real local Lumora server at its worst. What the server hands
// the program: account files of every shape (the matching rules, and files that are huge or
// malformed), class listings that are long, hold odd names or cannot be had, slides numbered past
// the 16-bit limit. And faults of the server and of the connection, where the wizard-level fault
// tests cannot reach: a server stalled in the middle of the data, a lost class listing, and the
// server lost while the slide-text file is replaced. (Session numbers and long slide numbers at
// their limits are in the server session tests; a damaged slide-text file on the server is merged
// by the slide-text tests, and its bytes travel exactly, see the transfer component's copies.)
#include "platform/Failure.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/LectureUpload.h"
#include "support/LumoraServer.h"
#include "support/ServerRun.h"

#include <QDir>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace {
const QString kLecture = QStringLiteral("classes/cs101/Mar.5.1999.1/");
} // namespace

class TestServerFaults : public QObject {
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

    // The account file as the server holds it, checked for an account ("id:password"). (Comment
    // lines, text after the last LF, CR LF files and the Windows-1252 text are checked on every
    // kept input of the account-file fuzz target.)
    void accountFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("accepted");
        QByteArray big;
        for (int i = 0; big.size() < 5'000'000; ++i)
            big += "user" + QByteArray::number(i) + ":pw" + QByteArray::number(i) + ":x\n";
        const QByteArray usual("# c\n\n\njunk\nann\nann:pw\n\nbob:secret:Bob:\nann:pw:Ann:x\n");
        QTest::newRow("after comment, empty and short lines") << usual << "ann:pw" << true;
        QTest::newRow("id in other case") << usual << "Ann:pw" << false;
        QTest::newRow("further field is not the password") << usual << "bob:Bob" << false;
        QTest::newRow("empty password field") << QByteArray("ann::x\n") << "ann:" << true;
        QTest::newRow("stored id with trailing blanks")
            << QByteArray("ann  :pw:\n") << "ann:pw" << false;
        QTest::newRow("5 MB, match last") << big + "ann:pw:Ann\n"
                                          << "ann:pw" << true;
        QTest::newRow("a line of 1 MB before the match")
            << QByteArray(1 << 20, 'x') + "\nann:pw:Ann\n"
            << "ann:pw" << true;
        QTest::newRow("a line of 1 MB of colons") << QByteArray(1 << 20, ':') + "\n"
                                                  << "ann:pw" << false;
        QTest::newRow("NUL bytes around the match")
            << QByteArrayLiteral("\0\0\n\0:\0:\nann:pw:\0\n") << "ann:pw" << true;
        QTest::newRow("NUL inside the password")
            << QByteArrayLiteral("ann:p\0w:Ann\n") << "ann:pw" << false;
        QTest::newRow("binary junk") << QByteArray(4096, '\xff') << "ann:pw" << false;
    }
    void accountFile() {
        QFETCH(QByteArray, file);
        QFETCH(QString, account);
        QFETCH(bool, accepted);
        QVERIFY(fx_.server->writeFile("lumora/admin/passwd", file));
        ServerRun& r = fx_.connect();
        r.lecture.lumoraId = account.section(':', 0, 0);
        r.lecture.lumoraPassword = account.section(':', 1);
        QCOMPARE(ftpCheckAccount(r.m), accepted);
        QCOMPARE(QDir(r.work.path()).entryList(QDir::Files), QStringList());
    }

    // Every class of a listing reaches the class list, however many there are (more than one
    // chunk of the listing) and whatever their names hold. (Names beginning with a dot are
    // hidden by the server and never listed.)
    void classListing() {
        QStringList names =
            QString::fromUtf8(" leading|in between|trailing |two  |a#b|c;d|e?f|[g]|h*i|x.y.|Übung|"
                              "日本語|café 😀")
                .split('|');
        for (int i = 0; i < 3000; ++i)
            names << QStringLiteral("class%1fall26").arg(i, 4, 10, QLatin1Char('0'));
        QVERIFY(QDir(fx_.server->lumoraDir() + "/classes").removeRecursively());
        for (const QString& n : names)
            QVERIFY2(fx_.server->makeDir("lumora/classes/" + n), qPrintable(n));
        ServerRun& r = fx_.connect();
        QStringList got = ftpListClasses(r.m);
        names.sort();
        got.sort();
        QCOMPARE(got.join("|"), names.join("|"));
    }

    // A server without a class directory refuses the listing: an empty list, no message. A
    // class name that is not UTF-8 on the server cannot be named back to it: it is listed (with
    // a substitute character) beside the other classes, and a lecture for it is refused
    // when it is looked up, with a message, without creating anything anywhere on the server.
    void classDirectoryMissingOrNotUtf8() {
        QVERIFY(QDir(fx_.server->lumoraDir() + "/classes").removeRecursively());
        ServerRun& r = fx_.connect();
        QCOMPARE(ftpListClasses(r.m), QStringList());
        QVERIFY(fx_.server->makeDir("lumora/classes/good"));
        const QByteArray bad = QFile::encodeName(fx_.server->lumoraDir() + "/classes/") + "caf\xe9";
        QCOMPARE(::mkdir(bad.constData(), 0755), 0); // the raw bytes, not valid UTF-8
        QStringList classes = ftpListClasses(r.m);
        QCOMPARE(classes.size(), 2);
        QVERIFY2(classes.contains("good"), qPrintable(classes.join('|')));
        classes.removeAll("good");
        r.lecture.className = classes.first();

        // The class cannot be listed under the name the program has for it: the lecture is
        // refused before anything is made.
        bool append = false;
        const QString message = r.failureOf([&] { ftpFindLecture(r.m, append); });
        QVERIFY2(message.contains("Cannot list the server directory") &&
                     message.contains("nothing was changed"),
                 qPrintable(message));
        // The class stayed empty (it can be removed) and no other directory was created.
        QCOMPARE(::rmdir(bad.constData()), 0);
        QCOMPARE(QDir(fx_.server->lumoraDir() + "/classes")
                     .entryList(QDir::NoDotAndDotDot | QDir::AllDirs),
                 QStringList{"good"});
        QVERIFY(QDir(fx_.server->lumoraDir() + "/classes/good").isEmpty());
    }

    // Slides that would be numbered past 32767 are refused before anything is sent: the
    // lecture on the server stays as it was.
    void slideNumbersBeyondTheLimit() {
        QVERIFY(fx_.server->writeFile("lumora/" + kLecture + "Slide32766.gif", "old"));
        ServerRun& r = fx_.connect();
        QVERIFY(r.writeLecture(1, 3));
        QVERIFY(r.open(true));
        QCOMPARE(int(r.m.slideOffset), 32766);
        const QString message = r.failureOf([&] { ftpUploadLecture(r.m); });
        QVERIFY2(message.contains("32767"), qPrintable(message));
        QCOMPARE(fx_.names(), QStringList{"Slide32766.gif"});
    }

    // The server stops answering in the middle of a replacement slide text bigger than the
    // connection's buffers hold: the stalled-transfer time-out ends the wait with a message
    // holding the time-out's number, and the cut file never takes the place of the lecture's
    // own. (Window events during the wait, and nothing sent after a failed step: the server
    // session's wait and failed-put tests.)
    void stalledServerTimesOut() {
        const QByteArray old = "<stml>\r\n</stml>\r\n";
        QVERIFY(fx_.server->writeFile("lumora/" + kLecture + "extract.stml", old));
        ServerRun& r = connected();
        const int size = 32 << 20;
        QVERIFY(r.writeLocal("extract.stml", QByteArray(size, 'x')));
        r.inet.setTimeouts(2000, 2000);
        // Frozen from a watcher thread as soon as the server has begun to write the file (under
        // its temporary name until complete; this thread's event loop is too coarse to catch it).
        const QString dir = fx_.server->root() + "/lumora/" + kLecture;
        const QString arriving = dir + ".extract.stml.part";
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
        QVERIFY(r.open(true));
        const QString message = r.failureOf([&] { ftpUploadLecture(r.m); });
        done = true;
        watcher.join();
        QVERIFY(frozen);
        QVERIFY2(message.startsWith("Error: The server did not answer in time") &&
                     message.endsWith(",  12002 " + fx_.server->host()),
                 qPrintable(message));
        const qint64 arrived = QFileInfo(arriving).size();
        QVERIFY2(arrived > 0 && arrived < size, qPrintable(QString::number(arrived)));
        QCOMPARE(fx_.server->readFile("lumora/" + kLecture + "extract.stml"), old);
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
        QVERIFY(r.open(true));
        const QString failure = r.failureOf([&] { ftpUploadLecture(r.m); });
        QVERIFY(stopped);
        QVERIFY2(failure.contains("connection to the server was lost"), qPrintable(failure));
        QCOMPARE(fx_.server->readFile("lumora/" + kLecture + "extract.stml"), old);
    }
};

QTEST_GUILESS_MAIN(TestServerFaults)
#include "test_server_faults.moc"
