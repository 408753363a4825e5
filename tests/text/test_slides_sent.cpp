// Which slides of a range are sent when the presentation hides some, the line that names them,
// and the text file that follows the slides sent.
#include <QTemporaryDir>
#include <QTest>

#include "lecture/LectureRecord.h"
#include "pipeline/HiddenSlides.h"
#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "support/FakeReader.h"
#include "support/TestEnv.h"

class TestSlidesSent : public QObject {
    Q_OBJECT

private slots:
    // One, two and three slides are named as a reader would write them; none gives no line.
    void hiddenSlidesNamed() {
        QCOMPARE(hiddenSlidesLine({13}, false),
                 QString("Slide 13 is hidden in the presentation; it is sent too"));
        QCOMPARE(hiddenSlidesLine({13, 48}, false),
                 QString("Slides 13 and 48 are hidden in the presentation; they are sent too"));
        QCOMPARE(hiddenSlidesLine({2, 5, 9}, true),
                 QString("Slides 2, 5 and 9 are hidden in the presentation; they are left out"));
        QVERIFY(hiddenSlidesLine({}, false).isEmpty());
    }

    // Only the range's hidden slides count; they are left out only on request, and a range
    // that would send nothing is input to correct.
    void slidesSentFollowTheChoice() {
        LectureRecord r;
        r.firstSlide = 2;
        r.lastSlide = 6;
        const QList<int> hidden{1, 3, 6, 9};
        QCOMPARE(settleSlidesSent(r, hidden), (QList<int>{3, 6}));
        QCOMPARE(r.slidesSent(), (QList<int>{2, 3, 4, 5, 6}));
        r.skipHiddenSlides = true;
        QCOMPARE(settleSlidesSent(r, hidden), (QList<int>{3, 6}));
        QCOMPARE(r.slidesSent(), (QList<int>{2, 4, 5}));

        r.firstSlide = r.lastSlide = 3;
        try {
            settleSlidesSent(r, hidden);
            QFAIL("a range of hidden slides only was accepted");
        } catch (const Failure& f) {
            QCOMPARE(f.kind(), Failure::Kind::Input);
            QCOMPARE(f.description(), QString("Slide 3 is hidden in the presentation, and hidden "
                                              "slides are left out: there is nothing to send"));
        }
        r.skipHiddenSlides = false; // sent after all
        settleSlidesSent(r, hidden);
        QCOMPARE(r.slidesSent(), QList<int>{3});
    }

    // The text files hold one entry per slide sent, in order, with no gap for those left out.
    void textFilesFollowTheSlidesSent() {
        QTemporaryDir dir;
        FakeReader reader;
        for (int i = 1; i <= 4; ++i)
            reader.slides[i] = titled(QString("T%1").arg(i), "b", QString("n%1").arg(i));
        LectureRecord r;
        r.workDir = dir.path();
        r.lastSlide = 4;
        r.leftOut = {2, 4};
        writeSlideText(reader, r, false, {});
        writeNotesText(reader, r, false, {});
        QCOMPARE(testEnv::readFile(dir.filePath("extract.stml")),
                 QByteArray("<stml>\r\n<slide>\r\n<title>T1</title>\r\n<sentence>b</sentence>\r\n"
                            "</slide>\r\n<slide>\r\n<title>T3</title>\r\n<sentence>b</sentence>\r\n"
                            "</slide>\r\n</stml>\r\n"));
        QCOMPARE(testEnv::readFile(dir.filePath("extract.ntml")),
                 QByteArray("<ntml>\r\n<slide>\r\n<sentence>n1</sentence>\r\n</slide>\r\n"
                            "<slide>\r\n<sentence>n3</sentence>\r\n</slide>\r\n</ntml>\r\n"));
    }
};

QTEST_MAIN(TestSlidesSent)
#include "test_slides_sent.moc"
