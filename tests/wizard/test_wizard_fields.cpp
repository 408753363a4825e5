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
    void next() { QTest::mouseClick(w_->buttonNext, Qt::LeftButton); }

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
        QCOMPARE(w_->currentPage, 0);
        QVERIFY(w_->frame[0]->isVisible() && !w_->frame[1]->isVisible());
        QVERIFY(w_->buttonNext->isEnabled());
        QVERIFY(!w_->buttonBack->isEnabled() && !w_->Finish->isEnabled());
        const QDate today = QDate::currentDate();
        QCOMPARE(w_->comboMonth->currentIndex(), today.month() - 1);
        QCOMPARE(w_->comboDay->currentText(), QString::number(today.day()));
        QCOMPARE(w_->comboYear->currentText(), QString::number(today.year()));
        QCOMPARE(w_->comboYear->itemText(w_->comboYear->count() - 1),
                 QString::number(today.year() + 1));
        QCOMPARE(w_->cbYear->currentText(), QString::number(today.year()));

        const QColor current = colourOf(w_->box[0]), later = colourOf(w_->box[1]);
        QVERIFY(current != later && w_->boxText[0]->font().bold());
        w_->FTPMachine->setText("typed.example");
        next();
        QCOMPARE(w_->currentPage, 1);
        QVERIFY(colourOf(w_->box[1]) == current && colourOf(w_->box[0]) != current);
        QCOMPARE(w_->FTPMachine->text(), QString("localhost"));
        QCOMPARE(w_->ID->text(), QString());
        QVERIFY(!w_->buttonNext->isEnabled() && w_->buttonBack->isEnabled());

        settingsStore::write("Slide-Ferry", "Settings", "System", "lumora.example:2121");
        settingsStore::write("Slide-Ferry", "Settings", "UserID", "jdoe");
        QTest::mouseClick(w_->buttonBack, Qt::LeftButton);
        QVERIFY(w_->currentPage == 0 && !w_->buttonBack->isEnabled());
        QTest::keyClick(w_.get(), Qt::Key_Return);
        QCOMPARE(w_->currentPage, 1);
        QCOMPARE(w_->FTPMachine->text() + " " + w_->ID->text(), "lumora.example:2121 jdoe");
    }

    // Next needs all four account fields (the server field takes no part); only typing in the
    // server field asks for a new connection test, a key that changes nothing too.
    void accountFields() {
        next();
        QVERIFY(!w_->buttonNext->isEnabled());
        QTest::keyClicks(w_->ID, "jdoe");
        QTest::keyClicks(w_->Password, "pw");
        QTest::keyClicks(w_->CVID, "corvane");
        QVERIFY(!w_->buttonNext->isEnabled());
        QTest::keyClicks(w_->CVPassword, "secret");
        QVERIFY(w_->accountComplete && w_->buttonNext->isEnabled());
        w_->FTPMachine->clear();
        QVERIFY(w_->buttonNext->isEnabled());
        w_->Password->clear();
        QVERIFY(!w_->buttonNext->isEnabled());
        QCOMPARE(w_->CVPassword->displayText(), QString("******"));

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
        QTest::keyClicks(w_->imageWidth, "640");
        QVERIFY(!w_->sizeValid && !w_->buttonNext->isEnabled());
        QTest::keyClicks(w_->imageHeight, "48x0");
        QVERIFY(w_->sizeValid && w_->buttonNext->isEnabled());
        QCOMPARE(QSize(w_->getWidth(), w_->getHeight()), QSize(640, 480));
        // 32767 is the largest size a box takes.
        w_->imageWidth->setText("3276");
        w_->imageWidth->setCursorPosition(4);
        QTest::keyClicks(w_->imageWidth, "8");
        QCOMPARE(w_->imageWidth->text(), QString("3276"));
        QTest::keyClicks(w_->imageWidth, "7");
        QCOMPARE(w_->getWidth(), 32767);

        w_->Resolution->setCurrentIndex(2); // a fixed size hides the boxes, leaves Next alone
        QVERIFY(w_->imageWidth->isHidden() && w_->imageWidthText->isHidden());
        QVERIFY(w_->getWidth() != 32767);
        w_->imageWidth->setText("0"); // the custom size still decides Next
        QVERIFY(!w_->sizeValid && !w_->buttonNext->isEnabled());
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

    // The slide range stays in order, and the title decides Next and Finish.
    void slideRangeAndTitle() {
        for (int i = 1; i <= 12; ++i) {
            w_->firstSlide->addItem(" " + QString::number(i));
            w_->lastSlide->addItem(" " + QString::number(i));
        }
        w_->firstSlide->setCurrentIndex(0);
        w_->lastSlide->setCurrentIndex(2);
        w_->firstSlide->setCurrentIndex(4);
        QCOMPARE(w_->lastSlide->currentText(), QString(" 5"));
        w_->lastSlide->setCurrentIndex(1);
        QCOMPARE(w_->firstSlide->currentText() + w_->lastSlide->currentText(), " 2 2");

        w_->Title->setText("Intro");
        QVERIFY(w_->titleGiven && w_->buttonNext->isEnabled() && w_->Finish->isEnabled());
        w_->Title->clear();
        QVERIFY(!w_->titleGiven && !w_->buttonNext->isEnabled() && !w_->Finish->isEnabled());
    }

    // (Presentations by their extensions in any case, and other files, are listed by the
    // wizard-road test.)
    void presentationPattern() {
        for (const auto& [name, listed] :
             {std::pair("ppt", false), {"talk.ppt.bak", false}, {"my talk 1.ppt", true}})
            QVERIFY2(FileList::matchesPattern(name) == listed, name);
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
        next();
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
