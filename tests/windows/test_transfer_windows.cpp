// The windows of a transfer: the progress window, and the lecture-exists dialog (its message,
// its modality, and the choice it answers).
#include "lecture/LectureRecord.h"
#include "platform/ProgramEnd.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmProgress.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Runs one modal showing; `whileShown` runs inside it and must end it. A hang guard ends a
// showing that the action left open, with a result no check expects.
int showAndDo(FrmFTPError& dialog, const std::function<void()>& whileShown) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        whileShown();
    });
    QTimer::singleShot(20000, &dialog, [&] { dialog.done(-99); });
    const int result = dialog.choose();
    return ran ? result : -100;
}
} // namespace

class TestTransferWindows : public QObject {
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

    // While the dialog is up the wizard takes no input, but the help window beside it does.
    void blocksOnlyTheWizard() {
        QPushButton wizard("Next >"), help("Close");
        int wizardClicks = 0, helpClicks = 0;
        connect(&wizard, &QPushButton::clicked, [&] { ++wizardClicks; });
        connect(&help, &QPushButton::clicked, [&] { ++helpClicks; });
        wizard.show();
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        LectureRecord fields;
        FrmFTPError dialog(fields, &wizard);
        // Clicks as the window system delivers them, so that modality applies.
        QCOMPARE(showAndDo(dialog,
                           [&] {
                               for (QPushButton* b : {&wizard, &help})
                                   QTest::mouseClick(b->windowHandle(), Qt::LeftButton, {},
                                                     QPoint(5, 5));
                               dialog.doneButton()->click();
                           }),
                 -1);
        QCOMPARE(wizardClicks, 0);
        QCOMPARE(helpClicks, 1);
    }

    // Nothing is chosen by the dialog itself (the first option only has the focus). The choice
    // made with Done is kept for the next showing; closing without Done discards it (by Escape
    // or the frame), and Done with nothing chosen answers -1. Each showing tells the lecture's
    // fields as they are then.
    void choiceKeptUntilClosedWithoutDone_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < FrmFTPError::optionCount; ++i)
            QTest::addRow("option %d", i) << i;
    }
    void choiceKeptUntilClosedWithoutDone() {
        QFETCH(int, index);
        LectureRecord fields;
        fields.className = "cs101";
        fields.month = "Feb";
        fields.day = "3";
        fields.year = "1999";
        FrmFTPError dialog(fields);
        QList<int> atStart;
        QStringList shown;
        const auto showing = [&](const std::function<void()>& action) {
            return showAndDo(dialog, [&] {
                atStart << dialog.selectedOption();
                shown << dialog.messageLabel()->text();
                action();
            });
        };
        QCOMPARE(showing([&] {
                     QCOMPARE(dialog.focusWidget(), dialog.option(0));
                     QTest::mouseClick(dialog.option(3 - index), Qt::LeftButton);
                     QTest::mouseClick(dialog.option(index), Qt::LeftButton);
                     dialog.doneButton()->click();
                 }),
                 index);
        fields.className = "Math 2 & <Stats>";
        fields.month = "Dec";
        fields.day = "31";
        fields.year = "2026";
        QCOMPARE(showing([&] {
                     QTest::mouseClick(dialog.option(3 - index), Qt::LeftButton);
                     if (index % 2 == 0)
                         QTest::keyClick(&dialog, Qt::Key_Escape);
                     else
                         dialog.close();
                 }),
                 -1);
        QCOMPARE(dialog.selectedOption(), -1);
        QCOMPARE(showing([&] { QTest::keyClick(&dialog, Qt::Key_Return); }), -1);
        QCOMPARE(atStart, (QList<int>{-1, index, -1}));
        const QString later = "A lecture for Math 2 & <Stats> already exists on Dec 31 2026";
        QCOMPARE(shown,
                 (QStringList{"A lecture for cs101 already exists on Feb 3 1999", later, later}));
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TestTransferWindows)
#include "test_transfer_windows.moc"
