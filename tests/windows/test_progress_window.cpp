#include "platform/ProgramEnd.h"
#include "windows/FrmProgress.h"

#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {
// True when the row's whole rectangle lies inside the list's visible area.
bool rowFullyVisible(const QListWidget& list, int row) {
    const QRect rect = list.visualItemRect(list.item(row));
    return rect.isValid() && list.viewport()->rect().contains(rect);
}
} // namespace

class TestProgressWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        programEnd::setHandler([] {});
    }
    void cleanup() { programEnd::setHandler({}); }

    void newestLineSelectedAndVisible_data() {
        QTest::addColumn<int>("lines");
        QTest::newRow("one") << 1;
        QTest::newRow("just overflowing") << 30;
        QTest::newRow("hundreds") << 600;
    }
    void newestLineSelectedAndVisible() {
        QFETCH(int, lines);
        FrmProgress w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QListWidget& list = *w.progressList();
        for (int i = 0; i < lines; ++i) {
            w.Add(i % 7 == 0 ? QString() : QStringLiteral("Converting slide %1 to GIF").arg(i));
            QCoreApplication::processEvents();
            QCOMPARE(list.count(), i + 1);
            QCOMPARE(list.currentRow(), i);
            const auto selected = list.selectedItems();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected.first(), list.item(i));
            QVERIFY2(rowFullyVisible(list, i), qPrintable(QString("line %1 not visible").arg(i)));
        }
        // Lines stay in order, none lost.
        QCOMPARE(list.item(lines - 1)->text(),
                 (lines - 1) % 7 == 0
                     ? QString()
                     : QStringLiteral("Converting slide %1 to GIF").arg(lines - 1));
    }

    // The transfer starts with an empty line, so the first row may be empty too.
    void emptyLinesTakeALine_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("emptyRow");
        QTest::newRow("empty first") << QStringList{"", "Converting slides to images...", "x"} << 0;
        QTest::newRow("empty between")
            << QStringList{"Creating blank slide", "", "FTPing slides..."} << 1;
    }
    void emptyLinesTakeALine() {
        QFETCH(QStringList, lines);
        QFETCH(int, emptyRow);
        FrmProgress w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (const QString& line : lines)
            w.Add(line);
        QCoreApplication::processEvents();
        QListWidget& list = *w.progressList();
        QCOMPARE(list.count(), lines.size());
        QCOMPARE(list.item(emptyRow)->text(), QString());
        const int textRow = emptyRow == 0 ? 1 : 0;
        const QRect empty = list.visualItemRect(list.item(emptyRow));
        const QRect text = list.visualItemRect(list.item(textRow));
        QVERIFY(text.height() >= list.fontMetrics().height());
        QCOMPARE(empty.height(), text.height());
        // Rows do not overlap: the three rows stack.
        QVERIFY(list.visualItemRect(list.item(2)).top() >=
                list.visualItemRect(list.item(1)).bottom());
    }

    void doneOnlyAfterShowDone_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("mouse click") << "click";
        QTest::newRow("enter in list") << "enter-list";
        QTest::newRow("return on button") << "return-button";
        QTest::newRow("space on button") << "space-button";
    }
    void doneOnlyAfterShowDone() {
        QFETCH(QString, how);
        FrmProgress w;
        int calls = 0;
        w.onDone = [&] {
            ++calls;
            programEnd::endProgram();
        };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QString(" Slide-Ferry"));
        QCOMPARE(w.doneButton()->text(), QString("Done"));
        w.Add("FTPing STML file");
        QVERIFY(!w.doneButton()->isVisible());
        // Enter before the end does nothing.
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

    // A second press arriving while the first is still being handled does not run it again.
    void doneRunsOnceWhenPressedDuringItsWork() {
        FrmProgress w;
        int calls = 0;
        w.onDone = [&] {
            ++calls;
            QTest::mouseClick(w.doneButton(), Qt::LeftButton);
        };
        w.show();
        w.showDone();
        QTest::mouseClick(w.doneButton(), Qt::LeftButton);
        QCOMPARE(calls, 1);
    }

    void frameCloseIgnoredWhileTransferRuns() {
        FrmProgress w;
        int closes = 0;
        w.onClose = [&] { ++closes; };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setTransferRunning(true);
        w.Add("FTPing slide 1");
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(closes, 0);

        w.showDone();
        QVERIFY(!w.transferRunning());
        QVERIFY(w.close());
        QCOMPARE(closes, 1);
    }

    // A transfer that stopped without reaching Done must not leave a window that cannot go.
    void frameCloseAfterStoppedTransferEndsProgram() {
        FrmProgress w;
        w.show();
        w.setTransferRunning(true);
        w.Add("Converting slide 1 to GIF");
        w.setTransferRunning(false);
        w.close();
        QVERIFY(programEnd::hasEnded());
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
