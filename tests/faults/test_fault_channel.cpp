// Faults of the server and of the connection, met by the server session against the real local
// Lumora server: a stalled server, a merely slow one, a connection dropped between operations,
// and the server's slide-text file damaged when slides are appended.
#include "FaultSupport.h"

#include "pipeline/SlideReader.h"
#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "server/ClassCatalogue.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

namespace {

const QString kLecture = QStringLiteral("classes/cs101/Mar.5.2026.1/");

// One slide with a title and a one-sentence body.
class OneSlide : public SlideReader {
public:
    int shapeCount(int) override { return 2; }
    bool hasTextFrame(int, int) override { return true; }
    QString shapeText(int, int shape) override {
        return shape == 1 ? QStringLiteral("New title") : QStringLiteral("New body");
    }
    int notesShapeCount(int) override { return 0; }
    bool notesHasText(int, int) override { return false; }
    QString notesShapeText(int, int) override { return {}; }
};

// The server session of one run: channel, fields, working files, what the user was shown.
struct Run {
    TransferControl inet;
    PlainWizardFields fields;
    ModuleFtp m{inet, fields};
    QTemporaryDir work;
    faults::ObservedProgress progress;
    QStringList shown;
    int cleanUps = 0;

    explicit Run(const LumoraServer& server) {
        messages::setSink([this](const QString& text, const QString& title) {
            shown.append(title + QStringLiteral(" | ") + text);
        });
        programEnd::setHandler([] {});
        fields.ftpMachineV = server.host();
        fields.cvidV = server.user();
        fields.cvPasswordV = server.password();
        fields.exportPathV = work.path();
        fields.firstSlideV = QStringLiteral(" 1");
        fields.lastSlideV = QStringLiteral(" 3");
        m.progress = &progress;
        m.cleanUp = [this] {
            ++cleanUps;
            // The program's clean-up closes the session without waiting.
            try {
                inet.Execute(inet.URL, FtpOperation::close());
            } catch (const Failure&) {
            }
        };
        m.lectureDir = kLecture;
        inet.setTimeouts(5000, 20000);
    }
    ~Run() {
        messages::setSink({});
        programEnd::setHandler({});
    }
    bool writeLocal(const QString& name, const QByteArray& data) {
        QFile f(work.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
    // The working files of slides 1 to 3 (the slide text is written by the test when needed).
    bool writeLecture() {
        bool ok = writeLocal("blank.GIF", "blank") && writeLocal("description", "d") &&
                  writeLocal("extract.stml", "<stml>\r\n</stml>\r\n");
        for (int i = 1; i <= 3; ++i)
            ok = ok &&
                 writeLocal(QStringLiteral("Slide%1.GIF").arg(i), "slide " + QByteArray::number(i));
        return ok;
    }
};

// Counts timer ticks: proof that window events are delivered while an operation waits.
struct Ticker {
    QTimer timer;
    int ticks = 0;
    std::function<void(int)> onTick;
    explicit Ticker(int ms) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++ticks;
            if (onTick)
                onTick(ticks);
        });
        timer.start(ms);
    }
};

} // namespace

class TestFaultChannel : public QObject {
    Q_OBJECT
    std::optional<LumoraServer> server_;
    std::optional<Run> run_;

