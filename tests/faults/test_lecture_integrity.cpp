// What lands on the server under faults, races and silence, through the server session as both
// front ends run it (look the lecture up, then transfer it), against the project's
// fault-injecting server: a lecture is never overwritten, never left half-made without a word,
// and a run that says nothing failed has sent every byte.
#include "pipeline/TextMerge.h"
#include "platform/Failure.h"
#include "server/LectureDirectory.h"
#include "server/LectureTransfer.h"
#include "server/LectureUpload.h"
#include "support/FaultFtpServer.h"
#include "support/ServerRun.h"

#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(FaultRule)

namespace {
const QString kClass = QStringLiteral("lumora/classes/cs101/");
const QString kLecture = kClass + QStringLiteral("Mar.5.1999.1/");
const QByteArray kOldText = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n</stml>\r\n";

// Every file and directory below the class, hidden ones too: path -> bytes ("dir" for a
// directory), to compare the server before and after.
QMap<QString, QByteArray> treeOf(const QString& root) {
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f = it.nextFileInfo();
        const QString path = f.filePath().mid(root.size());
        tree[path] = f.isDir() ? QByteArray("dir") : testEnv::readFile(f.filePath());
    }
    return tree;
}
} // namespace

class TestLectureIntegrity : public QObject {
    Q_OBJECT
    ServerSuite fx_;

    FaultFtpServer& server() { return static_cast<FaultFtpServer&>(*fx_.server); }
    QMap<QString, QByteArray> tree() { return treeOf(server().root() + "/" + kClass); }

    // An existing lecture: slides 1..n ("old n"), its description and slide text.
    void existingLecture(int slides = 3) {
        for (int i = 1; i <= slides; ++i)
            QVERIFY(server().writeFile(kLecture + QStringLiteral("Slide%1.gif").arg(i),
                                       "old " + QByteArray::number(i)));
        QVERIFY(server().writeFile(kLecture + "blank.gif", "old blank"));
        QVERIFY(server().writeFile(kLecture + "description", "Old\nann\ndate\r\n"));
        QVERIFY(server().writeFile(kLecture + "extract.stml", kOldText));
    }

    // A run for cs101, Mar 5 1999, session 1, with the working files of slides 1..slides;
    // time-outs short enough that faults end quickly, long enough for a busy machine, and a
    // short lock wait.
    ServerRun& connected(int slides = 3, ServerRun* other = nullptr) {
        ServerRun& r = other ? *other : fx_.connect();
        // Wide enough that a busy machine (the office drawing beside the test) never stalls a
        // server that answers; the tests of silence set a shorter stall themselves.
        r.inet.setTimeouts(5000, 15000);
        r.m.lockWaitMs = 1500;
        if (!r.writeLecture(1, slides))
            qWarning("working files not written");
        return r;
    }

    // The working files of an append, as the pipeline makes them: the server's slide text
    // fetched and opened up, one new slide after its slides.
    static void makeFiles(ServerRun& r, bool append) {
        if (!append)
            return;
        const bool merged = textMerge::mergeFile(r.work.path(), "extract.stml", "extract1.stml",
                                                 "</stml>", [&] { return ftpFetchSlideText(r.m); });
        QFile f(r.work.filePath("extract.stml"));
        if (!f.open(merged ? QIODevice::Append : QIODevice::WriteOnly))
            throw Failure("cannot write the slide text");
        f.write(merged ? "" : "<stml>\r\n");
        f.write("<slide>\r\n<title>New</title>\r\n</slide>\r\n</stml>\r\n");
    }

    // Looks the lecture up and transfers it, as the front ends do: "" when it arrived, else the
    // message the user is shown.
    QString send(ServerRun& r, int choice = -1, const std::function<void()>& meanwhile = {}) {
        r.choice = choice;
        return r.failureOf([&] {
            bool append = false;
            if (!ftpFindLecture(r.m, append))
                throw Failure("the lecture exists");
            ftpTransferLecture(r.m, append, [&](bool a) {
                makeFiles(r, a);
                if (meanwhile)
                    meanwhile();
            });
        });
    }

private slots:
    void initTestCase() {
        QVERIFY2(fx_.start(std::make_unique<FaultFtpServer>()), qPrintable(fx_.server->error()));
    }
    void init() {
        QVERIFY(server().clearRules());
        server().clearCommandLog();
        QVERIFY(fx_.reset());
    }

