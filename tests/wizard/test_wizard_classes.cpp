// The Classes list on the Lecture Info page against the real server and office: it offers only
// what the server lists, and a long class name neither widens the wizard nor hides its buttons.
#include "WizardRun.h"

#include <QLabel>
#include <QScreen>

class TestWizardClasses : public QObject {
    Q_OBJECT
    LectureWizard fx_;
    TestFtpServer* server_ = nullptr;

    // On to the lecture page with the deck chosen and the class as the wizard settles it.
    bool toLecturePage(WizardRun& r) {
        fx_.toAccounts(r);
        r.next();
        if (!r.chooseFile("basic_test_ppt_file.ppt"))
            return false;
        r.next();
        return r.page() == 3;
    }

private slots:
    void initTestCase() {
        fx_.classes << "hist200spring27"
                    << "math150winter26";
        QVERIFY(fx_.start({"basic_test_ppt_file.ppt"}));
        server_ = fx_.server.get();
    }
    void init() { QVERIFY(fx_.reset()); }

    // A remembered class the server does not list is never chosen: the note beside the list
    // names it, Next and Finish stay off (the hint says why) until a class is picked from the
    // list, here by typing its first letter, and that class is the one the lecture goes to.
    void rememberedClassTheServerLacks() {
        writeSetting("Class", "cs999");
        WizardRun r;
        QVERIFY(toLecturePage(r));
        auto* classes = r.named<QComboBox>("Classes");
        auto* note = r.named<QLabel>("classNote");
        auto* nextButton = r.named<QPushButton>("buttonNext");
        auto* finishButton = r.named<QPushButton>("Finish");
        QVERIFY(!classes->isEditable());
        QCOMPARE(classes->count(), 3);
        QCOMPARE(classes->currentText(), QString());
        QVERIFY(!note->isHidden());
        QCOMPARE(note->text(), QString("The class cs999 you chose last time is not on this server; "
                                       "choose one from the list."));
        QVERIFY(!nextButton->isEnabled() && !finishButton->isEnabled());
        QCOMPARE(r.named<QLabel>("nextHint")->text(),
                 QString("To go on, choose the class from the list."));
        QCOMPARE(r.w->focusWidget(), classes);

        QTest::keyClicks(classes, "h");
        QCOMPARE(classes->currentText(), QString("hist200spring27"));
        QVERIFY(note->isHidden());
        QVERIFY(nextButton->isEnabled() && finishButton->isEnabled());
        QCOMPARE(r.named<QLabel>("nextHint")->text(), QString());
        // A letter typed in the term list picks a term, and the classes are listed for it.
        QTest::keyClicks(r.named<QComboBox>("Term"), "s");
        QCOMPARE(r.named<QComboBox>("Term")->currentText(), QString("Spring"));
        QCOMPARE(classes->count(), 1);
        QCOMPARE(classes->currentText(), QString("hist200spring27"));
        r.setDate("Mar", "5", "2026");
        r.finish();
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        QVERIFY(r.completed());
        QVERIFY(QDir(server_->lumoraDir() + "/classes/hist200spring27/Mar.5.2026.1")
                    .exists("description"));
    }

    // A class name of 99 characters neither widens the wizard (at 1024 x 768 its buttons stayed
    // on the screen) nor shows past its box: the box shows its beginning, the tooltips the
    // whole name. The window stays on its screen.
    void longClassNameKeepsTheWizardOnTheScreen() {
        const QString longName = "cs" + QString(91, 'x') + "fall26";
        QCOMPARE(longName.size(), 99);
        QVERIFY(server_->makeDir("lumora/classes/" + longName));
        writeSetting("Class", longName);
        WizardRun r;
        QVERIFY(QTest::qWaitForWindowExposed(r.w.get()));
        const int width = r.w->width();
        QVERIFY(toLecturePage(r));
        auto* classes = r.named<QComboBox>("Classes");
        QCOMPARE(classes->currentText(), longName);
        QCOMPARE(classes->toolTip(), longName);
        const int listed = classes->findText(longName);
        QCOMPARE(classes->itemData(listed, Qt::ToolTipRole).toString(), longName);
        QCOMPARE(r.w->width(), width);
        QVERIFY2(r.w->minimumSizeHint().width() <= 1024 && r.w->sizeHint().width() <= 1024,
                 qPrintable(QString::number(r.w->minimumSizeHint().width())));
        QVERIFY(classes->width() < classes->fontMetrics().horizontalAdvance(longName));
        const QRect screen = r.w->screen()->availableGeometry();
        QVERIFY(screen.contains(r.w->frameGeometry()));
    }
};

QTEST_MAIN(TestWizardClasses)
#include "test_wizard_classes.moc"
