#include "platform/ProgramEnd.h"
#include "windows/FrmProgress.h"

#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

class TestProgressWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        programEnd::setHandler([] {});
    }
    void cleanup() { programEnd::setHandler({}); }

    // Each line, the empty ones too, becomes the selected, fully visible newest row.
    void newestLineSelectedAndVisible() {
        const int lines = 600;
        FrmProgress w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QListWidget& list = *w.progressList();
        for (int i = 0; i < lines; ++i) {
            const QString text = i % 7 == 0 ? QString() : QStringLiteral("FTPing slide %1").arg(i);
            w.Add(text);
            QCoreApplication::processEvents();
            QCOMPARE(list.count(), i + 1);
            QCOMPARE(list.item(i)->text(), text);
            QCOMPARE(list.selectedItems(), QList<QListWidgetItem*>{list.item(i)});
            const QRect row = list.visualItemRect(list.item(i));
            QVERIFY2(list.viewport()->rect().contains(row), qPrintable(QString::number(i)));
            // An empty line takes as much room as a line of text (the first line is empty).
            QVERIFY(row.height() >= list.fontMetrics().height());
        }
    }

    // Done answers only once it shows, to a click or a key, and only once.
    void doneOnlyAfterShowDone_data() {
        QTest::addColumn<int>("unused");
        for (const char* how : {"click", "enter-list", "return-button", "space-button"})
            QTest::newRow(how) << 0;
    }
    void doneOnlyAfterShowDone() {
        const QByteArray how = QTest::currentDataTag();
        FrmProgress w;
        int calls = 0;
        // A second press arriving while the first is still being handled does not run it again.
        w.onDone = [&] {
            ++calls;
            QTest::mouseClick(w.doneButton(), Qt::LeftButton);
            programEnd::endProgram();
        };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Add("FTPing STML file");
        QVERIFY(!w.doneButton()->isVisible());
        QTest::keyClick(w.progressList(), Qt::Key_Return);
        QTest::keyClick(&w, Qt::Key_Enter);
        QCOMPARE(calls, 0);

        w.Add("Slide-Ferry complete");
        w.showDone();
        QVERIFY(w.doneButton()->isVisible());
        if (how == "click")
            QTest::mouseClick(w.doneButton(), Qt::LeftButton);
        else if (how == "enter-list")
            QTest::keyClick(w.progressList(), Qt::Key_Enter);
        else if (how == "return-button")
            QTest::keyClick(w.doneButton(), Qt::Key_Return);
        else
            QTest::keyClick(w.doneButton(), Qt::Key_Space);
        QCOMPARE(calls, 1);
        QVERIFY(programEnd::hasEnded());
    }

    // The frame close is refused while files are being sent, but never leaves a window that
    // cannot go: after the end, or after a transfer that stopped early, it ends the program.
    void frameClose() {
        FrmProgress w;
        w.show();
        w.setTransferRunning(true);
        w.Add("FTPing slide 1");
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(!programEnd::hasEnded());

        w.setTransferRunning(false); // stopped without Done
        QVERIFY(w.close());
        QVERIFY(programEnd::hasEnded());

        FrmProgress finished;
        int closes = 0;
        finished.onClose = [&] { ++closes; };
        finished.show();
        finished.setTransferRunning(true);
        finished.showDone();
        QVERIFY(finished.close());
        QCOMPARE(closes, 1);
    }

    void barFollowsExpectedSteps() {
        FrmProgress w;
        QVERIFY(w.progressBar()->isHidden());
        w.setExpectedSteps(3);
        QVERIFY(!w.progressBar()->isHidden());
        w.Add("");
        w.Add("a");
        QCOMPARE(w.progressBar()->value(), 2);
        w.Add("b");
        w.Add("more lines than expected");
        QCOMPARE(w.progressBar()->value(), 3);
        QCOMPARE(w.progressList()->count(), 4);
        w.setExpectedSteps(10);
        w.Add("c");
        w.showDone();
        QCOMPARE(w.progressBar()->value(), w.progressBar()->maximum());
    }
};

QTEST_MAIN(TestProgressWindow)
#include "test_progress_window.moc"