    // The server refuses to say whether the lecture is there, or what it holds: the run stops
    // before anything is written, and says so; the lecture stays byte for byte as it was.
    void refusedLookupChangesNothing_data() {
        QTest::addColumn<FaultRule>("rule");
        QTest::addColumn<int>("choice");
        QTest::newRow("CWD into the lecture refused")
            << FaultRule::refuse("CWD", "550 Permission denied", "Mar.5.1999.1") << -1;
        QTest::newRow("class listing refused, 450")
            << FaultRule::refuse("NLST", "450 Try again", {}, 1)
            << int(LectureExistsChoice::NextSession);
        QTest::newRow("class listing refused, 425")
            << FaultRule::refuse("NLST", "425 No data connection", {}, 1)
            << int(LectureExistsChoice::AppendSlides);
        QTest::newRow("slide count's listing refused")
            << FaultRule::refuse("NLST", "450 Try again", {}, 2)
            << int(LectureExistsChoice::AppendSlides);
    }
    void refusedLookupChangesNothing() {
        QFETCH(FaultRule, rule);
        QFETCH(int, choice);
        existingLecture();
        const auto before = tree();
        ServerRun& r = connected();
        QVERIFY(server().setRules({rule}));
        const QString message = send(r, choice);
        QVERIFY2(message.contains("nothing was changed"), qPrintable(message));
        QCOMPARE(tree(), before);
    }

