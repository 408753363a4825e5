// The presentation part of the pipeline against the real office: opening, title, the image export
// of a slide range with its progress lines, closing, and attaching to or starting the office.

#include "OfficeTestSupport.h"
#include "lecture/LectureRecord.h"
#include "pipeline/EmptyPresentation.h"
#include "pipeline/PresentationExport.h"
#include "pipeline/SlideReader.h"
#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"

#include <QImage>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

using officeTest::copyPresentation;
using officeTest::RecordingProgress;

namespace {
// Records the lines, and checks each count of slides converted against the slide images whole
// on disk at that moment: a slide counts only once its file is written.
class CountingProgress : public RecordingProgress {
public:
    CountingProgress(const QString& dir, const QString& format, QSize size)
        : dir_(dir), name_(QStringLiteral("^Slide\\d+\\.") + format + QLatin1Char('$')),
          size_(size) {}
    int counted = 0;
    bool countedAhead = false;
    void slidesConverted(int done, int) override {
        counted = done;
        int written = 0;
        for (const QString& file : QDir(dir_).entryList(QDir::Files))
            written += name_.match(file).hasMatch() && QImage(dir_ + '/' + file).size() == size_;
        countedAhead = countedAhead || done > written;
    }

private:
    QString dir_;
    QRegularExpression name_;
    QSize size_;
};
} // namespace

class TestPresentationExport : public QObject {
    Q_OBJECT
    // The office the tests attach to; started once for the whole executable.
    std::unique_ptr<office::Application> office_;
    QTemporaryDir files_;

    static QStringList filesIn(const QString& dir) {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static bool officeRunning() { return officeTest::officeRunningOn(office::pipeName()); }

private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        office_ = office::Application::start();
    }
    void cleanupTestCase() {
        if (office_)
            office_->quit();
        QTRY_VERIFY_WITH_TIMEOUT(!officeRunning(), 10000); // forked children follow soon
    }

