// The batch command run from a scheduler: stopped by a signal, started under LC_ALL=C with a
// presentation of a non-ASCII name, and shown text from a server that holds control
// characters. Also the wizard's end on SIGTERM. Real executables, the real local Lumora server
// and the real office.
#include "BatchProcess.h"
#include "support/LumoraServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

class TestBatchStop : public QObject {
    Q_OBJECT
    QTemporaryDir config_, talks_, work_;
    LumoraServer server_{[] {
        TestFtpServer::Options o;
        o.demoSeed = true; // alice / wonder; classes cs101fall26, ...
        return o;
    }()};

    QString talk(const QString& name) { return talks_.filePath(name); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path()); // never the user's remembered choices
        env.insert("SLIDE_FERRY_CORVANE_PASSWORD", server_.password());
        env.insert("SLIDE_FERRY_LUMORA_PASSWORD", "wonder");
        env.insert("SLIDE_FERRY_PRESENTATION_PASSWORD", "deck-secret");
        return env;
    }

    QStringList lecture(const QString& more, const QString& className = "cs101fall26") const {
        return QStringList{"--server",    server_.host(), "--corvane-id", server_.user(),
                           "--lumora-id", "alice",        "--class",      className,
                           "--workdir",   work_.path()} +
               more.split(' ', Qt::SkipEmptyParts);
    }

    bool lectureExists(const QString& dir) const {
        return QDir(server_.root() + "/lumora/classes/cs101fall26/" + dir).exists();
    }
    // Anything at all left in the working directory, hidden files and folders too.
    QStringList workLeft() const {
        return QDir(work_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    static QList<QJsonObject> jsonLines(const QString& out) {
        QList<QJsonObject> objects;
        for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
            objects << QJsonDocument::fromJson(line.toUtf8()).object();
        return objects;
    }

    static QString why(const BatchResult& r) { return r.out + "\n--- stderr:\n" + r.err; }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        for (const char* name : {"basic_test_ppt_file.ppt", "SampleShow.pptx"})
            QVERIFY(QFile::copy(testEnv::presentationsDir() + "/" + name, talk(name)));
    }

    // SIGTERM while the first of two presentations is converted, or sent: the run stops at its
    // next step, takes back what the lecture put on the server, deletes its working files, ends
    // its offices and exits with 143; each lecture not sent says "stopped" in --json. The
    // offices it started never saw a password, and the run writes no core dump.
    void sigtermStopsTheRunAndLeavesNothing_data() {
        QTest::addColumn<QString>("during");
        QTest::newRow("the export") << "Converting slides to images...";
        QTest::newRow("the upload") << "FTPing slides...";
    }
    void sigtermStopsTheRunAndLeavesNothing() {
        QFETCH(QString, during);
        QVERIFY(QDir(server_.root() + "/lumora/classes/cs101fall26").removeRecursively());
        QVERIFY(server_.makeDir("lumora/classes/cs101fall26"));
        BatchProcess p(environment());
        p.start(SF_BATCH_PROGRAM, lecture("--date 2026-10-01 --json")
                                      << talk("basic_test_ppt_file.ppt")
                                      << talk("SampleShow.pptx"));
        QVERIFY2(p.waitFor(during), qPrintable(p.output()));
        const auto offices = officeTest::officeProcesses(p.officePipe());
        QVERIFY(!offices.isEmpty());
        for (const qint64 office : offices) {
            const QByteArray env =
                testEnv::readFile(QStringLiteral("/proc/%1/environ").arg(office));
            QVERIFY2(!env.contains("SLIDE_FERRY_") && !env.contains("deck-secret"),
                     env.constData());
        }
        const QString limits = testEnv::readFile(QStringLiteral("/proc/%1/limits").arg(p.pid()));
        QVERIFY2(limits.contains(QRegularExpression("Max core file size +0 +0 ")),
                 qPrintable(limits));

        p.signal(SIGTERM);
        const BatchResult r = p.finish();
        QVERIFY2(r.exitCode == 143, qPrintable(why(r)));
        const QList<QJsonObject> json = jsonLines(r.out);
        QCOMPARE(json.size(), 2);
        // The first may have been sent whole before the signal was seen; the second never is.
        QVERIFY2(json[1]["result"] == "stopped" && json[1]["message"] == "stopped by SIGTERM",
                 qPrintable(r.out));
        if (json[0]["result"] == "done")
            QVERIFY(lectureExists("Oct.1.2026.1"));
        else
            QVERIFY2(json[0]["result"] == "stopped" && !lectureExists("Oct.1.2026.1"),
                     qPrintable(r.out));
        QVERIFY(!lectureExists("Oct.1.2026.2"));
        QVERIFY2(r.err.contains("Stopping (SIGTERM)") && r.err.contains("; stopped by SIGTERM"),
                 qPrintable(r.err));
        QVERIFY2(workLeft().isEmpty(), qPrintable(workLeft().join(", ")));
    }

    // SIGINT and SIGHUP stop a run that is still connecting, with their own statuses; the
    // office starting meanwhile is ended too.
    void eachSignalHasItsStatus() {
        for (const auto& [signal, status, name] :
             {std::tuple{SIGINT, 130, "SIGINT"}, std::tuple{SIGHUP, 129, "SIGHUP"}}) {
            BatchProcess p(environment());
            p.start(SF_BATCH_PROGRAM, lecture("--date 2026-10-04 --json")
                                          << talk("basic_test_ppt_file.ppt"));
            QVERIFY2(p.waitFor("Connecting to " + server_.host() + "..."), qPrintable(p.output()));
            p.signal(signal);
            const BatchResult r = p.finish();
            QVERIFY2(r.exitCode == status, qPrintable(why(r)));
            const QList<QJsonObject> json = jsonLines(r.out);
            QVERIFY2(json.size() == 1 && json[0]["result"] == "stopped" &&
                         json[0]["message"] == QStringLiteral("stopped by ") + name,
                     qPrintable(r.out));
            QVERIFY(!lectureExists("Oct.4.2026.1"));
            QVERIFY2(workLeft().isEmpty(), qPrintable(workLeft().join(", ")));
        }
    }

    // Under LC_ALL=C, as cron runs it, a presentation in a folder with non-ASCII letters is
    // found, opened by the office and sent, and the run reports its name as it is.
    void nonAsciiPathUnderTheCLocale() {
        const QString folder = talks_.filePath(QStringLiteral("Übung ö"));
        QVERIFY(QDir().mkpath(folder));
        const QString deck = folder + QStringLiteral("/basic.ppt");
        QVERIFY(QFile::copy(talk("basic_test_ppt_file.ppt"), deck));
        QProcessEnvironment env = environment();
        env.insert("LC_ALL", "C");
        env.remove("LANG");
        BatchProcess p(env);
        p.start(SF_BATCH_PROGRAM, lecture("--date 2026-10-02 --json") << deck);
        const BatchResult r = p.finish();
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        const QList<QJsonObject> json = jsonLines(r.out);
        QVERIFY2(json.size() == 1 && json[0]["file"] == deck, qPrintable(r.out));
        QVERIFY2(r.err.contains(deck + ": class cs101fall26"), qPrintable(r.err));
        // Switched before Qt looked at the locale, so Qt has nothing to warn about.
        QVERIFY2(!r.err.contains("Detected locale"), qPrintable(r.err));
        QVERIFY(QFileInfo::exists(server_.root() +
                                  "/lumora/classes/cs101fall26/Oct.2.2026.1/Slide2.gif"));
    }

    // A class name with escape sequences, as a hostile server may list one, reaches the
    // terminal with its control characters shown escaped.
    void serverTextIsShownEscaped() {
        const QString evil = QStringLiteral("aa\x1b[31mred\x1b]0;owned\x07");
        const QString evilDir = server_.root() + "/lumora/classes/" + evil;
        QVERIFY(QDir().mkpath(evilDir));
        BatchProcess p(environment());
        p.start(SF_BATCH_PROGRAM, lecture("--date 2026-10-03", "cs999")
                                      << talk("basic_test_ppt_file.ppt"));
        const BatchResult r = p.finish();
        QDir(evilDir).removeRecursively();
        QVERIFY2(r.exitCode == 1 && r.err.contains("\"cs999\" is not on the server"),
                 qPrintable(why(r)));
        QVERIFY2(r.err.contains(R"(aa\x1b[31mred\x1b]0;owned\x07)"), qPrintable(r.err));
        QVERIFY(!r.err.contains(QChar(0x1b)) && !r.out.contains(QChar(0x1b)));
    }

    // The wizard, its office started in the background, ends on SIGTERM as Cancel ends it:
    // without asking, and with its office ended.
    void wizardEndsOnSigterm() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path());
        env.insert("SF_OFFICE_WARM_START", "1");
        BatchProcess p(env);
        p.start(SF_WIZARD_PROGRAM, {});
        QVERIFY2(p.waitUntil([&] { return officeTest::officeRunningOn(p.officePipe()); }),
                 qPrintable(p.output()));
        p.signal(SIGTERM);
        const BatchResult r = p.finish(120000);
        QVERIFY2(r.exitCode == 0 && r.err.contains("SIGTERM received"), qPrintable(why(r)));
    }
};

QTEST_MAIN(TestBatchStop)
#include "test_batch_stop.moc"