    Run& connected() {
        run_.emplace(*server_);
        if (!run_->m.ftpConnect())
            qWarning("connection test failed: %s", qPrintable(run_->shown.join('\n')));
        return *run_;
    }
    QStringList lectureFiles() const {
        return QDir(server_->lumoraDir() + "/" + kLecture).entryList(QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase() {
        server_.emplace();
        QVERIFY2(server_->start(), qPrintable(server_->error()));
        QVERIFY(faults::serverPid(*server_) > 0);
    }
    void init() {
        QVERIFY(server_->isRunning() || server_->restart());
        QVERIFY(QDir(server_->lumoraDir() + "/classes").removeRecursively());
        QVERIFY(server_->makeDir("lumora/classes/cs101"));
    }
    void cleanup() { run_.reset(); }
    void cleanupTestCase() { server_.reset(); }

    // The server stops answering in the middle of the upload: the stalled-transfer time-out
    // ends the wait, the user sees one message with the time-out's number, the clean-up runs,
    // and window events kept flowing all along.
    void stalledServerTimesOut_data() {
        QTest::addColumn<int>("slideSize");
        QTest::newRow("waiting for the server's reply") << 7;
        // More than the connection's buffers hold: the data itself stops moving.
        QTest::newRow("in the middle of the data") << (32 << 20);
    }
    void stalledServerTimesOut() {
        QFETCH(int, slideSize);
        Run& r = connected();
        QVERIFY(r.writeLecture());
        QVERIFY(r.writeLocal("Slide2.GIF", QByteArray(slideSize, 'x')));
        r.inet.setTimeouts(2000, 2000);
        std::optional<faults::Freeze> freeze;
        Ticker ticker(1);
        if (slideSize < 1000) {
            r.progress.trigger = "FTPing slide 2";
            r.progress.action = [&] { freeze.emplace(*server_); };
        } else {
            // Frozen once the server has begun to write the slide.
            const QString arriving = server_->root() + "/lumora/" + kLecture + "Slide2.gif";
            ticker.onTick = [&](int) {
                if (!freeze && QFileInfo(arriving).size() > 0)
                    freeze.emplace(*server_);
            };
        }

        QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(r.m));
        QVERIFY(freeze && freeze->frozen());
        QCOMPARE(r.shown.size(), 1);
        QVERIFY2(r.shown.first().startsWith("Error! | Error: The server did not answer in time"),
                 qPrintable(r.shown.first()));
        QVERIFY2(r.shown.first().endsWith(",  12002" + server_->host()),
                 qPrintable(r.shown.first()));
        QCOMPARE(r.cleanUps, 1);
        QVERIFY(ticker.ticks > 0);
        QVERIFY(!r.progress.lines.contains("FTPing description"));
        const qint64 arrived =
            QFileInfo(server_->root() + "/lumora/" + kLecture + "Slide2.gif").size();
        QVERIFY(slideSize < 1000 || arrived > 0);
        if (slideSize >= 1000 && arrived == slideSize)
            qWarning("the slide arrived whole before the freeze: only the reply was stalled");
        freeze->thaw();
        QVERIFY(!lectureFiles().contains("description"));
        QVERIFY(!lectureFiles().contains("extract.stml"));
    }

    // A server that is slow but not stalled: the operation waits, window events keep being
    // delivered meanwhile, and the operation then completes.
    void slowServerKeepsWindowEventsFlowing() {
        Run& r = connected();
        QVERIFY(r.writeLecture());
        std::optional<faults::Freeze> freeze;
        r.progress.trigger = "FTPing slide 1";
        r.progress.action = [&] { freeze.emplace(*server_); };
        int ticksWhileFrozen = 0;
        Ticker ticker(20);
        ticker.onTick = [&](int) {
            if (freeze && freeze->frozen() && ++ticksWhileFrozen == 25)
                freeze->thaw();
        };

        ftpUploadLecture(r.m);
        QVERIFY2(r.shown.isEmpty(), qPrintable(r.shown.join('\n')));
        QCOMPARE(ticksWhileFrozen, 25);
        QCOMPARE(r.progress.lines.last(), QString("FTPing STML file"));
        QCOMPARE(lectureFiles(), QStringList({"Slide1.gif", "Slide2.gif", "Slide3.gif", "blank.gif",
                                              "description", "extract.stml"}));
    }

    // Closing the session while the server is stalled returns at once: the program's end (and
    // the clean-up before it) never waits on a server that does not answer.
    void closingAStalledSessionDoesNotWait() {
        Run& r = connected();
        r.m.ftpExecute(FtpOperation::ls(QStringLiteral("~/lumora/classes/*")));
        QCOMPARE(r.inet.ResponseCode(), 0);
        faults::Freeze freeze(*server_);
        QVERIFY(freeze.frozen());
        QElapsedTimer clock;
        clock.start();
        r.m.cleanUp();
        // A hang guard, not a speed measure: a close that waited for the server's answer to
        // QUIT would block for its full reply time-out.
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY(!r.inet.StillExecuting());
    }

    // The server restarts (every connection dropped) between two operations: the next
    // operation opens a new connection and succeeds: a listing, the upload's first step (which
    // creates the lecture directory), and an upload in the middle.
    void droppedConnectionIsReopened_data() {
        QTest::addColumn<QString>("when"); // progress line at which the server restarts
        QTest::newRow("before the upload") << "";
        QTest::newRow("between two files") << "FTPing description";
    }
    void droppedConnectionIsReopened() {
        QFETCH(QString, when);
        Run& r = connected();
        QVERIFY(r.writeLecture());
        QVERIFY(server_->restart());
        r.m.ftpExecute(FtpOperation::ls(QStringLiteral("~/lumora/classes/*")));
        QCOMPARE(r.inet.ResponseCode(), 0);
        QCOMPARE(r.inet.GetChunk(1024), QString("cs101\r\n"));

        bool restarted = false;
        if (when.isEmpty()) {
            restarted = server_->restart();
        } else {
            r.progress.trigger = when;
            r.progress.action = [&] { restarted = server_->restart(); };
        }
        ftpUploadLecture(r.m);
        QVERIFY(restarted);
        QVERIFY2(r.shown.isEmpty(), qPrintable(r.shown.join('\n')));
        QCOMPARE(lectureFiles(), QStringList({"Slide1.gif", "Slide2.gif", "Slide3.gif", "blank.gif",
                                              "description", "extract.stml"}));
    }

    // The server goes away in the middle of the upload: one message, the clean-up, the end;
    // what was sent before stays, nothing after the failed step is sent.
    void serverGoneMidUpload() {
        Run& r = connected();
        QVERIFY(r.writeLecture());
        r.progress.trigger = "FTPing slide 2";
        r.progress.action = [&] { server_->stop(); };
        QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(r.m));
        QCOMPARE(r.shown.size(), 1);
        QVERIFY2(r.shown.first().startsWith("Error! | Error: "), qPrintable(r.shown.first()));
        QVERIFY2(r.shown.first().endsWith(server_->host()), qPrintable(r.shown.first()));
        QCOMPARE(r.cleanUps, 1);
        QCOMPARE(lectureFiles(), QStringList({"Slide1.gif", "blank.gif"}));
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
        Run& r = connected();
        r.fields.classes = QStringList{"remembered"};
        r.inet.setTimeouts(2000, 2000);
        std::optional<faults::Freeze> freeze;
        if (stalled)
            freeze.emplace(*server_);
        else
            server_->stop();
        QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpListClasses(r.m));
        QCOMPARE(r.shown.size(), 1);
        QVERIFY2(r.shown.first().startsWith("Error! | Error: "), qPrintable(r.shown.first()));
        QVERIFY2(r.shown.first().endsWith(", " + server_->host()), qPrintable(r.shown.first()));
        QCOMPARE(r.cleanUps, 1);
    }

    // A server without a class directory refuses the listing: an empty list, no message.
    void classListingRefused() {
        QVERIFY(QDir(server_->lumoraDir() + "/classes").removeRecursively());
        Run& r = connected();
        r.fields.classes = QStringList{"remembered"};
        ftpListClasses(r.m);
        QVERIFY(r.shown.isEmpty());
        QCOMPARE(r.fields.classes, QStringList());
        QCOMPARE(r.cleanUps, 0);
    }

    // Appending to a lecture whose slide-text file on the server is damaged: whatever the
    // server held before the first closing-tag line reaches the server again, byte for byte,
    // followed by the new slide and one closing tag at the end.
    void damagedSlideTextIsKept_data() {
        QTest::addColumn<QByteArray>("server"); // null: the lecture has no slide-text file
        QTest::addColumn<QByteArray>("kept");
        const QByteArray old = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n";
        QTest::newRow("intact") << old + "</stml>\r\n" << old;
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
        QVERIFY(server_->writeFile("lumora/" + kLecture + "Slide1.gif", "old slide"));
        if (!server.isNull())
            QVERIFY(server_->writeFile("lumora/" + kLecture + "extract.stml", server));
        Run& r = connected();
        QVERIFY(r.writeLecture());
        r.fields.lastSlideV = QStringLiteral(" 1");
        r.m.slideOffset = 1;
        OneSlide reader;
        writeSlideText(reader, r.fields, true, [&] { return ftpFetchSlideText(r.m); });
        ftpUploadLecture(r.m);
        QVERIFY2(r.shown.isEmpty(), qPrintable(r.shown.join('\n')));

        const QByteArray sent = server_->readFile("lumora/" + kLecture + "extract.stml");
        QCOMPARE(sent, kept + "<slide>\r\n<title>New title</title>\r\n<sentence>New "
                              "body</sentence>\r\n</slide>\r\n</stml>\r\n");
        QCOMPARE(server_->readFile("lumora/" + kLecture + "Slide1.gif"), QByteArray("old slide"));
        QCOMPARE(server_->readFile("lumora/" + kLecture + "Slide2.gif"), QByteArray("slide 1"));
    }

    // The server goes away while the merged slide-text file replaces the old one: the old file
    // stays on the server as it was, never cut short.
    void serverGoneWhileReplacingSlideText() {
        const QByteArray old = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n</stml>\r\n";
        QVERIFY(server_->writeFile("lumora/" + kLecture + "extract.stml", old));
        Run& r = connected();
        QVERIFY(r.writeLecture());
        QVERIFY(r.writeLocal("extract.stml", QByteArray(32 << 20, 'x')));
        const QString dir = server_->root() + "/lumora/" + kLecture;
        bool stopped = false;
        Ticker ticker(1);
        ticker.onTick = [&](int) {
            if (!r.progress.lines.contains("FTPing STML file") || stopped)
                return;
            // Stopped as soon as anything of the new file has reached the server.
            qint64 arrived = 0;
            for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
                if (f.fileName() != "extract.stml" || f.size() != old.size())
                    arrived += f.fileName().contains("extract") ? f.size() + 1 : 0;
            if (arrived > 0) {
                stopped = true;
                server_->stop();
            }
        };
        QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(r.m));
        QVERIFY(stopped);
        QCOMPARE(r.shown.size(), 1);
        QCOMPARE(server_->readFile("lumora/" + kLecture + "extract.stml"), old);
    }

    // The server goes away just before its slide-text file is fetched: nothing is written over
    // the server's file, the user is told, the program ends.
    void serverGoneBeforeFetchChangesNothing() {
        const QByteArray old = "<stml>\r\n<slide>\r\n</slide>\r\n</stml>\r\n";
        QVERIFY(server_->writeFile("lumora/" + kLecture + "extract.stml", old));
        Run& r = connected();
        QVERIFY(r.writeLecture());
        OneSlide reader;
        r.progress.trigger = "Getting existing stml...";
        r.progress.action = [&] { server_->stop(); };
        QVERIFY_THROWS_EXCEPTION(
            programEnd::ProgramEnded,
            writeSlideText(reader, r.fields, true, [&] { return ftpFetchSlideText(r.m); }));
        QCOMPARE(r.shown.size(), 1);
        QVERIFY2(r.shown.first().endsWith(", " + server_->host()), qPrintable(r.shown.first()));
        QCOMPARE(r.cleanUps, 1);
        QCOMPARE(server_->readFile("lumora/" + kLecture + "extract.stml"), old);
    }
};

QTEST_GUILESS_MAIN(TestFaultChannel)
#include "test_fault_channel.moc"
