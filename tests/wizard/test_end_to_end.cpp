// A lecture from the first page to Done, against the real server and the real office: a new
// lecture, then a cancelled append to it, then the other answers to an existing lecture.
// (Appending itself is driven from the Lecture Info page by the wizard-road test.)
//
// SF_E2E_PRESENTATION=/path/to/talk.ppt runs the same checks on another presentation.
#include "WizardRun.h"
#include "office/OfficeTestSupport.h"
#include "platform/AnsiText.h"
#include "platform/office/Office.h"
#include "server/ModuleFtp.h"

#include <QImage>
#include <QLabel>

class TestEndToEnd : public QObject {
    Q_OBJECT
    LectureWizard fx_;
    QString fileName_;
    int slides_ = 0;

    QByteArray lectureFile(const QString& name) const {
        return fx_.server->readFile("lumora/classes/cs101fall26/Mar.5.2026.1/" + name);
    }
    // On to the lecture page with the deck; a deck whose first slide has no title gets one typed,
    // as its user would.
    bool toLecturePage(WizardRun& r) {
        if (!fx_.toLecturePage(r, fileName_))
            return false;
        auto* title = r.named<QLineEdit>("Title");
        if (title->text().isEmpty())
            title->setText("A lecture");
        return true;
    }

private slots:
    void initTestCase() {
        fx_.classes << "hist200spring27";
        QString deck = qEnvironmentVariable("SF_E2E_PRESENTATION");
        if (deck.isEmpty())
            deck = testEnv::presentationsDir() + "/basic_test_ppt_file.ppt";
        QVERIFY2(fx_.start({deck}, selectedFtpServer()), qPrintable(fx_.server->error()));
        fileName_ = QFileInfo(deck).fileName();
    }

    // (What each page loads on entry is checked by the wizard-road test.)
    void newLectureFromStartToDone() {
        WizardRun r;
        QVERIFY(toLecturePage(r));
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        auto* lastSlide = r.named<QComboBox>("lastSlide");
        slides_ = lastSlide->count();
        QVERIFY(slides_ >= 1);
        QCOMPARE(r.named<QComboBox>("firstSlide")->currentText() + lastSlide->currentText(),
                 " 1 " + QString::number(slides_));
        QCOMPARE(r.named<QComboBox>("Classes")->count(), 2);
        const QString title = r.named<QLineEdit>("Title")->text();
        r.next();
        QCOMPARE(r.page(), 4);
        QVERIFY(!WizardProbe::appendSlides(*r.w));
        r.named<QComboBox>("Resolution")->setCurrentText("Custom");
        QTest::keyClicks(r.named<QLineEdit>("imageWidth"), "800");
        QTest::keyClicks(r.named<QLineEdit>("imageHeight"), "600");
        r.next();
        QCOMPARE(r.page(), 5);
        // A working directory that others can write to, with links named like the working
        // files: the run makes its files in a folder of its own, never through the links.
        QTemporaryDir elsewhere;
        const QStringList linked{"description", "extract.stml"};
        for (const QString& name : linked) {
            QVERIFY(testEnv::writeFile(elsewhere.filePath(name), "not the program's"));
            QVERIFY(QFile::link(elsewhere.filePath(name), fx_.work.filePath(name)));
        }
        r.finish();
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        QVERIFY(r.w->isHidden());
        for (const QString& name : linked) {
            QCOMPARE(testEnv::readFile(elsewhere.filePath(name)), QByteArray("not the program's"));
            QVERIFY(QFileInfo(fx_.work.filePath(name)).isSymLink());
            QVERIFY(QFile::remove(fx_.work.filePath(name)));
        }

        QStringList expected{"", "Converting slides to images..."}, sent, files{"blank.gif"};
        for (int i = 1; i <= slides_; ++i) {
            expected << QString("Converting slide %1 to GIF").arg(i);
            sent << QString("FTPing slide %1").arg(i);
            files << QString("Slide%1.gif").arg(i);
        }
        expected += QStringList{"Creating blank slide", "", "FTPing slides..."} + sent +
                    QStringList{"FTPing description", "FTPing STML file", "Slide-Ferry complete"};
        QCOMPARE(r.progressLines(), expected);
        FrmProgress& progress = r.w->frmProgress();
        auto* done = testUi::named<QPushButton>(&progress, "Done");
        QVERIFY(!done->isHidden() && testUi::named<QPushButton>(&progress, "Cancel")->isHidden());
        // Where the lecture went, before Done.
        auto* summaryLabel = testUi::named<QLabel>(&progress, "summary");
        const QString summary = summaryLabel->text();
        QVERIFY2(!summaryLabel->isHidden() && summary.contains("cs101fall26") &&
                     summary.contains("~/lumora/classes/cs101fall26/Mar.5.2026.1") &&
                     summary.contains(QString(": %1 slide").arg(slides_)),
                 qPrintable(summary));

        // The server holds the lecture: images of the chosen size, the description of this
        // title and user (its date line is checked by the description test), the slide text.
        files += QStringList{"description", "extract.stml"};
        files.sort();
        QCOMPARE(fx_.lectureFiles(), files);
        for (const QString& f : files.filter(".gif"))
            QCOMPARE(QImage::fromData(lectureFile(f), "GIF").size(), QSize(800, 600));
        // In the program's code page, whatever the deck's script ("?" for what it cannot hold).
        QVERIFY(lectureFile("description").startsWith(ansiText::encode(title) + "\nann\n"));
        const QByteArray stml = lectureFile("extract.stml");
        QVERIFY2(stml.startsWith("<stml>\r\n<slide>\r\n") &&
                     stml.endsWith("</slide>\r\n</stml>\r\n") &&
                     stml.count("<slide>\r\n") == slides_ && stml.count('\n') == stml.count("\r\n"),
                 stml.constData());

        // The working files are gone, with the run's own folder; Done saves the choices and ends
        // the program.
        QCOMPARE(fx_.workingFilesLeft(), QStringList());
        QCOMPARE(QDir(fx_.work.path()).entryList({"slide-ferry-*"}, QDir::AllEntries),
                 QStringList());
        QTest::mouseClick(done, Qt::LeftButton);
        QCOMPARE(r.ends, 1);
        QCOMPARE((QStringList{readSetting("Class"), readSetting("UserID"), readSetting("CorvaneID"),
                              readSetting("Password", "none")}),
                 (QStringList{"cs101fall26", "ann", fx_.server->user(), "none"}));
    }

