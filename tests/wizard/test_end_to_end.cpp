// A lecture from the first page to Done, against the real server and the real office: a new
// lecture, then slides appended to it, then the other answers to an existing lecture.
//
// SF_E2E_PRESENTATION=/path/to/talk.ppt runs the same checks on another presentation.
#include "WizardRun.h"
#include "office/OfficeTestSupport.h"
#include "platform/office/Office.h"

#include <QImage>
#include <QLabel>
#include <QRegularExpression>

class TestEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir settings_, talks_, work_;
    SelectedFtpServer server_;
    QString fileName_;
    int slides_ = 0;

    const QString lectureOne_ = QStringLiteral("lumora/classes/cs101fall26/Mar.5.2026.1/");

    // Runs the wizard from Start to the Lecture Info page with the lecture of these tests.
    bool toLectureInfo(WizardRun& r) {
        r.next();
        r.typeAccounts("ann", "pw123", server_);
        r.next();
        if (r.w->currentPage != 2 || !r.chooseFile(fileName_))
            return false;
        r.next();
        if (r.w->currentPage != 3)
            return false;
        r.w->Classes->setCurrentText("cs101fall26");
        r.setDate("Mar", "5", "2026");
        r.w->Session->setText("1");
        return true;
    }

    QStringList serverFiles(const QString& dir) {
        return QDir(server_.root() + "/" + dir).entryList(QDir::Files, QDir::Name);
    }

    static QList<QByteArray> crlfLines(const QByteArray& data) {
        QList<QByteArray> lines = data.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray& l : lines) {
            if (!l.endsWith('\r'))
                return {"missing CR before LF: " + l};
            l.chop(1);
        }
        return lines;
    }

