// The batch command as a user runs it: the real executable, the real local Lumora server and the
// real office. Its lectures are compared with one the wizard makes of the same presentation.
#include "BatchProcess.h"
#include "support/LumoraServer.h"
#include "wizard/WizardRun.h"

#include <QProcess>
#include <QRegularExpression>

class TestBatch : public QObject {
    Q_OBJECT
    QTemporaryDir config_, talks_, work_, wizardSettings_;
    LumoraServer server_{[] {
        TestFtpServer::Options o;
        o.demoSeed = true; // alice / wonder; classes cs101fall26, ...; lecture Sep.14.2026.1
        return o;
    }()};

    QString talk(const QString& name) { return talks_.filePath(name); }

    BatchResult batch(const QStringList& args, const QString& lumoraPassword = "wonder") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path()); // never the user's remembered choices
        env.insert("SLIDE_FERRY_CORVANE_PASSWORD", server_.password());
        if (lumoraPassword.isNull())
            env.remove("SLIDE_FERRY_LUMORA_PASSWORD");
        else
            env.insert("SLIDE_FERRY_LUMORA_PASSWORD", lumoraPassword);
        BatchProcess p(env);
        p.start(SF_BATCH_PROGRAM, args);
        // Every office the command started (its helpers too) has ended with it.
        return p.finish();
    }

    QStringList lecture(const QString& more, const QString& className = "cs101fall26") const {
        return QStringList{"--server",    server_.host(), "--corvane-id", server_.user(),
                           "--lumora-id", "alice",        "--class",      className,
                           "--workdir",   work_.path()} +
               more.split(' ', Qt::SkipEmptyParts);
    }

    QStringList files(const QString& dir) const {
        return QDir(server_.root() + "/lumora/classes/cs101fall26/" + dir)
            .entryList(QDir::Files, QDir::Name);
    }
    QByteArray file(const QString& dir, const QString& name) const {
        return server_.readFile("lumora/classes/cs101fall26/" + dir + "/" + name);
    }

    static QString why(const BatchResult& r) { return r.out + "\n--- stderr:\n" + r.err; }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        for (const char* name : {"basic_test_ppt_file.ppt", "SampleShow.pptx",
                                 "corrupt-records.ppt", "empty.ppt", "54880_chinese.ppt"})
            QVERIFY(QFile::copy(testEnv::presentationsDir() + "/" + name, talk(name)));
        QVERIFY(QFile::copy(SF_OFFICE_TESTDATA_DIR "/blank-slides.fodp", talk("blank.odp")));
        QVERIFY(QFile::copy(SF_OFFICE_TESTDATA_DIR "/hidden-slides.fodp", talk("hidden.odp")));
        QVERIFY(QFile::copy(SF_OFFICE_TESTDATA_DIR "/all-text.fodp", talk("all-text.odp")));
        const QString whole =
            testEnv::convertWithOffice(talk("SampleShow.pptx"), work_.path(), "odp");
        QVERIFY(testEnv::writeCutCopy(whole, talk("cut.odp")));
        QVERIFY(QFile::remove(whole));
    }

    // A bad command line ends with status 2 and a message that names what is wrong, before
    // anything is sent or started (the option rules themselves: test_batch_options). So does a
    // password in neither the environment nor on a terminal to ask on.
    void badCommandLinesEndWithStatus2() {
        const QString basic = talk("basic_test_ppt_file.ppt");
        BatchResult r = batch(lecture("--date 2026-02-30") << basic);
        QVERIFY2(r.exitCode == 2 &&
                     r.err == "slide-ferry-batch: --date takes a date that exists, as YYYY-MM-DD "
                              "(2026-03-05), not \"2026-02-30\"\nTry 'slide-ferry-batch --help' "
                              "for more information.\n",
                 qPrintable(why(r)));
        r = batch(lecture("--date 2026-03-05 --lumora-password wonder") << basic);
        QVERIFY2(r.exitCode == 2 && r.err.contains("never taken"), qPrintable(why(r)));
        r = batch(lecture("--date 2026-03-05") << basic, QString());
        QVERIFY2(r.exitCode == 2 && r.err.contains("SLIDE_FERRY_LUMORA_PASSWORD"),
                 qPrintable(why(r)));
        QVERIFY(!QDir(server_.root() + "/lumora/classes/cs101fall26/Mar.5.2026.1").exists());
    }

    // --require-encryption: a server without TLS never gets the Corvane password; the run
    // fails, saying why.
    void encryptionRequired() {
        const BatchResult r =
            batch(lecture("--date 2026-03-06 --require-encryption") << talk("empty.ppt"));
        QVERIFY2(r.exitCode == 1 && r.err.contains("never to be sent unencrypted") &&
                     !r.err.contains("warning"),
                 qPrintable(why(r)));
        QVERIFY(!QDir(server_.root() + "/lumora/classes/cs101fall26/Mar.6.2026.1").exists());
    }

    // Two presentations in one run become two complete lectures of successive sessions, each
    // byte for byte what the wizard makes of the same presentation (the description's date line
    // aside, which holds the time of sending).
    void twoPresentationsMatchTheWizardsLectures() {
        const BatchResult r = batch(lecture("--date 2026-03-05 --json")
                                    << talk("basic_test_ppt_file.ppt") << talk("SampleShow.pptx"));
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        const QStringList json = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(json.size(), 2);
        QVERIFY2(json[0].contains(R"("lecture":"classes/cs101fall26/Mar.5.2026.1")") &&
                     json[0].contains(R"("result":"done")") && json[0].contains(R"("slides":2)"),
                 qPrintable(json[0]));
        QVERIFY2(json[1].contains("Mar.5.2026.2"), qPrintable(json[1]));
        QVERIFY2(r.err.contains("Converting slide 2 to GIF") &&
                     r.err.contains("2 of 2 lectures sent") &&
                     r.err.count("slide-ferry-batch: warning: This server does not encrypt: your "
                                 "Corvane password is sent in clear\n") == 1,
                 qPrintable(r.err));
        const QStringList expected{"Slide1.gif", "Slide2.gif", "blank.gif", "description",
                                   "extract.stml"};
        QCOMPARE(files("Mar.5.2026.1"), expected);
        QCOMPARE(files("Mar.5.2026.2"), expected);
        QVERIFY(file("Mar.5.2026.1", "Slide1.gif") != file("Mar.5.2026.2", "Slide1.gif"));
        QVERIFY(QDir(work_.path()).entryList(QDir::Files).isEmpty());

        // The wizard, with its own remembered choices, sends the first presentation as session 3.
        settingsStore::useDirectory(wizardSettings_.path());
        writeSetting("System", server_.host());
        writeSetting("Directory", talks_.path());
        writeSetting("ExportPath", work_.path());
        WizardRun w;
        QVERIFY(w.walkToLectureInfo("alice", "wonder", server_, "basic_test_ppt_file.ppt"));
        w.named<QComboBox>("Classes")->setCurrentText("cs101fall26");
        w.setDate("Mar", "5", "2026");
        w.named<QLineEdit>("Session")->setText("3");
        QTest::mouseClick(w.named<QPushButton>("Finish"), Qt::LeftButton);
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join(" | ")));
        QCOMPARE(files("Mar.5.2026.3"), expected);
        for (const QString& name : expected) {
            QByteArray fromBatch = file("Mar.5.2026.1", name);
            QByteArray fromWizard = file("Mar.5.2026.3", name);
            if (name == "description") {
                const QRegularExpression dateLine(
                    R"(\n\w{3} \w{3} \d+ \d\d:\d\d:\d\d EDT \d{4}\r\n$)");
                QVERIFY2(QString::fromLatin1(fromBatch).contains(dateLine), fromBatch.constData());
                fromBatch = fromBatch.left(fromBatch.lastIndexOf('\n', -3));
                fromWizard = fromWizard.left(fromWizard.lastIndexOf('\n', -3));
            }
            QVERIFY2(fromBatch == fromWizard, qPrintable(name));
        }
    }

    // An existing lecture is refused unless appending is asked for; appended slides follow the
    // lecture's own, whose files stay as they were, and the lecture keeps its title unless
    // --title gives another.
    void existingLectureRefusedOrAppended() {
        const QString dir = "Sep.14.2026.1";
        const QByteArray oldSlide = file(dir, "Slide1.gif");
        const QByteArray titleLine = file(dir, "description").split('\n').value(0);
        QVERIFY(!titleLine.isEmpty());
        const QStringList args = lecture("--date 2026-09-14") << talk("basic_test_ppt_file.ppt");
        BatchResult r = batch(args);
        QVERIFY2(r.exitCode == 1 &&
                     r.err.contains("classes/cs101fall26/Sep.14.2026.1 exists already"),
                 qPrintable(why(r)));
        QVERIFY(!files(dir).contains("Slide3.gif"));

        r = batch(QStringList(args) << "--if-exists"
                                    << "append");
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QVERIFY2(r.out.contains("2 slides added after 2 (4 in all)"), qPrintable(r.out));
        QVERIFY(files(dir).contains("Slide4.gif"));
        QCOMPARE(file(dir, "Slide1.gif"), oldSlide);
        QVERIFY(file(dir, "extract.stml").contains("Welcome"));
        QCOMPARE(file(dir, "description").split('\n').value(0), titleLine);

        r = batch(QStringList(args) << "--if-exists"
                                    << "append"
                                    << "--title"
                                    << "Second half");
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QVERIFY(file(dir, "description").startsWith("Second half\n"));
    }

    // Failures: a refused account or an unknown class sends nothing; a damaged presentation among
    // good ones is named, and the good ones still become lectures, also one whose first slide
    // holds no title (titled after its file) and one with text the code page cannot hold.
    void failuresAreNamedAndTheOthersStillGo() {
        BatchResult r =
            batch(lecture("--date 2026-04-01") << talk("basic_test_ppt_file.ppt"), "not-wonder");
        QVERIFY2(r.exitCode == 1 && r.err.contains("Bad user id or password") &&
                     r.err.contains("\"alice\""),
                 qPrintable(why(r)));
        r = batch(lecture("--date 2026-04-01", "cs999") << talk("basic_test_ppt_file.ppt"));
        QVERIFY2(r.exitCode == 1 && r.err.contains("\"cs999\" is not on the server"),
                 qPrintable(why(r)));
        QVERIFY(files("Apr.1.2026.1").isEmpty());

        // The damaged one first: the next one still takes the session asked for.
        r = batch(lecture("--date 2026-04-01 --session 3")
                  << talk("corrupt-records.ppt") << talk("basic_test_ppt_file.ppt")
                  << talk("SampleShow.pptx") << talk("empty.ppt") << talk("54880_chinese.ppt")
                  << talk("blank.odp") << talk("cut.odp"));
        QVERIFY2(r.exitCode == 1, qPrintable(why(r)));
        // Text outside the code page goes as "?", and the run says so before sending it.
        QVERIFY2(r.err.contains("54880_chinese.ppt: warning: Characters in the title (") &&
                     r.err.contains("will reach it as \"?\""),
                 qPrintable(r.err));
        QVERIFY2(
            r.err.contains("corrupt-records.ppt: Error: ") &&
                r.err.contains("blank.odp: Error: blank.odp opened, but none of its 3 slides shows "
                               "anything; it may be damaged. --allow-empty") &&
                r.err.contains("cut.odp: Error: cut.odp opened, but only after the office "
                               "repaired it") &&
                r.out.contains("4 of 7 lectures sent") &&
                r.out.contains("not sent: corrupt-records.ppt, blank.odp, cut.odp"),
            qPrintable(why(r)));
        QVERIFY(files("Apr.1.2026.3").contains("Slide2.gif"));
        QVERIFY(files("Apr.1.2026.4").contains("Slide2.gif"));
        QVERIFY(file("Apr.1.2026.5", "description").startsWith("empty\n"));
        QVERIFY(QDir(work_.path()).entryList(QDir::Files).isEmpty());
    }

    // Hidden slides (2 and 4 of 4) are sent and named; --skip-hidden leaves them out, the server
    // numbers the others without a gap and the slide text follows them; a range of hidden slides
    // only sends nothing. --full-text takes the title placeholder (not the first shape), grouped
    // texts in reading order and table cells row by row, a field as the slide shows it.
    void hiddenSlidesAndAllTheText() {
        BatchResult r = batch(lecture("--date 2026-05-04") << talk("hidden.odp"));
        QVERIFY2(r.exitCode == 0 && r.out.contains("\nSlides 2 and 4 are hidden in the "
                                                   "presentation; they are sent too\n"),
                 qPrintable(why(r)));
        const QString all = "May.4.2026.1", shown = "May.4.2026.2";
        QCOMPARE(files(all), (QStringList{"Slide1.gif", "Slide2.gif", "Slide3.gif", "Slide4.gif",
                                          "blank.gif", "description", "extract.stml"}));

        r = batch(lecture("--date 2026-05-04 --session 2 --skip-hidden") << talk("hidden.odp"));
        QVERIFY2(r.exitCode == 0 &&
                     r.out.contains("Slides 2 and 4 are hidden in the "
                                    "presentation; they are left out\n") &&
                     r.out.contains(": 2 slides."),
                 qPrintable(why(r)));
        QCOMPARE(files(shown), (QStringList{"Slide1.gif", "Slide2.gif", "blank.gif", "description",
                                            "extract.stml"}));
        QCOMPARE(file(shown, "Slide2.gif"), file(all, "Slide3.gif"));
        QCOMPARE(file(shown, "extract.stml"),
                 QByteArray("<stml>\r\n<slide>\r\n<title>One</title>\r\n<sentence>Shown first"
                            "</sentence>\r\n</slide>\r\n<slide>\r\n<title>Three</title>\r\n"
                            "<sentence>Shown second</sentence>\r\n</slide>\r\n</stml>\r\n"));

        r = batch(lecture("--date 2026-05-04 --session 3 --skip-hidden --range 4-4")
                  << talk("hidden.odp"));
        QVERIFY2(r.exitCode == 1 && r.err.contains("Slide 4 is hidden in the presentation, and "
                                                   "hidden slides are left out: there is nothing "
                                                   "to send"),
                 qPrintable(why(r)));
        QVERIFY(files("May.4.2026.3").isEmpty());

        r = batch(lecture("--date 2026-05-04 --session 4 --full-text") << talk("all-text.odp"));
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QCOMPARE(file("May.4.2026.4", "extract.stml"),
                 QByteArray("<stml>\r\n<slide>\r\n<title>Real title</title>\r\n"
                            "<sentence>Group left</sentence>\r\n<sentence>second line</sentence>"
                            "\r\n<sentence>Group right</sentence>\r\n<sentence>Aside</sentence>"
                            "\r\n<sentence>A1</sentence>\r\n<sentence>B1</sentence>\r\n"
                            "<sentence>Page 1</sentence>\r\n<sentence>B2</sentence>\r\n"
                            "</slide>\r\n<slide>\r\n<title>First shape title</title>\r\n"
                            "<sentence>Body above</sentence>\r\n<sentence>Body below</sentence>"
                            "\r\n</slide>\r\n</stml>\r\n"));
        // The wizard with "Leave out hidden slides" remembered: a range of hidden slides only is
        // refused while the wizard stays; the whole range sends the shown slides.
        settingsStore::useDirectory(wizardSettings_.path());
        writeSetting("System", server_.host());
        writeSetting("Directory", talks_.path());
        writeSetting("ExportPath", work_.path());
        writeSetting("SkipHiddenSlides", "1");
        WizardRun w;
        QVERIFY(w.walkToLectureInfo("alice", "wonder", server_, "hidden.odp"));
        w.named<QComboBox>("Classes")->setCurrentText("cs101fall26");
        w.setDate("May", "4", "2026");
        w.named<QLineEdit>("Session")->setText("6");
        w.next();
        w.named<QComboBox>("firstSlide")->setCurrentIndex(3);
        w.finish();
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(w.messages[0].contains("Slide 4 is hidden in the presentation"),
                 qPrintable(w.messages[0]));
        QVERIFY(w.w->isVisible() && files("May.4.2026.6").isEmpty());
        w.named<QComboBox>("firstSlide")->setCurrentIndex(0);
        w.finish();
        QCOMPARE(w.messages.size(), 1);
        QCOMPARE(files("May.4.2026.6"), files(shown));
        QCOMPARE(file("May.4.2026.6", "extract.stml"), file(shown, "extract.stml"));

        // The classic rule, as before: the first shape's text as the title, no body beside
        // three shapes.
        r = batch(lecture("--date 2026-05-04 --session 5") << talk("all-text.odp"));
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QCOMPARE(file("May.4.2026.5", "extract.stml"),
                 QByteArray("<stml>\r\n<slide>\r\n<title>Aside</title>\r\n</slide>\r\n"
                            "<slide>\r\n<title>First shape title</title>\r\n</slide>\r\n"
                            "</stml>\r\n"));
    }
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
