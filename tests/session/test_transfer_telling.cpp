// What the program tells about a transfer from counts and from what the server holds, without a
// server: the estimate behind the progress status line (times given, so nothing depends on the
// machine's speed) and the facts read from an existing lecture's description.
#include "pipeline/TransferEstimate.h"
#include "server/LectureFacts.h"

#include <QTest>

class TestTransferTelling : public QObject {
    Q_OBJECT
private slots:
    // Ten slides at one second each, then 1 MB at 100 KB/s: the time left follows the export's
    // pace, then the upload's rate; the share done only grows and is whole at the end.
    void estimateLearnsExportPaceAndUploadRate() {
        TransferEstimate e(10);
        e.converted(0, 1000);
        TransferStatus s = e.status(1500);
        QCOMPARE(s.text, QString("Slide 1 of 10"));
        QCOMPARE(s.secondsLeft, -1);
        QCOMPARE(s.done, 0.0);

        e.converted(4, 5000); // 1 s a slide: 6 s of export left, the upload guessed at 1 s
        s = e.status(5000);
        QCOMPARE(s.text, QString("Slide 5 of 10 \u00b7 about 7 s left"));
        QVERIFY(qAbs(s.done - 4.0 / 11.0) < 1e-9);
        s = e.status(5500); // half way through the fifth slide
        QCOMPARE(s.secondsLeft, 7);
        const double before = s.done;

        e.converted(10, 11000);
        const qint64 total = 1024 * 1024;
        e.sent(0, 0, total, 12000);
        e.sent(1, 0, total, 12000);
        s = e.status(12000); // nothing measured yet: the guess, less the time since it began
        QCOMPARE(s.text, QString("Slide 1 of 10 \u00b7 0 of 1.0 MB sent \u00b7 about 1 s left"));
        e.sent(3, 209715, total, 14048); // 102.4 bytes a millisecond: 8.2 s left
        s = e.status(14048);
        QCOMPARE(s.text, QString("Slide 3 of 10 \u00b7 0.2 of 1.0 MB sent \u00b7 about 9 s left"));
        QVERIFY(s.done > before && s.done < 1);
        e.sent(10, total, total, 22240);
        s = e.status(30000);
        QCOMPARE(s.text, QString("Slide 10 of 10 \u00b7 1.0 of 1.0 MB sent"));
        QCOMPARE(s.done, 1.0);
    }

    // Sizes below a megabyte in KB; times rounded as they are read.
    void statusTexts() {
        TransferEstimate small(2);
        small.sent(2, 20 * 1024, 40 * 1024, 0);
        QCOMPARE(small.status(0).text, QString("Slide 2 of 2 \u00b7 20 of 40 KB sent"));
        TransferEstimate slow(100);
        slow.converted(0, 0);
        slow.converted(1, 3000); // 99 slides at 3 s, and the upload guessed at 30 s
        QCOMPARE(slow.status(3000).text, QString("Slide 2 of 100 \u00b7 about 5 min left"));
    }

    // A description read from the server: three lines in the program's code page, the last
    // ending in CR LF. Anything else gives "" for what cannot be read.
    void factsFromDescriptions_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("facts");
        QTest::newRow("written by the program")
            << QByteArray("Caf\xe9 talk\nann\nMon Mar 2 09:00:00 EDT 2026\r\n")
            << QStringList{"Caf\u00e9 talk", "ann", "Mon Mar 2 09:00:00 EDT 2026"};
        QTest::newRow("no line end") << QByteArray("T\nann\nd") << QStringList{"T", "ann", "d"};
        QTest::newRow("empty") << QByteArray() << QStringList{"", "", ""};
        QTest::newRow("two lines") << QByteArray("T\nann\n") << QStringList{"", "", ""};
        QTest::newRow("four lines") << QByteArray("T\nann\nd\nmore\n") << QStringList{"", "", ""};
        QTest::newRow("escape in the title")
            << QByteArray("\x1b]0;x\x07\nann\nd\r\n") << QStringList{"", "ann", "d"};
        QTest::newRow("long author")
            << QByteArray("T\n" + QByteArray(201, 'a') + "\nd\r\n") << QStringList{"T", "", "d"};
        QTest::newRow("too large")
            << QByteArray("T\nann\n" + QByteArray(4096, 'd')) << QStringList{"", "", ""};
    }
    void factsFromDescriptions() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, facts);
        const ExistingLecture e = factsFromDescription(bytes);
        QCOMPARE((QStringList{e.title, e.author, e.date}), facts);
    }
};

QTEST_MAIN(TestTransferTelling)
#include "test_transfer_telling.moc"