private slots:
    void initTestCase() {
        settingsStore::useDirectory(settings_.path());
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        QVERIFY(server_.writeFile("lumora/admin/passwd", "# accounts\nann:pw123:Ann Lee\n"));
        QVERIFY(server_.makeDir("lumora/classes/cs101fall26"));
        QVERIFY(server_.makeDir("lumora/classes/hist200spring27"));
        const QString source = e2ePresentation();
        fileName_ = QFileInfo(source).fileName();
        QVERIFY(QFile::copy(source, talks_.filePath(fileName_)));
        writeSetting("System", server_.host());
        writeSetting("Directory", talks_.path());
        writeSetting("ExportPath", work_.path());
    }

    void newLectureFromStartToDone() {
        WizardRun r;
        r.next();
        QCOMPARE(r.w->FTPMachine->text(), server_.host());
        QVERIFY(r.w->Finish->isEnabled() == false);
        r.typeAccounts("ann", "pw123", server_);
        r.next();
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.w->currentPage, 2);
        QCOMPARE(r.w->dirList->path(), QDir(talks_.path()).canonicalPath());
        QVERIFY(r.chooseFile(fileName_));
        r.next();
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.w->currentPage, 3);
        slides_ = r.w->lastSlide->count();
        QVERIFY(slides_ >= 1);
        QCOMPARE(r.w->firstSlide->currentText(), QString(" 1"));
        QCOMPARE(r.w->lastSlide->currentText(), " " + QString::number(slides_));
        QCOMPARE(r.w->Classes->count(), 2);
        if (r.w->Title->text().isEmpty())
            r.w->Title->setText("A lecture");
        const QString title = r.w->Title->text();
        r.w->Classes->setCurrentText("cs101fall26");
        r.setDate("Mar", "5", "2026");
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        QVERIFY(!r.w->appendSlides);
        QCOMPARE(r.w->ExportPath->text(), work_.path());
        // Nothing remembered yet: the empty custom size keeps Next off until one is typed.
        QVERIFY(!r.w->buttonNext->isEnabled());
        r.w->Resolution->setCurrentText("Custom");
        QTest::keyClicks(r.w->imageWidth, "800");
        QTest::keyClicks(r.w->imageHeight, "600");
        QVERIFY(r.w->buttonNext->isEnabled());
        r.next();
        QCOMPARE(r.w->currentPage, 5);
        QTest::mouseClick(r.w->Finish, Qt::LeftButton);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QVERIFY(r.w->isHidden());

        QStringList expected{"", "Converting slides to images..."};
        for (int i = 1; i <= slides_; ++i)
            expected << QString("Converting slide %1 to GIF").arg(i);
        expected << "Creating blank slide"
                 << ""
                 << "FTPing slides...";
        for (int i = 1; i <= slides_; ++i)
            expected << QString("FTPing slide %1").arg(i);
        expected << "FTPing description"
                 << "FTPing STML file"
                 << "Slide-Ferry complete";
        QCOMPARE(r.progressLines(), expected);
        FrmProgress& progress = r.w->frmProgress();
        QVERIFY(!progress.doneButton()->isHidden());
        QVERIFY(progress.cancelButton()->isHidden());
        // Where the lecture went, before Done.
        const QString summary = progress.summaryLabel()->text();
        QVERIFY2(!progress.summaryLabel()->isHidden() && summary.contains("cs101fall26") &&
                     summary.contains("~/lumora/classes/cs101fall26/Mar.5.2026.1") &&
                     summary.contains(QString(": %1 slide").arg(slides_)),
                 qPrintable(summary));

        // The server holds the lecture.
        QStringList files{"blank.gif", "description", "extract.stml"};
        for (int i = 1; i <= slides_; ++i)
            files << QString("Slide%1.gif").arg(i);
        files.sort();
        QCOMPARE(serverFiles(lectureOne_), files);
        for (const QString& f : files) {
            if (!f.endsWith(".gif"))
                continue;
            QImage image;
            QVERIFY2(image.loadFromData(server_.readFile(lectureOne_ + f), "GIF"), qPrintable(f));
            QCOMPARE(image.size(), QSize(800, 600));
        }
        const QByteArray description = server_.readFile(lectureOne_ + "description");
        const QRegularExpression descriptionFormat(
            "^" + QRegularExpression::escape(title) +
            "\nann\n(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [1-9]\\d? \\d\\d:\\d\\d:\\d\\d EDT "
            "\\d{4}\r\n$");
        QVERIFY2(descriptionFormat.match(QString::fromLatin1(description)).hasMatch(),
                 description.constData());
        const QList<QByteArray> stml = crlfLines(server_.readFile(lectureOne_ + "extract.stml"));
        QCOMPARE(stml.first(), QByteArray("<stml>"));
        QCOMPARE(stml.last(), QByteArray("</stml>"));
        QCOMPARE(stml.count("<slide>"), slides_);
        QCOMPARE(stml.count("</slide>"), slides_);
        QVERIFY(stml.at(2).startsWith("<title>"));

        // The working files are gone; Done saves the choices and ends the program.
        for (const QString& f : QDir(work_.path()).entryList(QDir::Files))
            QVERIFY2(!f.startsWith("Slide") && !f.startsWith("extract.") && f != "description",
                     qPrintable(f));
        QTest::mouseClick(progress.doneButton(), Qt::LeftButton);
        QCOMPARE(r.ends, 1);
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Class", ""),
                 QString("cs101fall26"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "UserID", ""), QString("ann"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "CorvaneID", ""), server_.user());
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Password", "none"),
                 QString("none"));
    }

    void appendingNumbersAfterTheOldSlidesAndMergesTheText() {
        QVERIFY(slides_ > 0);
        const QByteArray oldStml = server_.readFile(lectureOne_ + "extract.stml");
        WizardRun r;
        QVERIFY(toLectureInfo(r));
        r.answerLectureExists(FrmFTPError::AppendSlides);
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        QVERIFY(r.w->appendSlides);
        QTest::mouseClick(r.w->Finish, Qt::LeftButton);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        const QStringList lines = r.progressLines();
        QVERIFY(lines.contains("Getting existing stml..."));
        QVERIFY(lines.contains("Getting existing ntml..."));
        QCOMPARE(lines.last(), QString("Slide-Ferry complete"));

        const QStringList files = serverFiles(lectureOne_);
        for (int i = 1; i <= 2 * slides_; ++i)
            QVERIFY2(files.contains(QString("Slide%1.gif").arg(i)), qPrintable(QString::number(i)));
        QVERIFY(!files.contains(QString("Slide%1.gif").arg(2 * slides_ + 1)));
        const QByteArray merged = server_.readFile(lectureOne_ + "extract.stml");
        // The old file without its closing line, then the new slides, then one closing line.
        QVERIFY(merged.startsWith(oldStml.left(oldStml.size() - int(strlen("</stml>\r\n")))));
        const QList<QByteArray> stml = crlfLines(merged);
        QCOMPARE(stml.count("<stml>"), 1);
        QCOMPARE(stml.count("</stml>"), 1);
        QCOMPARE(stml.last(), QByteArray("</stml>"));
        QCOMPARE(stml.count("<slide>"), 2 * slides_);
    }

    // Cancel on the progress window, during the export or during the upload of slides appended
    // to the lecture: the program ends without a message, the lecture keeps its own description
    // and slide text, and neither working files nor the office are left behind.
    void cancelLeavesTheLectureAsItWas_data() {
        QTest::addColumn<QString>("cancelAt");
        QTest::newRow("export") << "Converting slide 1 to GIF";
        QTest::newRow("upload") << "FTPing slide 1";
    }
    void cancelLeavesTheLectureAsItWas() {
        QFETCH(QString, cancelAt);
        QVERIFY(slides_ > 0);
        const QByteArray oldDescription = server_.readFile(lectureOne_ + "description");
        const QByteArray oldStml = server_.readFile(lectureOne_ + "extract.stml");
        const QStringList oldFiles = serverFiles(lectureOne_);
        WizardRun r;
        QVERIFY(toLectureInfo(r));
        r.answerLectureExists(FrmFTPError::AppendSlides);
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        FrmProgress& progress = r.w->frmProgress();
        bool cancelShown = false;
        auto* watch = new QTimer(r.w.get());
        QObject::connect(watch, &QTimer::timeout, watch, [&] {
            if (!r.progressLines().contains(cancelAt))
                return;
            watch->stop();
            cancelShown = progress.cancelButton()->isVisible();
            QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
        });
        watch->start(0);
        QTest::mouseClick(r.w->Finish, Qt::LeftButton);

        QVERIFY(cancelShown);
        QCOMPARE(r.ends, 1);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QVERIFY(!r.progressLines().contains("FTPing description"));
        QCOMPARE(server_.readFile(lectureOne_ + "description"), oldDescription);
        QCOMPARE(server_.readFile(lectureOne_ + "extract.stml"), oldStml);
        if (cancelAt.startsWith("Converting"))
            QCOMPARE(serverFiles(lectureOne_), oldFiles);
        for (const QString& f : serverFiles(lectureOne_))
            QVERIFY2(!f.endsWith(".part"), qPrintable(f));
        for (const QString& f : QDir(work_.path()).entryList(QDir::Files))
            QVERIFY2(!f.startsWith("Slide") && !f.startsWith("extract.") && f != "description" &&
                         !f.startsWith("blank."),
                     qPrintable(f));
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
    }

    void otherAnswersToAnExistingLecture() {
        WizardRun r;
        QVERIFY(toLectureInfo(r));
        r.answerLectureExists(FrmFTPError::ChangeDate);
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        QVERIFY(r.w->buttonNext->isEnabled());
        r.answerLectureExists(-1); // Done with nothing selected: the lecture stays untouched
        r.w->frmFTPError().option(FrmFTPError::ChangeDate)->setAutoExclusive(false);
        r.w->frmFTPError().option(FrmFTPError::ChangeDate)->setChecked(false);
        r.w->frmFTPError().option(FrmFTPError::ChangeDate)->setAutoExclusive(true);
        r.next();
        QCOMPARE(r.w->currentPage, 3);

        r.answerLectureExists(FrmFTPError::NewSession);
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        QCOMPARE(r.w->Session->text(), QString("2"));
        QVERIFY(!r.w->appendSlides);
        QTest::mouseClick(r.w->Finish, Qt::LeftButton);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        const QStringList files = serverFiles("lumora/classes/cs101fall26/Mar.5.2026.2/");
        QVERIFY(files.contains("Slide1.gif"));
        QVERIFY(files.contains("extract.stml"));
        QCOMPARE(r.ends, 0);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
