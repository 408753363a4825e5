#include "windows/FrmFTPError.h"
#include "wizard/WizardFields.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Runs one modal showing; `whileShown` runs inside it and must end it. A hang guard ends a
// showing that the action left open, with a result the checks below do not expect.
int showAndDo(FrmFTPError& dialog, const std::function<void()>& whileShown, bool* ran) {
    *ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        *ran = true;
        whileShown();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] { dialog.done(-99); });
    guard.start(20000);
    return dialog.choose();
}
} // namespace

class TestLectureExistsDialog : public QObject {
    Q_OBJECT

private slots:
    void messageFollowsFieldsAtEachShowing() {
        PlainWizardFields fields;
        fields.classV = "cs101";
        fields.monthV = "Feb";
        fields.dayV = "3";
        fields.yearV = "1999";
        FrmFTPError dialog(fields);
        QCOMPARE(dialog.windowTitle(), QString("Lecture already exists"));
        bool ran = false;
        QString shown;
        showAndDo(
            dialog,
            [&] {
                shown = dialog.messageLabel()->text();
                dialog.doneButton()->click();
            },
            &ran);
        QVERIFY(ran);
        QCOMPARE(shown, QString("A lecture for cs101 already exists on Feb 3 1999"));

        fields.classV = "Math 2 & <Stats>";
        fields.monthV = "Dec";
        fields.dayV = "31";
        fields.yearV = "2026";
        showAndDo(
            dialog,
            [&] {
                shown = dialog.messageLabel()->text();
                dialog.doneButton()->click();
            },
            &ran);
        QVERIFY(ran);
        QCOMPARE(shown, QString("A lecture for Math 2 & <Stats> already exists on Dec 31 2026"));
    }

    void choiceKeptBetweenShowings_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("change date") << 0;
        QTest::newRow("new session") << 1;
        QTest::newRow("append") << 2;
        QTest::newRow("abort") << 3;
    }
    void choiceKeptBetweenShowings() {
        QFETCH(int, index);
        PlainWizardFields fields;
        FrmFTPError dialog(fields);
        bool ran = false;
        int r = showAndDo(
            dialog,
            [&] {
                // Nothing is chosen by the dialog itself, although the first option has the focus.
                QCOMPARE(dialog.focusWidget(), dialog.option(0));
                QCOMPARE(dialog.selectedOption(), -1);
                QTest::mouseClick(dialog.option(index), Qt::LeftButton);
                dialog.doneButton()->click();
            },
            &ran);
        QVERIFY(ran);
        QCOMPARE(r, index);

        int stillSelected = -2;
        r = showAndDo(
            dialog,
            [&] {
                stillSelected = dialog.selectedOption();
                dialog.doneButton()->click();
            },
            &ran);
        QCOMPARE(stillSelected, index);
        QCOMPARE(r, index);
        for (int i = 0; i < FrmFTPError::optionCount; ++i)
            QCOMPARE(dialog.isOptionSelected(i), i == index);
    }

    void atMostOneOptionSelected() {
        PlainWizardFields fields;
        FrmFTPError dialog(fields);
        bool ran = false;
        const int r = showAndDo(
            dialog,
            [&] {
                QTest::mouseClick(dialog.option(3), Qt::LeftButton);
                QTest::mouseClick(dialog.option(1), Qt::LeftButton);
                QTest::keyClick(dialog.doneButton(), Qt::Key_Space);
            },
            &ran);
        QCOMPARE(r, 1);
        QVERIFY(!dialog.isOptionSelected(3));
        QVERIFY(!dialog.isOptionSelected(-1));
        QVERIFY(!dialog.isOptionSelected(4));
    }

    void doneWithNothingSelected() {
        PlainWizardFields fields;
        FrmFTPError dialog(fields);
        bool ran = false;
        const int r = showAndDo(
            dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); }, &ran);
        QVERIFY(ran);
        QCOMPARE(r, -1);
        QVERIFY(!dialog.isVisible());
        for (int i = 0; i < FrmFTPError::optionCount; ++i)
            QVERIFY(!dialog.isOptionSelected(i));
    }

    // Closing without Done discards the choice, also one kept from an earlier showing.
    void closingWithoutDoneResets_data() {
        QTest::addColumn<bool>("withEscape");
        QTest::newRow("frame close") << false;
        QTest::newRow("escape") << true;
    }
    void closingWithoutDoneResets() {
        QFETCH(bool, withEscape);
        PlainWizardFields fields;
        FrmFTPError dialog(fields);
        bool ran = false;
        QCOMPARE(showAndDo(
                     dialog,
                     [&] {
                         QTest::mouseClick(dialog.option(2), Qt::LeftButton);
                         dialog.doneButton()->click();
                     },
                     &ran),
                 2);

        const int r = showAndDo(
            dialog,
            [&] {
                QTest::mouseClick(dialog.option(1), Qt::LeftButton);
                if (withEscape)
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                else
                    dialog.close();
            },
            &ran);
        QVERIFY(ran);
        QCOMPARE(r, -1);
        QCOMPARE(dialog.selectedOption(), -1);

        int atNextShowing = -2;
        QCOMPARE(showAndDo(
                     dialog,
                     [&] {
                         atNextShowing = dialog.selectedOption();
                         dialog.doneButton()->click();
                     },
                     &ran),
                 -1);
        QCOMPARE(atNextShowing, -1);
    }
};

QTEST_MAIN(TestLectureExistsDialog)
#include "test_lecture_exists_dialog.moc"
