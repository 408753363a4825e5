#include "lecture/LectureRecord.h"
#include "windows/FrmFTPError.h"

#include <QLabel>
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
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] { dialog.done(-99); });
    guard.start(20000);
    const int result = dialog.choose();
    return ran ? result : -100;
}
} // namespace

class TestLectureExistsDialog : public QObject {
    Q_OBJECT

private slots:
    void messageFollowsFieldsAtEachShowing() {
        LectureRecord fields;
        FrmFTPError dialog(fields);
        QString shown;
        const auto readAndClose = [&] {
            shown = dialog.messageLabel()->text();
            dialog.doneButton()->click();
        };
        for (const QStringList& v : {QStringList{"cs101", "Feb", "3", "1999"},
                                     QStringList{"Math 2 & <Stats>", "Dec", "31", "2026"}}) {
            fields.className = v[0];
            fields.month = v[1];
            fields.day = v[2];
            fields.year = v[3];
            showAndDo(dialog, readAndClose);
            QCOMPARE(shown, "A lecture for " + v[0] + " already exists on " + v[1] + " " + v[2] +
                                " " + v[3]);
        }
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
        QCOMPARE(showAndDo(
                     dialog,
                     [&] {
                         // Clicks as the window system delivers them, so that
                         // modality applies.
                         QTest::mouseClick(wizard.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
                         QTest::mouseClick(help.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
                         dialog.doneButton()->click();
                     }),
                 -1);
        QCOMPARE(wizardClicks, 0);
        QCOMPARE(helpClicks, 1);
    }

    // The choice made with Done is kept for the next showing; closing without Done discards it
    // (by Escape or the frame), and Done with nothing chosen answers -1.
    void choiceKeptUntilClosedWithoutDone_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("withEscape");
        for (int i = 0; i < FrmFTPError::optionCount; ++i)
            QTest::addRow("option %d", i) << i << (i % 2 == 0);
    }
    void choiceKeptUntilClosedWithoutDone() {
        QFETCH(int, index);
        QFETCH(bool, withEscape);
        LectureRecord fields;
        FrmFTPError dialog(fields);
        int atStart = -2;
        QCOMPARE(showAndDo(dialog,
                           [&] {
                               // The first option has the focus, yet nothing is chosen by the
                               // dialog itself.
                               QCOMPARE(dialog.focusWidget(), dialog.option(0));
                               atStart = dialog.selectedOption();
                               QTest::mouseClick(dialog.option(3 - index), Qt::LeftButton);
                               QTest::mouseClick(dialog.option(index), Qt::LeftButton);
                               dialog.doneButton()->click();
                           }),
                 index);
        QCOMPARE(atStart, -1);

        int atSecond = -2;
        QCOMPARE(showAndDo(dialog,
                           [&] {
                               atSecond = dialog.selectedOption();
                               QTest::mouseClick(dialog.option(3 - index), Qt::LeftButton);
                               if (withEscape)
                                   QTest::keyClick(&dialog, Qt::Key_Escape);
                               else
                                   dialog.close();
                           }),
                 -1);
        QCOMPARE(atSecond, index);
        QCOMPARE(dialog.selectedOption(), -1);

        int atThird = -2;
        QCOMPARE(showAndDo(dialog,
                           [&] {
                               atThird = dialog.selectedOption();
                               QTest::keyClick(&dialog, Qt::Key_Return);
                           }),
                 -1);
        QCOMPARE(atThird, -1);
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TestLectureExistsDialog)
#include "test_lecture_exists_dialog.moc"
