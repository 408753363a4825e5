// What the wizard tells around Finish and keeps after it, against the real fault-injecting
// Lumora server and the real office: the Finish page's plan, the progress window's status line
// during a real transfer, the way back to the wizard after a failed upload with every field kept,
// and the lecture-exists dialog's facts with the lecture's own title kept on Append.
#include "wizard/WizardRun.h"

#include "support/FaultFtpServer.h"

#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>

class TestWizardFinish : public QObject {
    Q_OBJECT
    LectureWizard fx_;
    FaultFtpServer* server_ = nullptr;
    const QString fileName_ = QStringLiteral("basic_test_ppt_file.ppt"); // 2 slides

    QString planText(WizardRun& r) { return r.named<QLabel>("finishSummary")->text(); }

    // The lecture's files on the server, read whole.
    QByteArray lectureFile(const QString& name) {
        QFile f(server_->lumoraDir() + "/classes/cs101fall26/Mar.5.2026.1/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // An existing lecture 1 of 5 March 2026 with three slides and the given description.
    bool makeLecture(const QByteArray& description) {
        const QString dir = "lumora/classes/cs101fall26/Mar.5.2026.1/";
        bool ok = server_->makeDir(dir) && server_->writeFile(dir + "description", description);
        for (const QString& f : QStringList{"Slide1.gif", "Slide2.gif", "Slide3.jpg", "blank.gif"})
            ok = ok && server_->writeFile(dir + f, "GIF89a");
        return ok && server_->writeFile(dir + "extract.stml", "<stml>\r\n</stml>\r\n");
    }

private slots:
    void initTestCase() {
        auto server = std::make_unique<FaultFtpServer>();
        server_ = server.get();
        QVERIFY(fx_.start({fileName_}, std::move(server)));
    }
    void init() {
        QVERIFY(server_->clearRules());
        QVERIFY(fx_.reset());
    }
    void cleanupTestCase() { fx_.server.reset(); }

    // The Finish page says what Finish will do: the presentation and its slides, the class, a
    // new lecture directory, date, session, title, images and the server in clear text. During
    // the transfer the status line counts the slides and the bytes of the upload, which are the
    // bytes the server then holds, and the bar moves with the work.
    void finishPagePlanAndStatusLine() {
        WizardRun r;
        QVERIFY(fx_.toAdvancedPage(r, fileName_));
        r.named<QLineEdit>("Title")->setText("Week 9: Graphs");
        r.next();
        QCOMPARE(r.page(), 5);
        QCOMPARE(r.named<QLabel>("Label14")->text(), QString("Press finish to create lecture."));
        const QSize size = chosenImageSize(*r.w);
        const QString format = r.named<QComboBox>("imageFormat")->currentText();
        QCOMPARE(
            planText(r).split('\n'),
            (QStringList{
                "Presentation: basic_test_ppt_file.ppt, slides 1-2", "Class: cs101fall26",
                "Lecture: ~/lumora/classes/cs101fall26/Mar.5.2026.1 (new)", "Date: Mar 5 2026",
                "Session: 1", "Title: Week 9: Graphs",
                QString("Images: %1, %2 x %3").arg(format).arg(size.width()).arg(size.height()),
                "Server: " + server_->host() + ", not encrypted"}));

        auto* status = testUi::named<QLabel>(&r.w->frmProgress(), "transferStatus");
        auto* bar = testUi::named<QProgressBar>(&r.w->frmProgress(), "transferBar");
        QString converting, sending;
        int barConverted = -1;
        r.onProgressLine("Creating blank slide", [&] {
            converting = status->text();
            barConverted = bar->value();
        });
        r.onProgressLine("FTPing STML file", [&] { sending = status->text(); });
        r.finish();
        QVERIFY2(r.completed(), qPrintable(r.shown()));
        QVERIFY2(converting.startsWith("Slide 2 of 2") && !converting.contains("sent"),
                 qPrintable(converting));
        // Everything but the slide text has gone when its line shows.
        const QRegularExpression counts(R"(^Slide 2 of 2 · ([\d.]+) of ([\d.]+) KB sent)");
        const auto match = counts.match(sending);
        QVERIFY2(match.hasMatch(), qPrintable(sending));
        qint64 total = 0;
        for (const QString& f : fx_.lectureFiles())
            total += lectureFile(f).size();
        const qint64 stml = lectureFile("extract.stml").size();
        // Shown to a tenth below ten, whole above.
        const auto near = [](const QString& shown, qint64 bytes) {
            const double kb = shown.toDouble();
            return qAbs(kb * 1024 - double(bytes)) <= (kb < 10 ? 52 : 512);
        };
        QVERIFY2(near(match.captured(2), total) && near(match.captured(1), total - stml),
                 qPrintable(sending + " of " + QString::number(total)));
        // Converted, not sent: the bar is on its way, neither empty nor full.
        QVERIFY2(barConverted > bar->minimum() && barConverted < bar->maximum(),
                 qPrintable(QString::number(barConverted)));
        QCOMPARE(bar->value(), bar->maximum());
    }

    // A failed upload ends nothing: after the one message the progress window offers the way
    // back; the working files are gone and the server holds nothing of the lecture. Back shows
    // the wizard on its page with every field as it was, nothing saved; the next Finish opens
    // the presentation again and sends the whole lecture.
    void backToTheWizardAfterAFailedUpload() {
        WizardRun r;
        QVERIFY(fx_.toAdvancedPage(r, fileName_));
        r.named<QLineEdit>("Title")->setText("Kept title");
        r.named<QComboBox>("imageFormat")->setCurrentText("JPG");
        r.named<QComboBox>("lastSlide")->setCurrentIndex(0); // slide 1 only
        r.next();
        const QString plan = planText(r);
        QVERIFY2(plan.startsWith("Presentation: basic_test_ppt_file.ppt, slide 1\n"),
                 qPrintable(plan));
        QVERIFY(server_->setRules({FaultRule::refuse("STOR", "552 Disk full", "Slide1")}));
        r.finish();

        FrmProgress& progress = r.w->frmProgress();
        auto* back = testUi::named<QPushButton>(&progress, "BackToWizard");
        auto* quit = testUi::named<QPushButton>(&progress, "Quit");
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages.first().contains("Disk full"), qPrintable(r.shown()));
        QCOMPARE(r.ends, 0);
        QVERIFY(progress.isVisible() && !r.w->isVisible());
        QVERIFY(back->isVisible() && quit->isVisible());
        QVERIFY(testUi::named<QPushButton>(&progress, "Cancel")->isHidden());
        // No time left is promised for a transfer that has ended.
        QCOMPARE(testUi::named<QLabel>(&progress, "transferStatus")->text(), QString());
        QCOMPARE(fx_.workingFilesLeft(), QStringList());
        QCOMPARE(fx_.lectures(), QStringList());

        QTest::mouseClick(back, Qt::LeftButton);
        QVERIFY(!progress.isVisible() && r.w->isVisible());
        QCOMPARE(r.page(), 5);
        QCOMPARE(planText(r), plan);
        QCOMPARE(r.named<QLineEdit>("Title")->text(), QString("Kept title"));
        QCOMPARE(r.named<QComboBox>("imageFormat")->currentText(), QString("JPG"));
        QCOMPARE(r.named<QComboBox>("lastSlide")->currentIndex(), 0);
        QCOMPARE(r.named<QLineEdit>("Session")->text(), QString("1"));
        QCOMPARE(r.named<QComboBox>("Classes")->currentText(), QString("cs101fall26"));
        QCOMPARE(readSetting("Class"), QString());

        QVERIFY(server_->clearRules());
        r.finish();
        QVERIFY2(r.completed(), qPrintable(r.shown()));
        QCOMPARE(r.progressLines().count("FTPing slides..."), 1); // the list began anew
        QCOMPARE(fx_.lectureFiles(),
                 (QStringList{"Slide1.jpg", "blank.jpg", "description", "extract.stml"}));
        QVERIFY(lectureFile("description").startsWith("Kept title\nann\n"));

        QTest::mouseClick(testUi::named<QPushButton>(&progress, "Done"), Qt::LeftButton);
        QCOMPARE(r.ends, 1);
    }

    // The lecture-exists dialog tells the lecture's title, author and date from its description
    // and its slides (of any format); what the description does not hold whole reads "unknown".
    // Append puts the lecture's title into the Title field, and the description keeps it.
    void lectureExistsFactsAndKeptTitle_data() {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QString>("facts");
        QTest::newRow("whole") << QByteArray("Graph theory\nbob\nMon Mar 2 09:00:00 EDT 2026\r\n")
                               << "Title: Graph theory\nAuthor: bob\n"
                                  "Date: Mon Mar 2 09:00:00 EDT 2026\nSlides: 3";
        QTest::newRow("control characters")
            << QByteArray("Graph\x1b[2Jtheory\nbob\n") + QByteArray(2, '\x07') + "\r\n"
            << "Title: unknown\nAuthor: bob\nDate: unknown\nSlides: 3";
        QTest::newRow("too large") << QByteArray(5000, 'x') + "\nbob\ndate\r\n"
                                   << "Title: unknown\nAuthor: unknown\nDate: unknown\nSlides: 3";
    }
    void lectureExistsFactsAndKeptTitle() {
        QFETCH(QByteArray, description);
        QFETCH(QString, facts);
        QVERIFY(makeLecture(description));
        WizardRun r;
        QVERIFY(fx_.toLecturePage(r, fileName_));
        const QString deckTitle = r.named<QLineEdit>("Title")->text();
        r.answerLectureExists(FrmFTPError::AppendSlides);
        r.next();
        QCOMPARE(r.page(), 4);
        // The dialog keeps what it showed after Done.
        auto* dialog = r.w->findChild<FrmFTPError*>("frmFTPError");
        QVERIFY(dialog != nullptr);
        QCOMPARE(testUi::named<QLabel>(dialog, "lectureFacts")->text(), facts);
        const bool known = facts.startsWith("Title: Graph theory");
        QCOMPARE(r.named<QLineEdit>("Title")->text(), known ? QString("Graph theory") : deckTitle);
        if (!known)
            return;
        r.finish();
        QVERIFY2(r.completed(), qPrintable(r.shown()));
        QVERIFY(lectureFile("description").startsWith("Graph theory\nann\n"));
    }
};

QTEST_MAIN(TestWizardFinish)
#include "test_wizard_finish.moc"
