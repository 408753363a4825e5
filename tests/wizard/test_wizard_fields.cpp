// The wizard's fields and buttons as a user drives them, without a server or an office.
#include "WizardRun.h"

#include "windows/FrmHelp.h"
#include "wizard/WizardPage.h"
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileInfo>
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
    template <typename T> T* named(const QString& name) const {
        return testUi::named<T>(w_.get(), name);
    }
    void next() { QTest::mouseClick(named<QPushButton>("buttonNext"), Qt::LeftButton); }
    QSize imageSize() const { return chosenImageSize(*w_); }

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
        auto* nextButton = named<QPushButton>("buttonNext");
        auto* backButton = named<QPushButton>("buttonBack");
        auto* server = named<QLineEdit>("FTPMachine");
        QCOMPARE(shownPage(*w_), 0);
        QVERIFY(named<QWidget>("startPage")->isVisible() &&
                !named<QWidget>("lumoraInfoPage")->isVisible());
        QVERIFY(nextButton->isEnabled());
        QVERIFY(!backButton->isEnabled() && !named<QPushButton>("Finish")->isEnabled());
        const QDate today = QDate::currentDate();
        auto* lectureYear = named<QComboBox>("comboYear");
        QCOMPARE(named<QComboBox>("comboMonth")->currentIndex(), today.month() - 1);
        QCOMPARE(named<QComboBox>("comboDay")->currentText(), QString::number(today.day()));
        QCOMPARE(lectureYear->currentText(), QString::number(today.year()));
        QCOMPARE(lectureYear->itemText(lectureYear->count() - 1),
                 QString::number(today.year() + 1));
        QCOMPARE(named<QComboBox>("cbYear")->currentText(), QString::number(today.year()));

        auto* startBox = named<QFrame>("box0");
        auto* accountsBox = named<QFrame>("box1");
        const QColor current = colourOf(startBox), later = colourOf(accountsBox);
        QVERIFY(current != later && named<QLabel>("boxText0")->font().bold());
        server->setText("typed.example");
        next();
        QCOMPARE(shownPage(*w_), 1);
        QVERIFY(colourOf(accountsBox) == current && colourOf(startBox) != current);
        QCOMPARE(server->text(), QString("localhost"));
        QCOMPARE(named<QLineEdit>("ID")->text(), QString());
        QVERIFY(!nextButton->isEnabled() && backButton->isEnabled());

        settingsStore::write("Slide-Ferry", "Settings", "System", "lumora.example:2121");
        settingsStore::write("Slide-Ferry", "Settings", "UserID", "jdoe");
        QTest::mouseClick(backButton, Qt::LeftButton);
        QVERIFY(shownPage(*w_) == 0 && !backButton->isEnabled());
        QTest::keyClick(w_.get(), Qt::Key_Return);
        QCOMPARE(shownPage(*w_), 1);
        QCOMPARE(server->text() + " " + named<QLineEdit>("ID")->text(), "lumora.example:2121 jdoe");
    }

    // Next needs all four account fields (the server field takes no part); only typing in the
    // server field asks for a new connection test, a key that changes nothing too.
    void accountFields() {
        auto* nextButton = named<QPushButton>("buttonNext");
        auto* server = named<QLineEdit>("FTPMachine");
        auto* id = named<QLineEdit>("ID");
        auto* password = named<QLineEdit>("Password");
        auto* corvanePassword = named<QLineEdit>("CVPassword");
        auto* hint = named<QLabel>("nextHint");
        auto& page = *named<LumoraInfoPage>("lumoraInfoPage");
        next();
        QVERIFY(!nextButton->isEnabled());
        QTest::keyClicks(id, "jdoe");
        QTest::keyClicks(password, "pw");
        QTest::keyClicks(named<QLineEdit>("CVID"), "corvane");
        QVERIFY(!nextButton->isEnabled());
        QCOMPARE(hint->text(), QString("To go on, enter the Corvane password."));
        QTest::keyClicks(corvanePassword, "secret");
        QCOMPARE(hint->text(), QString());
        QVERIFY(page.complete() && nextButton->isEnabled());
        server->clear();
        QVERIFY(nextButton->isEnabled());
        password->clear();
        QVERIFY(!nextButton->isEnabled());
        QCOMPARE(corvanePassword->displayText(), QString("******"));

        WizardProbe::setServerChanged(page, false);
        QTest::keyClicks(id, "x");
        QVERIFY(!WizardProbe::serverChanged(page));
        QTest::keyClick(server, Qt::Key_C, Qt::ControlModifier); // copy: text unchanged
        QVERIFY(WizardProbe::serverChanged(page));
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

    // The digit fields take digits only (from the keyboard). The date and class lists pick the
    // first entry that begins with what is typed; the Advanced page's lists discard typing.
    void fieldsDiscardWhatTheyDoNotTake() {
        auto* session = named<QLineEdit>("Session");
        session->clear();
        QTest::keyClicks(session, "1a2 -3");
        QCOMPARE(session->text(), QString("123"));
        session->setText("x9"); // text placed by the program is not filtered
        QCOMPARE(session->text(), QString("x9"));

        auto* months = named<QComboBox>("comboMonth");
        QTest::keyClicks(months, "jul");
        QCOMPARE(months->currentText(), QString("Jul"));
        months->setCurrentIndex(0);
        QTest::keyClick(months, Qt::Key_Down);
        QCOMPARE(months->currentText(), QString("Feb"));
        QTest::keyClicks(named<QComboBox>("comboDay"), "25");
        QCOMPARE(named<QComboBox>("comboDay")->currentText(), QString("25"));
        QTest::keyClicks(named<QComboBox>("comboYear"), "2019");
        QCOMPARE(named<QComboBox>("comboYear")->currentText(), QString("2019"));
        auto* classes = named<QComboBox>("Classes");
        classes->addItems({"cs101fall26", "math150winter26"});
        classes->setCurrentIndex(0);
        QTest::keyClicks(classes, "m");
        QCOMPARE(classes->currentText(), QString("math150winter26"));
        QTest::keyClicks(classes, "zz"); // no class begins "mzz": the choice stays
        QCOMPARE(classes->currentText(), QString("math150winter26"));
        auto* resolution = named<QComboBox>("Resolution");
        QTest::keyClicks(resolution, "c");
        QCOMPARE(resolution->currentText(), QString("XGA"));
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
        named<QComboBox>("Resolution")->setCurrentIndex(0); // shows the custom size
        auto* field = named<QLineEdit>(name);
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
        AdvancedPage& page = *named<AdvancedPage>("advancedPage");
        auto* resolution = named<QComboBox>("Resolution");
        page.loadSettings();
        QCOMPARE(resolution->currentText(), QString("XGA"));
        QVERIFY(named<QLineEdit>("imageWidth")->text().isEmpty() && page.complete());
        QCOMPARE(imageSize(), QSize(1000, 700));

        QSignalSpy changed(&page, &WizardPage::completeChanged);
        resolution->setCurrentIndex(0);
        QVERIFY(!page.complete() && changed.size() >= 1);
        QVERIFY(page.missing().contains("custom width and height"));
        QTest::keyClicks(named<QLineEdit>("imageWidth"), "800");
        QTest::keyClicks(named<QLineEdit>("imageHeight"), "600");
        QVERIFY(page.complete());
        named<QLineEdit>("imageHeight")->clear();
        const qsizetype before = changed.size();
        resolution->setCurrentIndex(1);
        QVERIFY(page.complete() && changed.size() > before);
    }

    // The Advanced page's rules: the custom size, and the slide range.
    void advancedPageRules() {
        auto* page = named<AdvancedPage>("advancedPage");
        auto* resolution = named<QComboBox>("Resolution");
        auto* width = named<QLineEdit>("imageWidth");
        resolution->setCurrentIndex(0);
        QVERIFY(!width->isHidden() && !named<QLabel>("imageHeightText")->isHidden());
        QTest::keyClicks(width, "640");
        QVERIFY(!page->complete());
        QTest::keyClicks(named<QLineEdit>("imageHeight"), "48x0");
        QVERIFY(page->complete());
        QCOMPARE(imageSize(), QSize(640, 480));
        // 32767 is the largest size a box takes.
        width->setText("3276");
        width->setCursorPosition(4);
        QTest::keyClicks(width, "8");
        QCOMPARE(width->text(), QString("3276"));
        QTest::keyClicks(width, "7");
        QCOMPARE(imageSize().width(), 32767);

        // A fixed size hides the boxes and leaves Next alone.
        resolution->setCurrentIndex(2);
        QVERIFY(width->isHidden() && named<QLabel>("imageWidthText")->isHidden());
        QVERIFY(imageSize().width() != 32767);
        width->setText("0"); // a custom size left unfinished is no matter
        QVERIFY(page->complete());
        resolution->setCurrentIndex(0);
        QVERIFY(!page->complete());

        // The slide range stays in order. (Next and Finish follow the title: the wizard-road
        // test.)
        auto* first = named<QComboBox>("firstSlide");
        auto* last = named<QComboBox>("lastSlide");
        for (int i = 1; i <= 12; ++i) {
            first->addItem(" " + QString::number(i));
            last->addItem(" " + QString::number(i));
        }
        first->setCurrentIndex(0);
        last->setCurrentIndex(2);
        first->setCurrentIndex(4);
        QCOMPARE(last->currentText(), QString(" 5"));
        last->setCurrentIndex(1);
        QCOMPARE(first->currentText() + last->currentText(), " 2 2");
    }

    // The choices of what is sent go into the lecture and are remembered ("1" / "0"); a first
    // run leaves both off.
    void advancedSendChoicesRemembered() {
        AdvancedPage& page = *named<AdvancedPage>("advancedPage");
        auto* skipHidden = named<QCheckBox>("skipHidden");
        auto* allText = named<QCheckBox>("allText");
        page.loadSettings();
        QVERIFY(!skipHidden->isChecked() && !allText->isChecked());
        settingsStore::write("Slide-Ferry", "Settings", "SkipHiddenSlides", "1");
        page.loadSettings();
        QVERIFY(skipHidden->isChecked() && !allText->isChecked());
        QTest::mouseClick(allText, Qt::LeftButton);
        LectureRecord r;
        page.fillLecture(r);
        QVERIFY(r.skipHiddenSlides && r.allSlideText);
        QTest::mouseClick(skipHidden, Qt::LeftButton);
        page.saveSettings();
        const auto stored = [](const char* key) {
            return settingsStore::stored("Slide-Ferry", "Settings", key).value_or("none");
        };
        QCOMPARE(stored("SkipHiddenSlides") + stored("AllSlideText"), QString("01"));
    }

    // The keyboard reaches every button and field: F1 opens the help from any page, Alt and the
    // underlined letter presses a button (its caption otherwise as it was) or puts the cursor in
    // the field a label names.
    void keyboardReachesButtonsHelpAndFields() {
        if (!QTest::qWaitForWindowActive(w_.get()))
            QSKIP("this platform does not activate windows");
        const QStringList captions{"Help", "Cancel", "< Back", "Next >", "Finish"};
        for (const char* name : {"Help", "Cancel", "buttonBack", "buttonNext", "Finish"}) {
            const QString text = named<QPushButton>(name)->text();
            QVERIFY2(text.count('&') == 1 && captions.contains(QString(text).remove('&')),
                     qPrintable(text));
        }
        // An underlined letter used twice on one page only moves the focus between its owners.
        const auto mnemonic = [](const QString& text) {
            const qsizetype at = QString(text).replace("&&", "  ").indexOf('&');
            return at < 0 || at + 1 >= text.size() ? QChar() : text.at(at + 1).toLower();
        };
        for (WizardPage* page : w_->findChildren<WizardPage*>()) {
            QStringList owners(26);
            QList<QWidget*> widgets;
            for (const char* name : {"Help", "Cancel", "buttonBack", "buttonNext", "Finish"})
                widgets << named<QPushButton>(name);
            widgets += page->findChildren<QWidget*>();
            for (QWidget* widget : widgets) {
                const auto* label = qobject_cast<QLabel*>(widget);
                const auto* button = qobject_cast<QAbstractButton*>(widget);
                const QChar letter = mnemonic(label    ? label->text()
                                              : button ? button->text()
                                                       : QString());
                if (!letter.isLetter() || letter.unicode() > 'z')
                    continue;
                QString& owner = owners[letter.unicode() - 'a'];
                QVERIFY2(owner.isEmpty(),
                         qPrintable(page->objectName() + ": " + owner + " and " +
                                    widget->objectName() + " share Alt+" + letter));
                owner = widget->objectName().isEmpty() ? widget->metaObject()->className()
                                                       : widget->objectName();
            }
        }
        QTest::keyClick(w_.get(), Qt::Key_F1);
        QVERIFY(FrmHelp::existing() && FrmHelp::existing()->isVisible());
        FrmHelp::existing()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));

        QTest::keyClick(w_.get(), Qt::Key_N, Qt::AltModifier); // the button is seen pressed first
        QTRY_COMPARE(shownPage(*w_), 1);
        QTest::keyClick(w_.get(), Qt::Key_U, Qt::AltModifier);
        QCOMPARE(w_->focusWidget(), named<QLineEdit>("ID"));
        QTest::keyClick(w_.get(), Qt::Key_W, Qt::AltModifier);
        QCOMPARE(w_->focusWidget(), named<QLineEdit>("CVPassword"));
        QTest::keyClick(named<QLineEdit>("CVPassword"), Qt::Key_F1);
        QVERIFY(FrmHelp::existing() && FrmHelp::existing()->isVisible());
        FrmHelp::existing()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        QTest::keyClick(w_.get(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(shownPage(*w_), 0);
    }

    // The folder list picks a folder by the beginning of its name, typed, past the indentation
    // that shows its depth; a pause starts a new beginning.
    void folderListPicksByTypedLetters() {
        QTemporaryDir dir;
        for (const char* name : {"alpha", "beta", "bravo"})
            QVERIFY(QDir(dir.path()).mkdir(name));
        DirectoryList list;
        QVERIFY(list.setPath(dir.path()));
        auto highlighted = [&list] { return QFileInfo(list.highlightedPath()).fileName(); };
        QTest::keyClicks(&list, "br");
        QCOMPARE(highlighted(), QString("bravo"));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClicks(&list, "A");
        QCOMPARE(highlighted(), QString("alpha"));
        QTest::keyClicks(&list, "z"); // "az" begins no folder: the highlight stays
        QCOMPARE(highlighted(), QString("alpha"));
    }

    // Leaving the wizard with nothing entered quits at once, saving nothing and leaving the
    // working directory's files alone (the program's own are only ever in a folder of its own);
    // with something typed it asks first, and No keeps the wizard and what was typed.
    void quitAsksOnlyWhenSomethingWasEntered() {
        QTemporaryDir work;
        named<QLineEdit>("ExportPath")->setText(work.path());
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
        auto* server = named<QLineEdit>("FTPMachine");
        server->clear();
        QTest::keyClick(w_.get(), Qt::Key_Escape);
        QCOMPARE(ends_, 2);
        QVERIFY(questions_.isEmpty());

        QTest::keyClicks(server, "lumora.example.edu");
        QTest::keyClick(w_.get(), Qt::Key_Escape);
        QCOMPARE(questions_, QStringList{"Quit Slide-Ferry? What you entered is lost."});
        QCOMPARE(ends_, 2);
        QCOMPARE(server->text(), QString("lumora.example.edu"));
        answerYes_ = true;
        QTest::mouseClick(named<QPushButton>("Cancel"), Qt::LeftButton);
        QCOMPARE(questions_.size(), 2);
        QCOMPARE(ends_, 3);
    }
};

QTEST_MAIN(TestWizardFields)
#include "test_wizard_fields.moc"