    // Cancel on the progress window, during the export or during the upload of slides appended
    // to the lecture: no message, the way back offered, and Quit ends the program; the lecture
    // keeps its own description and slide text, and neither working files nor the office are left
    // behind.
    void cancelLeavesTheLectureAsItWas_data() {
        QTest::addColumn<QString>("cancelAt");
        QTest::newRow("export") << "Converting slide 1 to GIF";
        QTest::newRow("upload") << "FTPing slide 1";
    }
    void cancelLeavesTheLectureAsItWas() {
        QFETCH(QString, cancelAt);
        QVERIFY(slides_ > 0);
        const QByteArray oldDescription = lectureFile("description");
        const QByteArray oldStml = lectureFile("extract.stml");
        const QStringList oldFiles = fx_.lectureFiles();
        WizardRun r;
        QVERIFY(toLecturePage(r));
        r.answerLectureExists(FrmFTPError::AppendSlides);
        r.next();
        QCOMPARE(r.page(), 4);
        auto* cancel = testUi::named<QPushButton>(&r.w->frmProgress(), "Cancel");
        bool cancelShown = false;
        r.onProgressLine(cancelAt, [&] {
            QTimer::singleShot(0, r.w.get(), [&] {
                cancelShown = cancel->isVisible();
                QTest::mouseClick(cancel, Qt::LeftButton);
            });
        });
        r.finish();

        QVERIFY(cancelShown);
        QVERIFY(r.quitAfterTransfer());
        QCOMPARE(r.ends, 1);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        QVERIFY(!r.progressLines().contains("FTPing description"));
        QCOMPARE(lectureFile("description"), oldDescription);
        QCOMPARE(lectureFile("extract.stml"), oldStml);
        if (cancelAt.startsWith("Converting"))
            QCOMPARE(fx_.lectureFiles(), oldFiles);
        QCOMPARE(fx_.lectureFiles().filter(".part"), QStringList());
        QCOMPARE(fx_.workingFilesLeft(), QStringList());
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
    }

    // Change the date keeps the wizard on the lecture page, and so does Done with nothing
    // chosen; a new session takes the next free number, shown on the page, for the lecture.
    void otherAnswersToAnExistingLecture() {
        WizardRun r;
        QVERIFY(toLecturePage(r));
        r.answerLectureExists(FrmFTPError::ChangeDate);
        r.next();
        QCOMPARE(r.page(), 3);
        QVERIFY(r.named<QPushButton>("buttonNext")->isEnabled());
        r.answerLectureExists(-1);
        auto* kept = r.named<QRadioButton>(QString("ErrorOption_%1").arg(FrmFTPError::ChangeDate));
        kept->setAutoExclusive(false);
        kept->setChecked(false);
        kept->setAutoExclusive(true);
        r.next();
        QCOMPARE(r.page(), 3);

        r.answerLectureExists(FrmFTPError::NewSession);
        r.next();
        QCOMPARE(r.page(), 4);
        QCOMPARE(r.named<QLineEdit>("Session")->text(), QString("2"));
        QVERIFY(!WizardProbe::appendSlides(*r.w));
        QCOMPARE(WizardProbe::ftp(*r.w).lectureDir, QString("classes/cs101fall26/Mar.5.2026.2/"));
        QCOMPARE(r.messages, QStringList());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
