// The wizard's fields and buttons as a user drives them, without a server or an office.
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "windows/Messages.h"
#include "wizard/FileList.h"
#include "wizard/FrmMain.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    void fillRange(int n) {
        for (int i = 1; i <= n; ++i) {
            w_->firstSlide->addItem(" " + QString::number(i));
            w_->lastSlide->addItem(" " + QString::number(i));
        }
    }

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

    void windowStartsOnTheStartPageWithToday() {
        QCOMPARE(w_->currentPage, 0);
        QVERIFY(w_->frame[0]->isVisible() && !w_->frame[1]->isVisible());
        QVERIFY(w_->buttonNext->isEnabled());
        QVERIFY(!w_->buttonBack->isEnabled() && !w_->Finish->isEnabled());
        QCOMPARE(colourOf(w_->box[0]), QColor(0x00, 0xFF, 0x00));
        QVERIFY(w_->boxText[0]->font().bold());
        QCOMPARE(colourOf(w_->box[2]), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(colourOf(w_->box[5]), QColor(0xFF, 0x00, 0x00));

        // Today can be chosen: the year lists run from 1996 through next year.
        const QDate today = QDate::currentDate();
        QCOMPARE(w_->comboMonth->currentIndex(), today.month() - 1);
        QCOMPARE(w_->comboDay->currentText(), QString::number(today.day()));
        QCOMPARE(w_->comboYear->currentText(), QString::number(today.year()));
        QCOMPARE(w_->comboYear->itemText(w_->comboYear->count() - 1),
                 QString::number(today.year() + 1));
        QCOMPARE(w_->cbYear->currentText(), QString::number(today.year()));
        QCOMPARE(w_->getWidth(), 1000); // XGA
        QCOMPARE(w_->getHeight(), 700);
    }

    void nextOnStartLoadsServerAndUserFromSettings() {
        w_->FTPMachine->setText("typed.example");
        QTest::mouseClick(w_->buttonNext, Qt::LeftButton);
        QCOMPARE(w_->currentPage, 1);
        QCOMPARE(w_->FTPMachine->text(), QString("localhost")); // first run: the default host
        QCOMPARE(w_->ID->text(), QString());
        QVERIFY(!w_->buttonNext->isEnabled());
        QVERIFY(w_->buttonBack->isEnabled());
        QCOMPARE(colourOf(w_->box[0]), QColor(0x80, 0x80, 0x80));
        QCOMPARE(colourOf(w_->box[1]), QColor(0x00, 0xFF, 0x00));

        settingsStore::write("Slide-Ferry", "Settings", "System", "lumora.example:2121");
        settingsStore::write("Slide-Ferry", "Settings", "UserID", "jdoe");
        QTest::mouseClick(w_->buttonBack, Qt::LeftButton);
        QCOMPARE(w_->currentPage, 0);
        QVERIFY(!w_->buttonBack->isEnabled());
        QTest::keyClick(w_.get(), Qt::Key_Return); // Enter presses Next
        QCOMPARE(w_->currentPage, 1);
        QCOMPARE(w_->FTPMachine->text(), QString("lumora.example:2121"));
        QCOMPARE(w_->ID->text(), QString("jdoe"));
    }

    void nextNeedsAllFourAccountFields() {
        QTest::mouseClick(w_->buttonNext, Qt::LeftButton);
        QVERIFY(!w_->buttonNext->isEnabled());
        QTest::keyClicks(w_->ID, "jdoe");
        QTest::keyClicks(w_->Password, "pw");
        QTest::keyClicks(w_->CVID, "corvane");
        QVERIFY(!w_->buttonNext->isEnabled());
        QTest::keyClicks(w_->CVPassword, "secret");
        QVERIFY(w_->accountComplete);
        QVERIFY(w_->buttonNext->isEnabled());
        w_->FTPMachine->clear(); // the server field takes no part
        QVERIFY(w_->buttonNext->isEnabled());
        w_->Password->clear();
        QVERIFY(!w_->buttonNext->isEnabled());
        QCOMPARE(w_->CVPassword->displayText(), QString("******"));
    }

    void typingInTheServerFieldAsksForANewConnectionTest() {
        w_->serverChanged = false;
        QTest::keyClicks(w_->ID, "x");
        QVERIFY(!w_->serverChanged);
        QTest::keyClick(w_->FTPMachine, Qt::Key_C, Qt::ControlModifier); // copy: text unchanged
        QVERIFY(w_->serverChanged);
    }

    void digitFieldsTakeDigitsOnly() {
        w_->Session->clear();
        QTest::keyClicks(w_->Session, "1a2 -3");
        QCOMPARE(w_->Session->text(), QString("123"));
        QTest::keyClick(w_->Session, Qt::Key_Backspace);
        QCOMPARE(w_->Session->text(), QString("123"));
        w_->Session->setCursorPosition(0);
        QTest::keyClick(w_->Session, Qt::Key_Delete);
        QCOMPARE(w_->Session->text(), QString("23"));
        w_->Session->setText("x9"); // text placed by the program is not filtered
        QCOMPARE(w_->Session->text(), QString("x9"));
    }

    void customSizeRules() {
        w_->Resolution->setCurrentIndex(0);
        QVERIFY(!w_->imageWidth->isHidden() && !w_->imageHeightText->isHidden());
        QVERIFY(!w_->sizeValid || w_->imageWidth->text().isEmpty());
        QTest::keyClicks(w_->imageWidth, "640");
        QVERIFY(!w_->sizeValid);
        QVERIFY(!w_->buttonNext->isEnabled());
        QTest::keyClicks(w_->imageHeight, "48x0");
        QVERIFY(w_->sizeValid);
        QVERIFY(w_->buttonNext->isEnabled());
        QCOMPARE(w_->getWidth(), 640);
        QCOMPARE(w_->getHeight(), 480);
        // 32767 is the largest size a box takes.
        w_->imageWidth->setText("3276");
        w_->imageWidth->setCursorPosition(4);
        QTest::keyClicks(w_->imageWidth, "8");
        QCOMPARE(w_->imageWidth->text(), QString("3276"));
        QTest::keyClicks(w_->imageWidth, "7");
        QCOMPARE(w_->getWidth(), 32767);

        w_->Resolution->setCurrentIndex(2); // SVGA hides the boxes, leaves Next alone
        QVERIFY(w_->imageWidth->isHidden() && w_->imageWidthText->isHidden());
        QCOMPARE(w_->getWidth(), 776);
        QCOMPARE(w_->getHeight(), 532);
        w_->imageWidth->setText("0"); // the custom size still decides Next
        QVERIFY(!w_->sizeValid);
        QVERIFY(!w_->buttonNext->isEnabled());
    }

    void chooseOnlyListsDiscardTypedCharacters() {
        const int month = w_->comboMonth->currentIndex();
        QTest::keyClicks(w_->comboMonth, "aj");
        QCOMPARE(w_->comboMonth->currentIndex(), month);
        w_->comboMonth->setCurrentIndex(0);
        QTest::keyClick(w_->comboMonth, Qt::Key_Down);
        QCOMPARE(w_->comboMonth->currentText(), QString("Feb"));
        w_->Classes->addItem("cs101fall26");
        QTest::keyClicks(w_->Classes, "zz");
        QCOMPARE(w_->Classes->currentText(), QString("cs101fall26"));
        QTest::keyClicks(w_->Resolution, "c");
        QCOMPARE(w_->Resolution->currentText(), QString("XGA"));
    }

    void slideRangeStaysInOrder() {
        fillRange(12);
        w_->firstSlide->setCurrentIndex(0);
        w_->lastSlide->setCurrentIndex(2);
        w_->firstSlide->setCurrentIndex(4);
        QCOMPARE(w_->lastSlide->currentText(), QString(" 5"));
        w_->lastSlide->setCurrentIndex(1);
        QCOMPARE(w_->firstSlide->currentText(), QString(" 2"));
        QCOMPARE(w_->lastSlide->currentText(), QString(" 2"));
    }

    void titleDecidesNextAndFinish() {
        w_->Title->setText("Intro");
        QVERIFY(w_->titleGiven && w_->buttonNext->isEnabled() && w_->Finish->isEnabled());
        w_->Title->clear();
        QVERIFY(!w_->titleGiven && !w_->buttonNext->isEnabled() && !w_->Finish->isEnabled());
    }

    void presentationPattern_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("listed");
        QTest::newRow("ppt") << "talk.ppt" << true;
        QTest::newRow("upper") << "TALK.PPT" << true;
        QTest::newRow("pptx") << "talk.pptx" << true;
        QTest::newRow("pdf") << "talk.pdf" << false;
        QTest::newRow("no dot") << "ppt" << false;
        QTest::newRow("backup") << "talk.ppt.bak" << false;
        QTest::newRow("blanks") << "my talk 1.ppt" << true;
    }
    void presentationPattern() {
        QFETCH(QString, name);
        QFETCH(bool, listed);
        QCOMPARE(FileList::matchesPattern(name), listed);
    }

    void cancelCleansUpEndsAndSavesNothing() {
        QTemporaryDir work;
        w_->ExportPath->setText(work.path());
        for (const char* f :
             {"description", "extract.stml", "Slide1.GIF", "blank.GIF", "keep.txt"}) {
            QFile file(work.filePath(f));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QTest::keyClick(w_.get(), Qt::Key_Escape); // Escape presses Cancel
        QCOMPARE(ends_, 1);
        QCOMPARE(QDir(work.path()).entryList(QDir::Files), QStringList{"keep.txt"});
        QVERIFY(!QFile::exists(settingsDir_->filePath("Slide-Ferry.ini")));
        QVERIFY(questions_.isEmpty()); // nothing typed on the welcome page
    }

    // Leaving a page with nothing entered quits at once; with something typed it asks first,
    // and No keeps the wizard and what was typed.
    void quitAsksOnlyWhenSomethingWasEntered() {
        QTest::mouseClick(w_->buttonNext, Qt::LeftButton);
        QCOMPARE(w_->currentPage, 1);
        w_->FTPMachine->clear();
        QTest::keyClick(w_.get(), Qt::Key_Escape);
        QCOMPARE(ends_, 1);
        QVERIFY(questions_.isEmpty());

        QTest::keyClicks(w_->FTPMachine, "lumora.example.edu");
        QTest::keyClick(w_.get(), Qt::Key_Escape);
        QCOMPARE(questions_, QStringList{"Quit Slide-Ferry? What you entered is lost."});
        QCOMPARE(ends_, 1);
        QCOMPARE(w_->FTPMachine->text(), QString("lumora.example.edu"));
        answerYes_ = true;
        QTest::mouseClick(w_->Cancel, Qt::LeftButton);
        QCOMPARE(questions_.size(), 2);
        QCOMPARE(ends_, 2);
    }
};

QTEST_MAIN(TestWizardFields)
#include "test_wizard_fields.moc"