    // Two runs to one new lecture: the first claims it; the second finds it and follows its
    // lecture-exists choice. The first lecture is whole either way.
    void twoRunsToOneNewLecture_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("second"); // where the second run's slides went, or its failure
        QTest::newRow("next session")
            << int(LectureExistsChoice::NextSession) << "Mar.5.1999.2/Slide1.gif";
        QTest::newRow("append") << int(LectureExistsChoice::AppendSlides)
                                << "Mar.5.1999.1/Slide4.gif";
        QTest::newRow("fail") << -1 << "created by another transfer in the meantime";
    }
    void twoRunsToOneNewLecture() {
        QFETCH(int, choice);
        QFETCH(QString, second);
        ServerRun& a = connected();
        ServerRun b(*fx_.server);
        connected(2, &b);
        bool appendA = false, appendB = false;
        QVERIFY(ftpFindLecture(a.m, appendA));
        QVERIFY(ftpFindLecture(b.m, appendB)); // both see a new lecture
        ftpTransferLecture(a.m, appendA, [](bool) {});
        b.choice = choice;
        const QString message = b.failureOf(
            [&] { ftpTransferLecture(b.m, appendB, [&](bool x) { makeFiles(b, x); }); });
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(server().readFile(kLecture + QStringLiteral("Slide%1.gif").arg(i)),
                     "slide " + QByteArray::number(i));
        if (second.contains('/'))
            QVERIFY2(message.isEmpty() && QFile::exists(server().root() + "/" + kClass + second),
                     qPrintable(message));
        else
            QVERIFY2(message.contains(second), qPrintable(message));
        QVERIFY(!tree().contains(".Mar.5.1999.1.lock"));
    }

    // One transfer at a time works on a lecture: a second append while the first holds the
    // lock waits, then stops without changing anything; afterwards it numbers its slides after
    // the first one's. A lock left by a transfer that was killed is broken, with a line saying so.
    void lockKeepsTransfersApart() {
        existingLecture(2);
        ServerRun& a = connected(3);
        ServerRun b(*fx_.server);
        connected(1, &b);
        QString blocked;
        QMap<QString, QByteArray> duringA;
        QCOMPARE(send(a, int(LectureExistsChoice::AppendSlides),
                      [&] {
                          duringA = tree();
                          blocked = send(b, int(LectureExistsChoice::AppendSlides));
                          QCOMPARE(tree(), duringA);
                      }),
                 QString());
        QVERIFY2(blocked.contains("Another transfer is working on the lecture"),
                 qPrintable(blocked));
        QVERIFY(b.progress.lines.contains("Waiting for another transfer to finish with the "
                                          "lecture ~/lumora/classes/cs101/Mar.5.1999.1/..."));
        QCOMPARE(server().readFile(kLecture + "Slide5.gif"), QByteArray("slide 3"));

        QVERIFY(server().makeDir(kClass + ".Mar.5.1999.1.lock/20000101T000000Z-dead"));
        b.progress.lines.clear();
        QCOMPARE(send(b, int(LectureExistsChoice::AppendSlides)), QString());
        QCOMPARE(server().readFile(kLecture + "Slide6.gif"), QByteArray("slide 1"));
        QVERIFY2(b.progress.lines.first().startsWith("Removed the lock of a transfer that did "
                                                     "not finish (taken at 2000-01-01"),
                 qPrintable(b.progress.lines.join('|')));
        QVERIFY(!tree().contains(".Mar.5.1999.1.lock"));

        // A lock of a program on this machine that has ended (killed outright) is broken at
        // once, however young; one of a program that runs is waited for.
        QProcess ended;
        ended.start("/bin/true");
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        const QString now = QDateTime::currentDateTimeUtc().toString("yyyyMMdd'T'HHmmss'Z'");
        const QString lock =
            kClass + ".Mar.5.1999.1.lock/" + now + "_%1_abc_" + QSysInfo::machineHostName();
        QVERIFY(server().makeDir(lock.arg(endedPid)));
        b.progress.lines.clear();
        QCOMPARE(send(b, int(LectureExistsChoice::AppendSlides)), QString());
        QVERIFY2(b.progress.lines.first().endsWith("(its program on this machine has ended)"),
                 qPrintable(b.progress.lines.join('|')));
        QVERIFY(server().makeDir(lock.arg(server().pid())));
        QVERIFY(send(b, int(LectureExistsChoice::AppendSlides))
                    .contains("Another transfer is working on the lecture"));
    }

    // Append chosen while GIF was the format, then JPG sent: the slides are counted again, for
    // the format really sent, from one listing; no name the lecture holds is written.
    void appendCountsTheFormatSent() {
        existingLecture(2);
        for (int i = 1; i <= 4; ++i)
            QVERIFY(server().writeFile(kLecture + QStringLiteral("Slide%1.jpg").arg(i), "old"));
        ServerRun& r = connected(2);
        r.choice = int(LectureExistsChoice::AppendSlides);
        bool append = false;
        QVERIFY(ftpFindLecture(r.m, append));
        QCOMPARE(int(r.m.slideOffset), 2);
        QVERIFY(r.writeLecture(1, 2, "JPG"));
        server().clearCommandLog();
        ftpTransferLecture(r.m, append, [&](bool a) { makeFiles(r, a); });
        QCOMPARE(server().readFile(kLecture + "Slide4.jpg"), QByteArray("old"));
        QCOMPARE(server().readFile(kLecture + "Slide5.jpg"), QByteArray("slide 1"));
        QCOMPARE(server().readFile(kLecture + "Slide6.jpg"), QByteArray("slide 2"));
        QVERIFY(!QFile::exists(server().root() + "/" + kLecture + "Slide3.gif")); // none made
        // The count: the lecture's listing and that of its partial files, and no more.
        QCOMPARE(server().commandsNamed("NLST").size(), 2);
    }

    // A server that stops answering a command, or answers with a line that is no reply: the
    // operation ends within the stall time, the message names what went unanswered, and the
    // server is left as it was.
    void silentServerEndsTheWait_data() {
        QTest::addColumn<FaultRule>("rule");
        QTest::addColumn<bool>("existing"); // the lecture exists and is appended to
        QTest::addColumn<QString>("named");
        QTest::newRow("no reply to CWD into the lecture")
            << FaultRule::silence("CWD", "Mar.5.1999.1", 1) << true
            << "no reply to CWD Mar.5.1999.1";
        QTest::newRow("junk, then silence")
            << FaultRule::junkThenSilence("CWD", "garbage", 4) << false << "no reply to CWD";
        QTest::newRow("no reply to EPSV")
            << FaultRule::silence("EPSV", {}, 6) << false << "no reply to EPSV";
        QTest::newRow("no 150 to STOR")
            << FaultRule::silence("STOR", {}, 2) << false << "no reply to STOR";
        QTest::newRow("append, no 150 to STOR")
            << FaultRule::silence("STOR", {}, 3) << true << "no reply to STOR";
    }
    void silentServerEndsTheWait() {
        QFETCH(FaultRule, rule);
        QFETCH(bool, existing);
        QFETCH(QString, named);
        if (existing)
            existingLecture();
        const auto before = tree();
        ServerRun& r = connected();
        r.inet.setTimeouts(5000, 4000);
        QVERIFY(server().setRules({rule}));
        const QString message = send(r, existing ? int(LectureExistsChoice::AppendSlides) : -1);
        QVERIFY2(message.contains("The server did not answer in time") && message.contains(named),
                 qPrintable(message));
        QVERIFY2(!message.contains("holds"), qPrintable(message));
        QCOMPARE(tree(), before);
    }

    // Cancel while the server does not answer stops the wait at once (well within two
    // seconds) and the new lecture is removed again.
    void cancelWhileSilent() {
        struct Cancelling : ServerRun::Lines {
            bool cancel = false;
            bool cancelRequested() const override { return cancel; }
        } progress;
        const auto before = tree();
        ServerRun& r = connected();
        r.inet.setTimeouts(3000, 60000);
        r.m.progress = &progress;
        QVERIFY(server().setRules({FaultRule::silence("STOR", {}, 2)}));
        QElapsedTimer sinceCancel;
        QTimer::singleShot(500, [&] {
            progress.cancel = true;
            sinceCancel.start();
        });
        QVERIFY_THROWS_EXCEPTION(StoppedByUser, send(r));
        QVERIFY2(sinceCancel.elapsed() < 2000, qPrintable(QString::number(sinceCancel.elapsed())));
        QCOMPARE(tree(), before);
    }

    // Transfers cut short, the server claiming otherwise: an upload is caught by the server's
    // size of it (SIZE, or its listing where SIZE is refused) before it takes its name; a fetch
    // of the slide text, from a server that does not tell sizes, by its missing closing line.
    // Either way the server is left as it was.
    void cutTransfers_data() {
        QTest::addColumn<QList<FaultRule>>("rules");
        QTest::addColumn<bool>("append");
        QTest::addColumn<QString>("said");
        QTest::newRow("upload cut, 226")
            << QList<FaultRule>{FaultRule::cut("STOR", 3, "226 Transfer complete.", 2)} << false
            << "holds 3 of the 7 bytes sent for Slide1.gif";
        QTest::newRow("upload cut, 226, no SIZE")
            << QList<FaultRule>{FaultRule::refuse("SIZE", "502 Not implemented"),
                                FaultRule::cut("STOR", 3, "226 Transfer complete.", 2)}
            << false << "holds 3 of the 7 bytes sent for Slide1.gif";
        QTest::newRow("append, fetch cut, no SIZE")
            << QList<FaultRule>{FaultRule::refuse("SIZE", "502 Not implemented"),
                                FaultRule::cut("RETR", 20)}
            << true
            << "The slide text of the lecture on the server could not be read whole; nothing "
               "was changed";
    }
    void cutTransfers() {
        QFETCH(QList<FaultRule>, rules);
        QFETCH(bool, append);
        QFETCH(QString, said);
        if (append)
            existingLecture();
        const auto before = tree();
        ServerRun& r = connected();
        QVERIFY(server().setRules(rules));
        const QString message = send(r, append ? int(LectureExistsChoice::AppendSlides) : -1);
        QVERIFY2(message.contains(said), qPrintable(message));
        QCOMPARE(tree(), before);
    }

    // A failure part-way through the upload, of a new lecture or an append: what the transfer
    // added is removed, the files it would replace were not touched, and the message says so.
    void failureMidUploadUndone_data() {
        QTest::addColumn<FaultRule>("rule");
        QTest::addColumn<bool>("append");
        QTest::newRow("disk full at the fifth file")
            << FaultRule::refuse("STOR", "552 Disk full", {}, 5) << false;
        QTest::newRow("421 during an upload")
            << FaultRule::closeAfterReply("STOR", "421 Bye", 3) << false;
        QTest::newRow("append, disk full at the description")
            << FaultRule::refuse("STOR", "552 Disk full", "description") << true;
        QTest::newRow("append, connection lost at the slide text")
            << FaultRule::closeWithoutReply("STOR", 0) << true;
    }
    void failureMidUploadUndone() {
        QFETCH(FaultRule, rule);
        QFETCH(bool, append);
        if (append)
            existingLecture();
        const auto before = tree();
        ServerRun& r = connected(6);
        QVERIFY(server().setRules({rule}));
        const QString message = send(r, append ? int(LectureExistsChoice::AppendSlides) : -1);
        QVERIFY2(message.endsWith("The server was left as it was before the transfer."),
                 qPrintable(message));
        QCOMPARE(tree(), before);
    }

    // A lecture left unfinished by an earlier transfer (no description, a partial file): the
    // rerun says so before it adds anything and removes the partial file.
    void rerunOverUnfinishedLecture() {
        for (int i = 1; i <= 2; ++i)
            QVERIFY(server().writeFile(kLecture + QStringLiteral("Slide%1.gif").arg(i), "old"));
        QVERIFY(server().writeFile(kLecture + ".Slide3.gif.part", "cut"));
        ServerRun& r = connected(1);
        QCOMPARE(send(r, int(LectureExistsChoice::AppendSlides)), QString());
        QVERIFY2(r.progress.lines.first().contains("was left unfinished by an earlier transfer "
                                                   "(2 slides, no description, 1 partial files "
                                                   "removed)"),
                 qPrintable(r.progress.lines.join('|')));
        QCOMPARE(server().readFile(kLecture + "Slide3.gif"), QByteArray("slide 1"));
        QVERIFY(!QFile::exists(server().root() + "/" + kLecture + ".Slide3.gif.part"));
    }

    // A server that refuses renaming still takes an append whole: the files it replaces go
    // under their own names, after the first refusal without trying again.
    void serverRefusingRenames() {
        existingLecture(2);
        ServerRun& r = connected(1);
        QVERIFY(server().setRules({FaultRule::refuse("RNFR", "502 Not implemented")}));
        QCOMPARE(send(r, int(LectureExistsChoice::AppendSlides)), QString());
        QCOMPARE(server().readFile(kLecture + "Slide3.gif"), QByteArray("slide 1"));
        QCOMPARE(server().readFile(kLecture + "blank.gif"), QByteArray("blank"));
        QCOMPARE(server().readFile(kLecture + "description"), QByteArray("d"));
        QVERIFY(server()
                    .readFile(kLecture + "extract.stml")
                    .endsWith("<title>New</title>\r\n"
                              "</slide>\r\n</stml>\r\n"));
        QCOMPARE(server().commandsNamed("RNFR").size(), 1);
        QVERIFY(!tree().keys().join('|').contains(".part"));
    }

    // A lecture of 40,000 images is refused from one listing of it, not one per slide.
    void hugeLectureRefusedFromOneListing() {
        QVERIFY(server().makeDir(kLecture));
        for (int i = 1; i <= 40000; ++i) {
            QFile f(server().root() + "/" + kLecture + QStringLiteral("Slide%1.gif").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        ServerRun& r = connected(1);
        server().clearCommandLog();
        const QString message = send(r, int(LectureExistsChoice::AppendSlides));
        QVERIFY2(message.contains("slides up to number 40000"), qPrintable(message));
        QVERIFY(server().commandsNamed("NLST").size() <= 3);
    }
};

QTEST_GUILESS_MAIN(TestLectureIntegrity)
#include "test_lecture_integrity.moc"
