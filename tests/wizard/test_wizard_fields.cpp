// The wizard's fields and buttons as a user drives them, without a server or an office.
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "windows/Messages.h"
#include "wizard/AdvancedPage.h"
#include "wizard/FileList.h"
#include "wizard/FrmMain.h"
#include "wizard/LectureInfoPage.h"
#include "wizard/LumoraInfoPage.h"
#include "wizard/PowerPointFilePage.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestWizardFields : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> settingsDir_;
    std::unique_ptr<FrmMain> w_;
    int ends_ = 0;
    QStringList questions_;
    bool answerYes_ = false;

    static QColor colourOf(QWidget* box) { return box->palette().color(QPalette::Window); }
    void next() { QTest::mouseClick(w_->buttonNext(), Qt::LeftButton); }

private slots:
    void init() {
        settingsDir_ = std::make_unique<QTemporaryDir>();
        settingsStore::useDirectory(settingsDir_->path());
        programEnd::setHandler([this] { ++ends_; });
        messages::setSink([](const QString& text, const QString&) { QFAIL(qPrintable(text)); });
        messages::setQuestionSink([this](const QString& text, const QString&) {
            questions_ << text;
            return answerYes_;
        });
        ends_ = 0;
        questions_.clear();
        w_ = std::make_unique<FrmMain>();
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    }
    void cleanup() {
        w_.reset();
        programEnd::setHandler({});
        messages::setSink({});
        messages::setQuestionSink({});
    }

    // The start page, with today's date chosen (the year lists run through next year); Next
    // moves the highlight of the steps on and loads the server and user remembered, the
    // default host on a first run; Back returns and Enter presses Next.
    void startPageAndTheRememberedServer() {
        QCOMPARE(w_->currentPage(), 0);
        QVERIFY(w_->frame(0)->isVisible() && !w_->frame(1)->isVisible());
        QVERIFY(w_->buttonNext()->isEnabled());
        QVERIFY(!w_->buttonBack()->isEnabled() && !w_->Finish()->isEnabled());
        const QDate today = QDate::currentDate();
        QCOMPARE(w_->lectureInfo().comboMonth()->currentIndex(), today.month() - 1);
        QCOMPARE(w_->lectureInfo().comboDay()->currentText(), QString::number(today.day()));
        QCOMPARE(w_->lectureInfo().comboYear()->currentText(), QString::number(today.year()));
        QCOMPARE(
            w_->lectureInfo().comboYear()->itemText(w_->lectureInfo().comboYear()->count() - 1),
            QString::number(today.year() + 1));
        QCOMPARE(w_->lectureInfo().cbYear()->currentText(), QString::number(today.year()));

        const QColor current = colourOf(w_->box(0)), later = colourOf(w_->box(1));
        QVERIFY(current != later && w_->boxText(0)->font().bold());
        w_->lumoraInfo().FTPMachine()->setText("typed.example");
        next();
        QCOMPARE(w_->currentPage(), 1);
        QVERIFY(colourOf(w_->box(1)) == current && colourOf(w_->box(0)) != current);
        QCOMPARE(w_->lumoraInfo().FTPMachine()->text(), QString("localhost"));
        QCOMPARE(w_->lumoraInfo().ID()->text(), QString());
        QVERIFY(!w_->buttonNext()->isEnabled() && w_->buttonBack()->isEnabled());

        settingsStore::write("Slide-Ferry", "Settings", "System", "lumora.example:2121");
        settingsStore::write("Slide-Ferry", "Settings", "UserID", "jdoe");
        QTest::mouseClick(w_->buttonBack(), Qt::LeftButton);
        QVERIFY(w_->currentPage() == 0 && !w_->buttonBack()->isEnabled());
        QTest::keyClick(w_.get(), Qt::Key_Return);
        QCOMPARE(w_->currentPage(), 1);
        QCOMPARE(w_->lumoraInfo().FTPMachine()->text() + " " + w_->lumoraInfo().ID()->text(),
                 "lumora.example:2121 jdoe");
    }

    // Next needs all four account fields (the server field takes no part); only typing in the
    // server field asks for a new connection test, a key that changes nothing too.
    void accountFields() {
        next();
        QVERIFY(!w_->buttonNext()->isEnabled());
        QTest::keyClicks(w_->lumoraInfo().ID(), "jdoe");
        QTest::keyClicks(w_->lumoraInfo().Password(), "pw");
        QTest::keyClicks(w_->lumoraInfo().CVID(), "corvane");
        QVERIFY(!w_->buttonNext()->isEnabled());
        QCOMPARE(w_->nextHint()->text(), QString("To go on, enter the Corvane password."));
        QTest::keyClicks(w_->lumoraInfo().CVPassword(), "secret");
        QCOMPARE(w_->nextHint()->text(), QString());
        QVERIFY(w_->lumoraInfo().accountComplete() && w_->buttonNext()->isEnabled());
        w_->lumoraInfo().FTPMachine()->clear();
        QVERIFY(w_->buttonNext()->isEnabled());
        w_->lumoraInfo().Password()->clear();
        QVERIFY(!w_->buttonNext()->isEnabled());
        QCOMPARE(w_->lumoraInfo().CVPassword()->displayText(), QString("******"));

        w_->lumoraInfo().setServerChanged(false);
        QTest::keyClicks(w_->lumoraInfo().ID(), "x");
        QVERIFY(!w_->lumoraInfo().serverChanged());
        QTest::keyClick(w_->lumoraInfo().FTPMachine(), Qt::Key_C,
                        Qt::ControlModifier); // copy: text unchanged
        QVERIFY(w_->lumoraInfo().serverChanged());
    }

    // A screen reader can name every field, list and button it meets, on every page.
    void everyFieldHasAnAccessibleName() {
        QStringList unnamed;
        for (QWidget* widget : w_->findChildren<QWidget*>()) {
            // A list's drop-down is a window of its own, named by its list.
            if (widget->focusPolicy() == Qt::NoFocus || widget->window() != w_.get())
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << widget->objectName() + ":" + widget->metaObject()->className();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }

    // The digit fields take digits only (from the keyboard); the lists that offer a choice only
    // discard typed characters.
    void fieldsDiscardWhatTheyDoNotTake() {
        w_->lectureInfo().Session()->clear();
        QTest::keyClicks(w_->lectureInfo().Session(), "1a2 -3");
        QCOMPARE(w_->lectureInfo().Session()->text(), QString("123"));
        w_->lectureInfo().Session()->setText("x9"); // text placed by the program is not filtered
        QCOMPARE(w_->lectureInfo().Session()->text(), QString("x9"));

        const int month = w_->lectureInfo().comboMonth()->currentIndex();
        QTest::keyClicks(w_->lectureInfo().comboMonth(), "aj");
        QCOMPARE(w_->lectureInfo().comboMonth()->currentIndex(), month);
        w_->lectureInfo().comboMonth()->setCurrentIndex(0);
        QTest::keyClick(w_->lectureInfo().comboMonth(), Qt::Key_Down);
        QCOMPARE(w_->lectureInfo().comboMonth()->currentText(), QString("Feb"));
        w_->lectureInfo().Classes()->addItem("cs101fall26");
        QTest::keyClicks(w_->lectureInfo().Classes(), "zz");
        QCOMPARE(w_->lectureInfo().Classes()->currentText(), QString("cs101fall26"));
        QTest::keyClicks(w_->advanced().Resolution(), "c");
        QCOMPARE(w_->advanced().Resolution()->currentText(), QString("XGA"));
    }

    // Each digit field edits as any field does: Backspace and Delete, select-all then typing,
    // cut and paste. A paste with anything but digits, or past the field's limit, is refused
    // whole (so "1" typed over a selected "2" gives "1", never "21").
    void digitFieldsEditAsAnyField_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"Session", "imageWidth", "imageHeight"})
            QTest::newRow(name) << QString(name);
    }
    void digitFieldsEditAsAnyField() {
        QFETCH(QString, name);
        w_->advanced().Resolution()->setCurrentIndex(0); // shows the custom size
        auto* field = w_->findChild<QLineEdit*>(name);
        QVERIFY(field);
        field->setText("2");
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, "1");
        QCOMPARE(field->text(), QString("1"));
        QTest::keyClicks(field, "23");
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QString("12"));
        field->setCursorPosition(0);
        QTest::keyClick(field, Qt::Key_Delete);
        QCOMPARE(field->text(), QString("2"));

        QClipboard* clipboard = QGuiApplication::clipboard();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(field->text() + "|" + clipboard->text(), QString("|2"));
        clipboard->setText("305");
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), QString("305"));
        for (const char* refused : {"4a", " 7", "8\n", "-2", "1e3", "\u0663", "12345x"}) {
            clipboard->setText(QString::fromUtf8(refused));
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            QVERIFY2(field->text() == QString("305"), refused);
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier); // over a selection too
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            QVERIFY2(field->text() == QString("305"), refused);
        }

        // The sizes stop at 32767 (five digits), the session number does not.
        const bool size = name != "Session";
        clipboard->setText("32767");
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), QString("32767"));
        for (const char* more : {"32768", "012345"}) {
            clipboard->setText(more);
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(field->text(), size ? QString("32767") : QString(more));
        }
    }

    // On a first run (nothing remembered) the Advanced page offers XGA, and a named size is
    // complete whatever the custom boxes hold: Next is on and no hint asks for a custom size.
    // Only the custom size left unfinished holds Next back, and Next follows the list.
    void advancedNextOnAFirstRun() {
        AdvancedPage& page = w_->advanced();
        page.loadSettings();
        QCOMPARE(page.Resolution()->currentText(), QString("XGA"));
        QVERIFY(page.imageWidth()->text().isEmpty() && page.complete());
        QCOMPARE(QSize(page.getWidth(), page.getHeight()), QSize(1000, 700));

        QSignalSpy changed(&page, &WizardPage::completeChanged);
        page.Resolution()->setCurrentIndex(0);
        QVERIFY(!page.complete() && changed.size() >= 1);
        QVERIFY(page.missing().contains("custom width and height"));
        QTest::keyClicks(page.imageWidth(), "800");
        QTest::keyClicks(page.imageHeight(), "600");
        QVERIFY(page.complete());
        page.imageHeight()->clear();
        const qsizetype before = changed.size();
        page.Resolution()->setCurrentIndex(1);
        QVERIFY(page.complete() && changed.size() > before);
    }

    // The Advanced page's rules: the custom size, and the slide range.
    void advancedPageRules() {
        w_->advanced().Resolution()->setCurrentIndex(0);
        QVERIFY(!w_->advanced().imageWidth()->isHidden() &&
                !w_->advanced().imageHeightText()->isHidden());
        QTest::keyClicks(w_->advanced().imageWidth(), "640");
        QVERIFY(!w_->advanced().sizeValid());
        QTest::keyClicks(w_->advanced().imageHeight(), "48x0");
        QVERIFY(w_->advanced().sizeValid());
        QCOMPARE(QSize(w_->advanced().getWidth(), w_->advanced().getHeight()), QSize(640, 480));
        // 32767 is the largest size a box takes.
        w_->advanced().imageWidth()->setText("3276");
        w_->advanced().imageWidth()->setCursorPosition(4);
        QTest::keyClicks(w_->advanced().imageWidth(), "8");
        QCOMPARE(w_->advanced().imageWidth()->text(), QString("3276"));
        QTest::keyClicks(w_->advanced().imageWidth(), "7");
        QCOMPARE(w_->advanced().getWidth(), 32767);

        // A fixed size hides the boxes and leaves Next alone.
        w_->advanced().Resolution()->setCurrentIndex(2);
        QVERIFY(w_->advanced().imageWidth()->isHidden() &&
                w_->advanced().imageWidthText()->isHidden());
        QVERIFY(w_->advanced().getWidth() != 32767);
        w_->advanced().imageWidth()->setText("0"); // a custom size left unfinished is no matter
        QVERIFY(w_->advanced().sizeValid());
        w_->advanced().Resolution()->setCurrentIndex(0);
        QVERIFY(!w_->advanced().sizeValid());

        // The slide range stays in order. (Next and Finish follow the title: the wizard-road
        // test.)
        for (int i = 1; i <= 12; ++i) {
            w_->advanced().firstSlide()->addItem(" " + QString::number(i));
            w_->advanced().lastSlide()->addItem(" " + QString::number(i));
        }
        w_->advanced().firstSlide()->setCurrentIndex(0);
        w_->advanced().lastSlide()->setCurrentIndex(2);
        w_->advanced().firstSlide()->setCurrentIndex(4);
        QCOMPARE(w_->advanced().lastSlide()->currentText(), QString(" 5"));
        w_->advanced().lastSlide()->setCurrentIndex(1);
        QCOMPARE(w_->advanced().firstSlide()->currentText() +
                     w_->advanced().lastSlide()->currentText(),
                 " 2 2");
    }

    // (Presentations by their extensions in any case, and other files, are listed by the
    // wizard-road test.)
    void presentationPattern() {
        for (const auto& [name, listed] :
             {std::pair("ppt", false), {"talk.ppt.bak", false}, {"my talk 1.ppt", true}})
            QVERIFY2(FileList::matchesPattern(name) == listed, name);
    }

    // Leaving the wizard with nothing entered quits at once, saving nothing and leaving the
    // working directory's files alone (the program's own are only ever in a folder of its own);
    // with something typed it asks first, and No keeps the wizard and what was typed.
    void quitAsksOnlyWhenSomethingWasEntered() {
        QTemporaryDir work;
        w_->advanced().ExportPath()->setText(work.path());
        for (const char* f :
             {"description", "extract.stml", "Slide1.GIF", "blank.GIF", "keep.txt"}) {
            QFile file(work.filePath(f));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QTest::keyClick(w_.get(), Qt::Key_Escape); // Escape presses Cancel
        QCOMPARE(ends_, 1);
        // Files in the working directory that are not the program's stay, whatever their names.
        QCOMPARE(
            QDir(work.path()).entryList(QDir::Files, QDir::Name),
            (QStringList{"Slide1.GIF", "blank.GIF", "description", "extract.stml", "keep.txt"}));
        QVERIFY(!QFile::exists(settingsDir_->filePath("Slide-Ferry.ini")));

        next();
        w_->lumoraInfo().FTPMachine()->clear();
        QTest::keyClick(w_.get(), Qt::Key_Escape);
        QCOMPARE(ends_, 2);
        QVERIFY(questions_.isEmpty());

        QTest::keyClicks(w_->lumoraInfo().FTPMachine(), "lumora.example.edu");
        QTest::keyClick(w_.get(), Qt::Key_Escape);
        QCOMPARE(questions_, QStringList{"Quit Slide-Ferry? What you entered is lost."});
        QCOMPARE(ends_, 2);
        QCOMPARE(w_->lumoraInfo().FTPMachine()->text(), QString("lumora.example.edu"));
        answerYes_ = true;
        QTest::mouseClick(w_->Cancel(), Qt::LeftButton);
        QCOMPARE(questions_.size(), 2);
        QCOMPARE(ends_, 3);
    }
};

QTEST_MAIN(TestWizardFields)
#include "test_wizard_fields.moc"
