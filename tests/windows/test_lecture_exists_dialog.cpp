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
    QTimer::singleShot(20000, &dialog, [&] { dialog.done(-99); });
    const int result = dialog.choose();
    return ran ? result : -100;
}
} // namespace

// The lecture-exists dialog: its message, its modality, and the choice it answers.
class TestLectureExistsDialog : public QObject {
    Q_OBJECT

private slots:
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

QTEST_MAIN(TestLectureExistsDialog)
#include "test_lecture_exists_dialog.moc"
