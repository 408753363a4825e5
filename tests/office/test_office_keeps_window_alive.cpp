// The office's slow calls (starting, opening, drawing slides) run off the main thread: the main
// thread keeps taking events meanwhile, so the progress window repaints and a Cancel is seen
// while a slide is drawn, not only between slides.

#include "OfficeTestSupport.h"
#include "lecture/LectureRecord.h"
#include "pipeline/PresentationExport.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"

#include <QTest>
#include <QThread>
#include <QTimer>

class TestOfficeKeepsWindowAlive : public QObject {
    Q_OBJECT
    QTemporaryDir files_;

private slots:
    void eventsFlowWhileTheOfficeWorks() {
        LectureRecord fields;
        fields.workDir = files_.path();
        fields.firstSlide = 1;
        fields.lastSlide = 2;
        PresentationExport presentation(fields);

        // Timer events count the main thread's turns of its event loop.
        int turns = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++turns; });
        ticker.start(0);

        // No office runs on this test's pipe: opening starts one, which takes seconds.
        const OpenOutcome opened = presentation.openPresentation(
            officeTest::copyPresentation(files_, "basic_test_ppt_file.ppt"));
        QVERIFY2(presentation.isOpen(), qPrintable(opened.reason));
        QVERIFY(presentation.officeStartedHere());
        QVERIFY2(turns > 0, "the event loop stood still while the office started");

        // A Cancel that arrives while the first slide is being drawn is seen before the second.
        struct CancelDuringFirstSlide : officeTest::RecordingProgress {
            bool cancel = false;
            bool cancelRequested() const override { return cancel; }
        } progress;
        connect(&ticker, &QTimer::timeout, [&] {
            if (progress.lines.contains("Converting slide 1 to GIF"))
                progress.cancel = true;
        });
        QVERIFY_THROWS_EXCEPTION(StoppedByUser, presentation.exportSlides(progress));
        QVERIFY2(!progress.lines.contains("Converting slide 2 to GIF"),
                 qPrintable(progress.lines.join(" | ")));

        presentation.closePresentation();
        QVERIFY(!officeTest::officeRunningOn(office::pipeName()));
    }

    // The office started in the background is the one the first open uses, and it is quit
    // with the presentation; also when the program ends while it is still starting.
    void officeStartedInTheBackgroundIsUsedAndQuit() {
        const QString pipe = office::pipeName();
        {
            LectureRecord fields;
            PresentationExport presentation(fields);
            presentation.startOfficeInBackground();
            QTRY_VERIFY_WITH_TIMEOUT(officeTest::officeRunningOn(pipe), 60000);
            const OpenOutcome opened = presentation.openPresentation(
                officeTest::copyPresentation(files_, "basic_test_ppt_file.ppt"));
            QVERIFY2(presentation.isOpen(), qPrintable(opened.reason));
            QCOMPARE(officeTest::officeProcesses(pipe).size(), 1);
            presentation.closePresentation();
            QVERIFY(!officeTest::officeRunningOn(pipe));
        }
        {
            LectureRecord fields;
            PresentationExport presentation(fields);
            presentation.startOfficeInBackground();
        } // ends at once: the end waits for the start, then quits the office
        QVERIFY(!officeTest::officeRunningOn(pipe));
    }
};

QTEST_MAIN(TestOfficeKeepsWindowAlive)
#include "test_office_keeps_window_alive.moc"
