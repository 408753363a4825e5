// What the server hands the program, at its worst, through the real local Lumora server: account
// files of every shape (the matching rules, and files that are huge or malformed), class listings
// that are long or hold odd names, slides numbered past the 16-bit limit. (Session numbers and long
// slide numbers at their limits are in the server session tests.)
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/LectureUpload.h"
#include "support/LumoraServer.h"
#include "support/ServerRun.h"

#include <QDir>
#include <QTest>
#include <optional>
#include <sys/stat.h>

// A byte string with the NUL bytes its literal holds.
template <size_t N> QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, static_cast<qsizetype>(N - 1));
}

class TestBadServerInput : public QObject {
    Q_OBJECT
    ServerSuite fx_;

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
            << bytes("\0\0\n\0:\0:\nann:pw:\0\n") << "ann:pw" << true;
        QTest::newRow("NUL inside the password") << bytes("ann:p\0w:Ann\n") << "ann:pw" << false;
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

    // A class name that is not UTF-8 on the server cannot be named back to it: it is listed
    // (with a substitute character) beside the other classes, and a lecture for it stops at
    // the upload with a message, without creating anything anywhere on the server.
    void classNameNotUtf8() {
        QVERIFY(QDir(fx_.server->lumoraDir() + "/classes").removeRecursively());
        QVERIFY(fx_.server->makeDir("lumora/classes/good"));
        const QByteArray bad = QFile::encodeName(fx_.server->lumoraDir() + "/classes/") + "caf\xe9";
        QCOMPARE(::mkdir(bad.constData(), 0755), 0); // the raw bytes, not valid UTF-8
        ServerRun& r = fx_.connect();
        QStringList classes = ftpListClasses(r.m);
        QCOMPARE(classes.size(), 2);
        QVERIFY2(classes.contains("good"), qPrintable(classes.join('|')));
        classes.removeAll("good");
        r.lecture.className = classes.first();

        bool append = false;
        QVERIFY(ftpFindLecture(r.m, append));
        QVERIFY(r.writeLecture(1, 1));
        const QString message = r.failureOf([&] { ftpUploadLecture(r.m); });
        QVERIFY2(message.contains("12003"), qPrintable(message));
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
        QVERIFY(fx_.server->makeDir("lumora/classes/cs101/Mar.5.1999.1"));
        ServerRun& r = fx_.connect();
        QVERIFY(r.writeLecture(1, 3));
        r.m.slideOffset = 32766;
        const QString message = r.failureOf([&] { ftpUploadLecture(r.m); });
        QVERIFY2(message.contains("32767"), qPrintable(message));
        QVERIFY(QDir(fx_.server->lumoraDir() + "/classes/cs101/Mar.5.1999.1").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBadServerInput)
#include "test_bad_server_input.moc"
