// Runs side by side, as a scheduler starts them while a lecturer uses the wizard: three batch
// commands (one per deck) and the wizard at once, to different lectures, all with the default
// working directory, the system's temporary folder. Each run has offices and a working folder of
// its own: every lecture arrives whole, and no office and no working file outlives its run.
#include "BatchProcess.h"
#include "support/LumoraServer.h"
#include "wizard/WizardRun.h"

#include "platform/office/Office.h"

#include <QDir>
#include <memory>

class TestSideBySide : public QObject {
    Q_OBJECT
    QTemporaryDir config_, talks_, wizardSettings_;
    LumoraServer server_{[] {
        TestFtpServer::Options o;
        o.demoSeed = true; // alice / wonder; class cs101fall26
        return o;
    }()};

    QStringList files(const QString& lecture) const {
        return QDir(server_.root() + "/lumora/classes/cs101fall26/" + lecture)
            .entryList(QDir::Files, QDir::Name);
    }
    // The run folders in the system's temporary folder (other programs' included).
    // The private working folders in the temporary directory of the given processes (named
    // "slide-ferry-<machine>-<pid>-..."); other programs' runs may come and go meanwhile.
    static QStringList runFolders(const QList<qint64>& pids) {
        QStringList found;
        for (const QString& name :
             QDir(QDir::tempPath()).entryList({"slide-ferry-*"}, QDir::Dirs, QDir::Name))
            if (pids.contains(name.section('-', -2, -2).toLongLong()))
                found << name;
        return found;
    }

    std::unique_ptr<BatchProcess> startBatch(const QString& deck, const QString& date) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path());
        env.insert("SLIDE_FERRY_CORVANE_PASSWORD", server_.password());
        env.insert("SLIDE_FERRY_LUMORA_PASSWORD", "wonder");
        auto p = std::make_unique<BatchProcess>(env);
        p->start(SF_BATCH_PROGRAM, {"--no-settings", "--server", server_.host(), "--corvane-id",
                                    server_.user(), "--lumora-id", "alice", "--class",
                                    "cs101fall26", "--date", date, talks_.filePath(deck)});
        return p;
    }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        for (const char* name : {"basic_test_ppt_file.ppt", "long-68-slides.ppt", "bullets.ppt"})
            QVERIFY(QFile::copy(testEnv::presentationsDir() + "/" + name, talks_.filePath(name)));
    }

    void threeBatchRunsAndTheWizardAtOnce() {
        std::vector<std::unique_ptr<BatchProcess>> runs;
        runs.push_back(startBatch("long-68-slides.ppt", "2026-04-01"));
        runs.push_back(startBatch("basic_test_ppt_file.ppt", "2026-04-02"));
        runs.push_back(startBatch("bullets.ppt", "2026-04-03"));

        // The wizard meanwhile, with the system's temporary folder as its working directory.
        settingsStore::useDirectory(wizardSettings_.path());
        writeSetting("System", server_.host());
        writeSetting("Directory", talks_.path());
        writeSetting("ExportPath", QDir::tempPath());
        {
            WizardRun w;
            QVERIFY(w.walkToLectureInfo("alice", "wonder", server_, "basic_test_ppt_file.ppt"));
            w.named<QComboBox>("Classes")->setCurrentText("cs101fall26");
            w.setDate("Apr", "4", "2026");
            QTest::mouseClick(w.named<QPushButton>("Finish"), Qt::LeftButton);
            QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join(" | ")));
            QVERIFY(w.completed());
        }
        QVERIFY2(!officeTest::officeRunningOn(office::pipeName()), "the wizard's office is left");

        for (auto& run : runs) {
            const BatchResult r = run->finish();
            QVERIFY2(r.exitCode == 0, qPrintable(r.out + "\n--- stderr:\n" + r.err));
        }
        QCOMPARE(files("Apr.1.2026.1").size(), 68 + 3);
        QCOMPARE(files("Apr.2.2026.1"), (QStringList{"Slide1.gif", "Slide2.gif", "blank.gif",
                                                     "description", "extract.stml"}));
        QVERIFY(files("Apr.3.2026.1").contains("extract.stml"));
        QCOMPARE(files("Apr.4.2026.1"), files("Apr.2.2026.1"));
        QList<qint64> pids{QCoreApplication::applicationPid()};
        for (const auto& run : runs)
            pids << run->pid();
        QCOMPARE(runFolders(pids), QStringList());
    }
};

QTEST_MAIN(TestSideBySide)
#include "test_side_by_side.moc"