    void openReadsNameCountAndTitle_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("title");
        QTest::newRow("basic") << "basic_test_ppt_file.ppt" << 2 << "This is a test title";
        QTest::newRow("empty title placeholder") << "empty.ppt" << 1 << "";
        QTest::newRow("first slide without shapes") << "no-shapes.fodp" << 2 << "";
        // Made from fields.fodp by the office: there the field reads as "<number>".
        QTest::newRow("slide-number field as title") << "fields.ppt" << 2 << "1";
    }
    void openReadsNameCountAndTitle() {
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QString, title);
        if (file == QLatin1String("fields.ppt"))
            office_->open(copyPresentation(files_, "fields.fodp"))->saveCopy(files_.filePath(file));
        LectureRecord fields;
        PresentationExport presentation(fields);
        const OpenOutcome opened = presentation.openPresentation(
            file == QLatin1String("fields.ppt") ? files_.filePath(file)
                                                : copyPresentation(files_, file));
        QVERIFY2(opened.result == OpenOutcome::Opened && opened.reason.isEmpty(),
                 qPrintable(opened.reason));
        QVERIFY(presentation.isOpen() && presentation.hasOffice() && presentation.slides());
        QVERIFY(!presentation.officeStartedHere()); // the test's office was running
        QCOMPARE(presentation.presentationName(), file);
        QCOMPARE(presentation.slideCount(), count);
        QCOMPARE(presentation.getPresentationTitle(), title);

        presentation.closePresentation();
        QVERIFY(!presentation.isOpen() && !presentation.hasOffice() && !presentation.slides());
        QCOMPARE(presentation.slideCount(), 0);
        QCOMPARE(presentation.presentationName(), QString());
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.getPresentationTitle());
        RecordingProgress progress;
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.exportSlides(progress));
        QVERIFY(office_->isAlive()); // closing never quits an office the program found running
    }

    // A range writes SlideN for each of its slides and the blank image at the chosen size, with
    // one progress line per slide and a slide counted once its file is written whole, and leaves
    // the file on disk unchanged.
    void exportsTheRangeAndABlankSlide_data() {
        QTest::addColumn<QStringList>("request"); // file, first slide, last slide, format
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("slides");
        QTest::newRow("3 to 5 as GIF") << QStringList{"long-68-slides.ppt", " 3", " 5", "GIF"}
                                       << QSize(1000, 700) << QList<int>{3, 4, 5};
        QTest::newRow("lower-case PNG, other aspect")
            << QStringList{"SampleShow.ppt", " 2", " 2", "png"} << QSize(333, 777) << QList<int>{2};
        QTest::newRow("one pixel")
            << QStringList{"SampleShow.ppt", " 1", " 1", "GIF"} << QSize(1, 1) << QList<int>{1};
        QTest::newRow("empty range: blank slide only")
            << QStringList{"basic_test_ppt_file.ppt", " 2", " 1", "GIF"} << QSize(300, 200)
            << QList<int>{};
    }
    void exportsTheRangeAndABlankSlide() {
        QFETCH(QStringList, request);
        QFETCH(QSize, size);
        QFETCH(QList<int>, slides);
        const QString file = request[0], format = request[3];
        QTemporaryDir source, work;
        const QString path = copyPresentation(source, file);
        const QByteArray before = testEnv::readFile(path);
        LectureRecord fields;
        fields.workDir = work.path();
        fields.firstSlide = request[1].trimmed().toInt();
        fields.lastSlide = request[2].trimmed().toInt();
        fields.imageFormat = format;
        fields.width = size.width();
        fields.height = size.height();
        PresentationExport presentation(fields);
        presentation.openPresentation(path);
        const int count = presentation.slideCount();

        CountingProgress progress(work.path(), format, size);
        presentation.exportSlides(progress);
        QCOMPARE(progress.counted, slides.size());
        QVERIFY(!progress.countedAhead);
        QStringList lines{"", "Converting slides to images..."}, images;
        for (int i : slides) {
            lines << QStringLiteral("Converting slide %1 to %2").arg(i).arg(format);
            images << QStringLiteral("Slide%1.%2").arg(i).arg(format);
        }
        QCOMPARE(progress.lines, lines << "Creating blank slide");
        images << "blank." + format;
        QCOMPARE(filesIn(work.path()), images);
        for (const QString& name : images)
            QCOMPARE(QImage(work.filePath(name)).size(), size);
        if (!slides.isEmpty() && size.width() > 100) // a slide with text is not the blank one
            QVERIFY(QImage(work.filePath(images.first())) != QImage(work.filePath(images.last())));

        QVERIFY(presentation.slides()->shapeCount(count) > 0); // the blank slide is gone
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.slides()->shapeCount(count + 1));
        presentation.closePresentation();
        QVERIFY(testEnv::readFile(path) == before);
        QCOMPARE(filesIn(source.path()), QStringList{file});
    }

    // A slide keeps its proportions in any frame: drawn as large as fits, centred, the rest of
    // the frame black; the blank image the same. The 16:9 slide's circle stays round.
    void slidesKeepTheirProportions_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("size");
        QTest::newRow("GIF, wider than 16:9 is tall") << "GIF" << QSize(1000, 700);
        QTest::newRow("PNG") << "PNG" << QSize(1000, 700);
        QTest::newRow("JPG") << "JPG" << QSize(1000, 700);
        QTest::newRow("BMP, tall frame") << "BMP" << QSize(300, 500);
        QTest::newRow("GIF, exactly 16:9: no band") << "GIF" << QSize(800, 450);
    }
    void slidesKeepTheirProportions() {
        QFETCH(QString, format);
        QFETCH(QSize, size);
        QTemporaryDir work;
        LectureRecord fields;
        fields.workDir = work.path();
        fields.firstSlide = fields.lastSlide = 1;
        fields.imageFormat = format;
        fields.width = size.width();
        fields.height = size.height();
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "circle-16x9.fodp"));
        RecordingProgress progress;
        presentation.exportSlides(progress);
        const int slideHeight = qMin(size.height(), size.width() * 9 / 16);
        const int band = (size.height() - slideHeight) / 2;
        const auto dark = [](QRgb c) { return qRed(c) < 24 && qGreen(c) < 24 && qBlue(c) < 24; };
        const auto white = [](QRgb c) {
            return qRed(c) > 230 && qGreen(c) > 230 && qBlue(c) > 230;
        };
        for (const QString& name : {"Slide1." + format, "blank." + format}) {
            const QImage image(work.filePath(name));
            QCOMPARE(image.size(), size);
            const int x = size.width() / 2;
            if (band > 0) {
                QVERIFY2(dark(image.pixel(x, 0)) && dark(image.pixel(x, size.height() - 1)),
                         qPrintable(name));
                QVERIFY(dark(image.pixel(x, band - 2)) && white(image.pixel(x, band + 2)));
            } else {
                QVERIFY2(white(image.pixel(x, 0)), qPrintable(name));
            }
            QVERIFY(white(image.pixel(2, size.height() / 2)));
        }
        // The circle's extent, by its red pixels.
        const QImage slide(work.filePath("Slide1." + format));
        QRect red;
        for (int y = 0; y < slide.height(); ++y)
            for (int x = 0; x < slide.width(); ++x) {
                const QRgb c = slide.pixel(x, y);
                if (qRed(c) > 200 && qGreen(c) < 90 && qBlue(c) < 90)
                    red |= QRect(x, y, 1, 1);
            }
        QVERIFY2(qAbs(red.width() - red.height()) <= 2,
                 qPrintable(QStringLiteral("%1 x %2").arg(red.width()).arg(red.height())));
        QVERIFY(qAbs(red.height() - slideHeight * 8 / 15.75) <= 3);
        QVERIFY(qAbs(red.center().y() - size.height() / 2) <= 2);
    }

    // A deck is empty only when no slide of the range shows anything: a slide without shapes
    // that has a background of its own (picture, colour, gradient) or a master page with a shape
    // shows something; so as the office's own deck and stored as a binary one. Slides that show
    // nothing at all are still caught.
    void emptyOnlyWhenNothingShows() {
        const QString odp = copyPresentation(files_, "backgrounds.fodp");
        const QString ppt = files_.filePath("backgrounds.ppt");
        office_->open(odp)->saveCopy(ppt);
        for (const QString& path : {odp, ppt}) {
            LectureRecord fields;
            PresentationExport presentation(fields);
            presentation.openPresentation(path);
            QCOMPARE(presentation.slideCount(), 5);
            SlideReader& slides = *presentation.slides();
            QVERIFY(!noSlideShowsAnything(slides, 1, 5));
            for (int slide = 1; slide <= 4; ++slide) {
                QCOMPARE(slides.shapeCount(slide), 0);
                QVERIFY2(!noSlideShowsAnything(slides, slide, slide),
                         qPrintable(QStringLiteral("%1, slide %2").arg(path).arg(slide)));
            }
            QVERIFY2(noSlideShowsAnything(slides, 5, 5), qPrintable(path));
        }
        LectureRecord fields;
        PresentationExport blank(fields);
        blank.openPresentation(copyPresentation(files_, "blank-slides.fodp"));
        QVERIFY(noSlideShowsAnything(*blank.slides(), 1, 3));
    }

    // The hidden slides are read from the deck, also once the office stored it as .pptx. The
    // all-text rule reads the title placeholder, grouped and table text in reading order and the
    // notes placeholder whole (not the other text of the notes page), so also from the .pptx;
    // the classic rule beside it is unchanged.
    void hiddenSlidesAndAllText() {
        for (const char* deck : {"hidden-slides", "all-text"}) {
            const QString odp = copyPresentation(files_, QString(deck) + ".fodp");
            office_->open(odp)->saveCopy(files_.filePath(QString(deck) + ".pptx"));
        }
        const QStringList allText{
            "<title>Real title</title>",        "<sentence>Group left</sentence>",
            "<sentence>second line</sentence>", "<sentence>Group right</sentence>",
            "<sentence>Aside</sentence>",       "<sentence>A1</sentence>",
            "<sentence>B1</sentence>",          "<sentence>Page 1</sentence>",
            "<sentence>B2</sentence>",          "<sentence>First notesecond note</sentence>"};
        for (const char* kind : {".fodp", ".pptx"}) {
            LectureRecord fields;
            PresentationExport presentation(fields);
            presentation.openPresentation(files_.filePath(QString("hidden-slides") + kind));
            QCOMPARE(presentation.hiddenSlides(), (QList<int>{2, 4}));
            presentation.openPresentation(files_.filePath(QString("all-text") + kind));
            QVERIFY(presentation.hiddenSlides().isEmpty());
            SlideReader& slides = *presentation.slides();
            QCOMPARE(slideTextLines(slides, 1, true), allText);
            QCOMPARE(slideTextLines(slides, 1, false), QStringList{"<title>Aside</title>"});
        }
    }

    // Failing exports are raised; the presentation keeps its slides.
    void failingExportIsRaised_data() {
        QTest::addColumn<QStringList>("request"); // first slide, last slide, format
        QTest::addColumn<bool>("missingFolder");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("empty first slide field")
            << QStringList{"", " 2", "GIF"} << false << QStringList{};
        QTest::newRow("past the last slide")
            << QStringList{" 2", " 3", "GIF"} << false << QStringList{"Slide2.GIF"};
        QTest::newRow("unknown format") << QStringList{" 1", " 2", "XYZ"} << false << QStringList{};
        QTest::newRow("blank slide fails")
            << QStringList{" 2", " 1", "GIF"} << true << QStringList{};
    }
    void failingExportIsRaised() {
        QFETCH(QStringList, request);
        QFETCH(bool, missingFolder);
        QTemporaryDir work;
        LectureRecord fields;
        fields.workDir = missingFolder ? work.filePath("gone") : work.path();
        fields.firstSlide = request[0].trimmed().toInt();
        fields.lastSlide = request[1].trimmed().toInt();
        fields.imageFormat = request[2];
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        RecordingProgress progress;
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.exportSlides(progress));
        QTEST(filesIn(work.path()), "files");
        // No slide was left behind: slide 3 does not exist.
        QVERIFY_THROWS_EXCEPTION(Failure, presentation.slides()->shapeCount(3));
        QCOMPARE(presentation.slides()->shapeCount(2), 2);
    }

    // Helper offices draw their share of a range: the same image files, names and pixels as the
    // first office alone, the lines in slide order. After the export, after a failed one, and
    // after one whose helpers could not start, no helper office is left.
    void helperOfficesShareTheExport() {
        const QString path = copyPresentation(files_, "long-68-slides.ppt");
        // The test's own office stays; only the helpers go.
        const auto helpersRunning = [] {
            for (int k = 2; k <= 4; ++k)
                if (officeTest::officeRunningOn(office::pipeName() + "_" + QString::number(k)))
                    return true;
            return false;
        };
        QMap<QString, QImage> alone;
        const struct Restore {
            ~Restore() { qunsetenv("SF_OFFICE_PROGRAM"); }
        } restore;
        for (const auto& [processes, range, program] : {std::tuple(1, "3-9", ""),
                                                        {3, "3-9", ""},
                                                        {3, "65-70", ""},
                                                        {2, "3-9", "/no/office"}}) {
            // The first office is the test's own: on a loaded machine it has been seen to end
            // between runs, and each run needs one to attach to before helpers may fail.
            if (!office_->isAlive())
                office_ = office::Application::start();
            qputenv("SF_OFFICE_PROGRAM", program);
            QTemporaryDir work;
            LectureRecord fields;
            fields.workDir = work.path();
            const QStringList bounds = QString(range).split('-');
            fields.firstSlide = bounds[0].toInt();
            fields.lastSlide = bounds[1].toInt();
            fields.imageFormat = "GIF";
            fields.width = 320;
            fields.height = 240;
            PresentationExport presentation(fields);
            presentation.setOfficeProcesses(processes);
            const OpenOutcome opened = presentation.openPresentation(path);
            QVERIFY2(presentation.isOpen(), qPrintable(opened.reason));
            QCOMPARE(presentation.readyHelpers(), *program ? 0 : processes - 1);
            RecordingProgress progress;
            if (bounds[1] == "70") {
                QVERIFY_THROWS_EXCEPTION(Failure, presentation.exportSlides(progress));
            } else {
                try {
                    presentation.exportSlides(progress);
                } catch (const Failure& e) {
                    QFAIL(qPrintable(
                        QStringLiteral("%1 offices: %2").arg(processes).arg(e.description())));
                }
                QStringList lines{"", "Converting slides to images..."};
                for (int i = 3; i <= 9; ++i)
                    lines << QStringLiteral("Converting slide %1 to GIF").arg(i);
                QCOMPARE(progress.lines, lines << "Creating blank slide");
                const QStringList names = filesIn(work.path());
                QCOMPARE(names.size(), 8);
                for (const QString& name : names) {
                    const QImage image(work.filePath(name));
                    QCOMPARE(image.size(), QSize(320, 240));
                    if (processes == 1)
                        alone[name] = image;
                    else
                        QVERIFY2(image == alone.value(name), qPrintable(name));
                }
            }
            presentation.closePresentation();
            QTRY_VERIFY_WITH_TIMEOUT(!helpersRunning(), 10000);
        }
        QVERIFY(office_->isAlive());
    }

    // With no office running the program starts one and quits it when the presentation is
    // closed, or when the module goes. Runs after the tests that attach: it stops their office.
    void startsAndQuitsItsOwnOffice() {
        office_->quit();
        office_.reset();
        QVERIFY(!officeRunning());

        LectureRecord fields;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "bullets.ppt"));
        QVERIFY(presentation.officeStartedHere());
        QCOMPARE(presentation.slideCount(), 2);
        QVERIFY(officeRunning());
        presentation.closePresentation();
        QVERIFY(!officeRunning());
        QVERIFY(office::Application::attach() == nullptr);
        QVERIFY(presentation.officeStartedHere());
        {
            PresentationExport again(fields);
            again.openPresentation(copyPresentation(files_, "empty.ppt"));
            QVERIFY(again.officeStartedHere() && again.slideCount() == 1);
        }
        QVERIFY(!officeRunning());
    }

    // An office that dies under the program makes the next read fail with a message, closing
    // still works, and the next open starts a new office.
    void officeDeathIsSurvived() {
        LectureRecord fields;
        PresentationExport presentation(fields);
        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        QCOMPARE(presentation.slideCount(), 2);
        const QList<qint64> pids = officeTest::officeProcesses(office::pipeName());
        QVERIFY(!pids.isEmpty()); // the office, and any helper process it forked meanwhile
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!officeRunning(), 30000);

        QVERIFY_THROWS_EXCEPTION(Failure, presentation.getPresentationTitle());
        presentation.closePresentation();
        QCOMPARE(presentation.slideCount(), 0);

        presentation.openPresentation(copyPresentation(files_, "basic_test_ppt_file.ppt"));
        QCOMPARE(presentation.getPresentationTitle(), QString("This is a test title"));
        presentation.closePresentation();
        QVERIFY(!officeRunning());
    }
};

QTEST_GUILESS_MAIN(TestPresentationExport)
#include "test_presentation_export.moc"
