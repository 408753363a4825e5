// The presentation part of the pipeline against the real office: opening, title, the image export
// of a slide range with its progress lines, closing, and attaching to or starting the office.

#include "OfficeTestSupport.h"
#include "pipeline/PresentationExport.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"
#include "wizard/WizardFields.h"

#include <QImage>
#include <QTest>

#include <csignal>

using officeTest::copyPresentation;
using officeTest::RecordingProgress;

class TestPresentationExport : public QObject {
    Q_OBJECT
    // The office the tests attach to; started once for the whole executable.
    std::unique_ptr<office::Application> office_;
    QTemporaryDir files_;

    QStringList filesIn(const QString& dir) {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        office_ = office::Application::start();
    }

    void cleanupTestCase() {
        if (office_)
            office_->quit();
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
    }

    void presentationName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("windows path") << "C:\\Talks\\intro.ppt"
                                      << "intro.ppt";
        QTest::newRow("posix path") << "/home/me/talks/intro.ppt"
                                    << "intro.ppt";
        QTest::newRow("mixed") << "C:\\Talks/sub\\x y.ppt"
                               << "x y.ppt";
        QTest::newRow("no separator") << "intro.ppt"
                                      << "intro.ppt";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("trailing separator") << "C:\\Talks\\"
                                            << "Talks\\";
        QTest::newRow("only a separator") << "/"
                                          << "/";
    }
    void presentationName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(presentationNameOf(path), name);
    }

    void openReadsNameCountAndTitle_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("title");
        QTest::newRow("basic") << "basic_test_ppt_file.ppt" << 2 << "This is a test title";
        QTest::newRow("text boxes") << "with_textbox.ppt" << 1 << "Hello, World!!!";
        QTest::newRow("empty title placeholder") << "empty.ppt" << 1 << "";
        QTest::newRow("first slide without shapes") << "no-shapes.fodp" << 2 << "";
        QTest::newRow("68 slides") << "long-68-slides.ppt" << 68 << "";
    }
    void openReadsNameCountAndTitle() {
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QString, title);
        PlainWizardFields fields;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, file));
        QVERIFY2(presentation.lastOpenError.isEmpty(), qPrintable(presentation.lastOpenError));
        QVERIFY(presentation.isOpen());
        QVERIFY(presentation.hasApp);
        QVERIFY(!presentation.appStartedHere); // the test's office was running
        QCOMPARE(presentation.presentationName, file);
        QCOMPARE(int(presentation.slideCount), count);
        if (file != QLatin1String("long-68-slides.ppt"))
            QCOMPARE(presentation.getPresentationTitle(), title);
        else
            QVERIFY(!presentation.getPresentationTitle().isEmpty());
        QVERIFY(presentation.slides() != nullptr);

        presentation.closePresentation();
        QVERIFY(!presentation.isOpen());
        QVERIFY(!presentation.hasApp);
        QCOMPARE(int(presentation.slideCount), 0);
        QCOMPARE(presentation.presentationName, QString());
        QVERIFY(presentation.slides() == nullptr);
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.getPresentationTitle());
        QVERIFY(office_->isAlive()); // closing never quits an office the program found running
    }

    // A file that cannot be opened leaves no slides and a reason; the next file opens.
    void failedOpenLeavesNoSlides_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("encrypted") << "password-protected.ppt";
        QTest::newRow("damaged") << "corrupt-records.ppt";
        QTest::newRow("missing") << "missing.ppt";
    }
    void failedOpenLeavesNoSlides() {
        QFETCH(QString, file);
        PlainWizardFields fields;
        PresentationExport presentation(fields);
        QString path = copyPresentation(files_, file);
        if (path.isEmpty())
            path = files_.filePath(file);
        presentation.openPresentation(path);
        QCOMPARE(int(presentation.slideCount), 0);
        QCOMPARE(presentation.presentationName, file);
        QVERIFY(!presentation.isOpen());
        QVERIFY(!presentation.lastOpenError.isEmpty());
        QVERIFY(presentation.lastOpenError.contains(file));
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.getPresentationTitle());

        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        QCOMPARE(int(presentation.slideCount), 2);
        QVERIFY(presentation.lastOpenError.isEmpty());
    }

    void readerGivesSlideAndNotesText() {
        PlainWizardFields fields;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        SlideReader* reader = presentation.slides();
        QVERIFY(reader);
        QCOMPARE(reader->shapeCount(2), 2);
        QCOMPARE(reader->shapeText(1, 2), QString("This is a test subtitle\rThis is on page 1"));
        QCOMPARE(reader->notesShapeCount(1), 2);
        QVERIFY(reader->notesHasText(1, 2));
        QCOMPARE(reader->notesShapeText(1, 2), QString("These are the notes for page 1"));
    }

    // A range from 3 to 5 writes Slide3..Slide5 and the blank image at the chosen size, with one
    // progress line per slide, and leaves the file on disk unchanged.
    void exportsTheRangeAndABlankSlide_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("GIF") << "GIF" << 1000 << 700;
        QTest::newRow("JPG") << "JPG" << 776 << 532;
    }
    void exportsTheRangeAndABlankSlide() {
        QFETCH(QString, format);
        QFETCH(int, width);
        QFETCH(int, height);
        QTemporaryDir source;
        QTemporaryDir work;
        const QString path = copyPresentation(source, "long-68-slides.ppt");
        const QByteArray before = officeTest::digestOf(path);
        PlainWizardFields fields;
        fields.exportPathV = work.path();
        fields.imageFormatV = format;
        fields.firstSlideV = " 3";
        fields.lastSlideV = " 5";
        fields.width = width;
        fields.height = height;
        PresentationExport presentation(fields);
        presentation.openPresentation(path);
        QCOMPARE(int(presentation.slideCount), 68);

        RecordingProgress progress;
        presentation.exportSlides(progress);
        QCOMPARE(progress.lines,
                 (QStringList{"", "Converting slides to images...",
                              "Converting slide 3 to " + format, "Converting slide 4 to " + format,
                              "Converting slide 5 to " + format, "Creating blank slide"}));
        const QStringList expected = {"Slide3." + format, "Slide4." + format, "Slide5." + format,
                                      "blank." + format};
        QCOMPARE(filesIn(work.path()), expected);
        for (const QString& name : expected)
            QCOMPARE(QImage(work.filePath(name)).size(), QSize(width, height));
        QVERIFY(QImage(work.filePath("Slide3." + format)) !=
                QImage(work.filePath("blank." + format)));

        QCOMPARE(presentation.slides()->shapeCount(68) > 0, true); // the blank slide is gone
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.slides()->shapeCount(69));
        presentation.closePresentation();
        QCOMPARE(officeTest::digestOf(path), before);
        QCOMPARE(filesIn(source.path()), QStringList{"long-68-slides.ppt"});
    }

    void emptyRangeExportsOnlyTheBlankSlide() {
        QTemporaryDir work;
        PlainWizardFields fields;
        fields.exportPathV = work.path();
        fields.firstSlideV = " 2";
        fields.lastSlideV = " 1";
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        RecordingProgress progress;
        presentation.exportSlides(progress);
        QCOMPARE(progress.lines,
                 (QStringList{"", "Converting slides to images...", "Creating blank slide"}));
        QCOMPARE(filesIn(work.path()), QStringList{"blank.GIF"});
    }

    // Failing exports are raised; the presentation keeps its slides.
    void failingExportIsRaised_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("missingFolder");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("empty first slide field") << ""
                                                 << " 2"
                                                 << "GIF" << false << QStringList{};
        QTest::newRow("past the last slide") << " 2"
                                             << " 3"
                                             << "GIF" << false << QStringList{"Slide2.GIF"};
        QTest::newRow("unknown format") << " 1"
                                        << " 2"
                                        << "XYZ" << false << QStringList{};
        QTest::newRow("blank slide fails") << " 2"
                                           << " 1"
                                           << "GIF" << true << QStringList{};
    }
    void failingExportIsRaised() {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, format);
        QFETCH(bool, missingFolder);
        QFETCH(QStringList, files);
        QTemporaryDir work;
        PlainWizardFields fields;
        fields.exportPathV = missingFolder ? work.filePath("gone") : work.path();
        fields.firstSlideV = first;
        fields.lastSlideV = last;
        fields.imageFormatV = format;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        RecordingProgress progress;
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.exportSlides(progress));
        QCOMPARE(filesIn(work.path()), files);
        // No slide was left behind: slide 3 does not exist.
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.slides()->shapeCount(3));
        QCOMPARE(presentation.slides()->shapeCount(2), 2);
    }

    void exportWithoutPresentationFails() {
        PlainWizardFields fields;
        PresentationExport presentation(fields);
        RecordingProgress progress;
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.exportSlides(progress));
    }

    // With no office running the program starts one and quits it when the presentation is
    // closed; appStartedHere then stays true. Runs last: it stops the test's own office.
    void startsAndQuitsItsOwnOffice() {
        office_->quit();
        office_.reset();
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));

        PlainWizardFields fields;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "bullets.ppt"));
        QVERIFY(presentation.appStartedHere);
        QCOMPARE(int(presentation.slideCount), 2);
        QVERIFY(officeTest::officeRunningOn(office::pipeName()));
        presentation.closePresentation();
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
        QVERIFY(office::Application::attach() == nullptr);
        QVERIFY(presentation.appStartedHere);

        // Opening again starts a new office; dropping the module ends it as well.
        {
            PresentationExport again(fields);
            again.openPresentation(copyPresentation(files_, "empty.ppt"));
            QCOMPARE(int(again.slideCount), 1);
            QVERIFY(again.appStartedHere);
        }
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
    }

    // An office that dies under the program makes the next read fail with a message, closing
    // still works, and the next open starts a new office.
    void officeDeathIsSurvived() {
        PlainWizardFields fields;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        QCOMPARE(int(presentation.slideCount), 2);
        const QList<qint64> pids = officeTest::officeProcesses(office::pipeName());
        QVERIFY(!pids.isEmpty()); // the office, and any helper process it forked meanwhile
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!officeTest::officeRunningOn(office::pipeName()), 30000);

        QVERIFY_THROWS_EXCEPTION(Failure, presentation.getPresentationTitle());
        presentation.closePresentation();
        QCOMPARE(int(presentation.slideCount), 0);

        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        QCOMPARE(int(presentation.slideCount), 2);
        QCOMPARE(presentation.getPresentationTitle(), QString("This is a test title"));
        presentation.closePresentation();
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
    }
};

QTEST_GUILESS_MAIN(TestPresentationExport)
#include "test_presentation_export.moc"
