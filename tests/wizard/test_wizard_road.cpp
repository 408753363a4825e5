// The wizard's road through its pages against the real server and office: what each page loads
// on entry, what Back undoes, how a refused account or server keeps the wizard where it is, and
// the general error path.
#include "WizardRun.h"

#include "pipeline/ModuleSlideFerry.h"
#include "wizard/DriveList.h"

#include <QImage>
#include <QLabel>
#include <tuple>

class TestWizardRoad : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> settings_;
    QTemporaryDir talks_, work_;
    LumoraServer server_;

    void toFilePage(WizardRun& r) {
        r.next();
        r.typeAccounts("ann", "pw123", server_);
        r.next();
    }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        QVERIFY(QFile::copy(testEnv::presentationsDir() + "/basic_test_ppt_file.ppt",
                            talks_.filePath("basic.ppt")));
        QVERIFY(QFile::copy(testEnv::presentationsDir() + "/corrupt-header.ppt",
                            talks_.filePath("damaged.ppt")));
        QVERIFY(QFile::copy(testEnv::presentationsDir() + "/long-68-slides.ppt",
                            talks_.filePath("long.PPT")));
    }
    void init() {
        settings_ = std::make_unique<QTemporaryDir>();
        settingsStore::useDirectory(settings_->path());
        QVERIFY(server_.writeFile("lumora/admin/passwd", "#c\nann:pw123:Ann\n"));
        for (const char* c : {"cs101fall26", "hist200spring27", "math150winter26"})
            QVERIFY(server_.makeDir(QString("lumora/classes/") + c));
        writeSetting("System", server_.host());
        writeSetting("Directory", talks_.path());
        writeSetting("ExportPath", work_.path());
    }

    void firstRunDefaultsOnEachPage() {
        settings_ = std::make_unique<QTemporaryDir>(); // nothing stored at all
        settingsStore::useDirectory(settings_->path());
        WizardRun r;
        r.next();
        QCOMPARE(r.w->FTPMachine->text(), QString("localhost"));
        QCOMPARE(r.w->ID->text(), QString());
        // Each page gives the focus to its first empty field, so that typing goes on there.
        QCOMPARE(r.w->focusWidget(), r.w->ID);
        r.w->FTPMachine->setText(server_.host());
        r.typeAccounts("ann", "pw123", server_);
        r.next();
        QCOMPARE(r.w->currentPage, 2);
        QCOMPARE(r.w->focusWidget(), r.w->fileList);
        QVERIFY(!r.w->buttonNext->isEnabled());
        r.w->dirList->setPath(talks_.path());
        QCOMPARE(r.w->fileList->count(), 3); // basic.ppt, damaged.ppt, long.PPT
        QVERIFY(r.chooseFile("basic.ppt"));
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        QCOMPARE(r.w->Term->currentText(), QString("All terms"));
        QCOMPARE(r.w->cbYear->currentText(), QString("All years"));
        QCOMPARE(r.w->Classes->currentText(), QString());
        QCOMPARE(r.w->Classes->count(), 3);
        // Nothing remembered: the user picks the class; the focus waits in its box.
        QCOMPARE(r.w->focusWidget(), r.w->Classes);
        r.w->Classes->setCurrentIndex(0);
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        QCOMPARE(r.w->focusWidget(), r.w->Resolution);
        QCOMPARE(r.w->ExportPath->text(), QDir::tempPath());
        QCOMPARE(r.w->imageFormat->currentText(), QString("GIF"));
        QCOMPARE(r.w->Resolution->currentText(), QString("XGA"));
        QCOMPARE(r.w->imageWidth->text(), QString());
        QCOMPARE(r.w->imageHeight->text(), QString());
        QVERIFY(!r.w->sizeValid);
        QVERIFY(!r.w->buttonNext->isEnabled()); // the empty custom size keeps Next off
        QVERIFY(r.w->Finish->isEnabled());
        QCOMPARE(r.messages, QStringList());
    }

    void pagesLoadTheRememberedChoicesOnEntry() {
        writeSetting("Term", "Fall");
        writeSetting("Year", "2026");
        writeSetting("Class", "cs101fall26");
        writeSetting("ImageType", "JPG");
        writeSetting("Resolution", "Custom");
        writeSetting("CustomWidth", "480"); // crossed: goes into imageHeight
        writeSetting("CustomHeight", "640");
        writeSetting("CorvaneID", "remembered-corvane");
        WizardRun r;
        r.next();
        QCOMPARE(r.w->CVID->text(), QString("remembered-corvane"));
        QCOMPARE(r.w->CVPassword->text(), QString()); // never a password
        r.typeAccounts("ann", "pw123", server_);
        r.next();
        QCOMPARE(r.w->dirList->path(), QDir(talks_.path()).canonicalPath());
        QVERIFY(r.chooseFile("long.PPT"));
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        QCOMPARE(r.w->firstSlide->count(), 68);
        QCOMPARE(r.w->lastSlide->currentText(), QString(" 68"));
        QCOMPARE(r.w->Term->currentText(), QString("Fall"));
        QCOMPARE(r.w->cbYear->currentText(), QString("2026"));
        QCOMPARE(r.w->Classes->count(), 1); // the filters apply to the listing
        QCOMPARE(r.w->Classes->currentText(), QString("cs101fall26"));
        r.w->Title->setText("Typed title");
        r.next();
        QCOMPARE(r.w->currentPage, 4);
        QCOMPARE(r.w->imageFormat->currentText(), QString("JPG"));
        QVERIFY(!r.w->imageWidth->isHidden());
        QCOMPARE(r.w->imageWidth->text(), QString("640"));
        QCOMPARE(r.w->imageHeight->text(), QString("480"));
        QCOMPARE(r.w->getWidth(), 640);
        QVERIFY(r.w->buttonNext->isEnabled());

        // Back to the file page: the range lists empty, the presentation closes, Finish goes off.
        r.back();
        QCOMPARE(r.w->currentPage, 3);
        QVERIFY(r.w->Finish->isEnabled());
        r.back();
        QCOMPARE(r.w->currentPage, 2);
        QVERIFY(!r.w->Finish->isEnabled());
        r.back();
        QCOMPARE(r.w->currentPage, 1);
        QCOMPARE(r.w->firstSlide->count(), 0);
        QCOMPARE(r.w->moduleSlideFerry().presentation.slideCount, 0);
        QVERIFY(r.w->buttonNext->isEnabled());

        // Forward again: the title is the presentation's again, the lists are filled anew.
        r.next();
        QVERIFY(r.chooseFile("basic.ppt"));
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        QVERIFY(r.w->Title->text() != QString("Typed title"));
        QCOMPARE(r.w->firstSlide->count(), r.w->moduleSlideFerry().presentation.slideCount);

        // Done stores the fields, the custom size crossed again.
        r.w->imageWidth->setText("800");
        r.w->imageHeight->setText("600");
        r.w->saveSettings();
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "CustomWidth", ""), QString("600"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "CustomHeight", ""),
                 QString("800"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Directory", ""),
                 QDir(talks_.path()).canonicalPath());
        QCOMPARE(r.messages, QStringList());
    }

    // `slide-ferry FILE`: the file page opens on the file's drive and folder with it chosen,
    // over the remembered folder; a name the list does not hold chooses nothing.
    void commandLineFileIsChosenOnTheFilePage() {
        QTemporaryDir other;
        QVERIFY(QFile::copy(talks_.filePath("basic.ppt"), other.filePath("Talk.PPTX")));
        QVERIFY(QFile::copy(talks_.filePath("basic.ppt"), other.filePath("talk.pptx")));
        QVERIFY(QFile::copy(talks_.filePath("basic.ppt"), other.filePath("notes.txt")));
        const QString folder = QDir(other.path()).canonicalPath();
        WizardRun r;
        r.w->commandLineFile = other.filePath("Talk.PPTX");
        toFilePage(r);
        QCOMPARE(r.w->currentPage, 2);
        QCOMPARE(r.w->dirList->path(), folder);
        QCOMPARE(r.w->driveList->drive(), r.w->driveList->driveOf(folder));
        QCOMPARE(r.w->fileList->count(), 2);
        QCOMPARE(r.w->fileList->fileName(), QString("Talk.PPTX"));
        QVERIFY(r.w->fileChosen && r.w->buttonNext->isEnabled());
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        QCOMPARE(r.w->moduleSlideFerry().presentation.slideCount, 2);

        r.back();
        r.back();
        r.w->commandLineFile = other.filePath("notes.txt");
        r.next();
        QCOMPARE(r.w->dirList->path(), folder);
        QVERIFY(!r.w->fileChosen && !r.w->buttonNext->isEnabled());
        QCOMPARE(r.messages, QStringList());
    }

    void refusedAccountKeepsTheWizardOnItsPage() {
        WizardRun r;
        r.next();
        r.typeAccounts("ann", "PW123", server_);
        r.next();
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages.first().startsWith("Bad user id or password\n") &&
                     r.messages.first().contains("Lumora account \"ann\""),
                 qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.w->currentPage, 1);
        QVERIFY(r.w->buttonNext->isEnabled() && r.w->buttonBack->isEnabled());
        QVERIFY(r.w->connecting->isHidden());
        QVERIFY(!r.w->serverChanged);

        // Without the account file the user hears why and may correct the server.
        QVERIFY(QFile::remove(server_.root() + "/lumora/admin/passwd"));
        r.w->Password->setText("pw123");
        r.next();
        QCOMPARE(r.messages.size(), 2);
        QVERIFY2(r.messages[1].startsWith("Error: ") &&
                     r.messages[1].endsWith(", " + server_.host()),
                 qPrintable(r.messages[1]));
        QCOMPARE(r.w->currentPage, 1);
        QCOMPARE(r.ends, 0);
        QVERIFY(!QFile::exists(work_.filePath("passwd")));
    }

    void unreachableServerIsReportedOnce() {
        WizardRun r;
        r.next();
        r.w->FTPMachine->setText("127.0.0.1:1"); // nothing listens there
        r.w->serverChanged = true;
        r.typeAccounts("ann", "pw123", server_);
        r.next();
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages[0].startsWith("Error: ") && r.messages[0].endsWith(", 127.0.0.1:1"),
                 qPrintable(r.messages[0]));
        QCOMPARE(r.w->currentPage, 1);
        QVERIFY(!r.w->serverChanged);
        QVERIFY(r.w->connecting->isHidden());

        // Typing in the server field asks for a new connection test; this one succeeds.
        r.w->FTPMachine->selectAll();
        QTest::keyClicks(r.w->FTPMachine, server_.host());
        QVERIFY(r.w->serverChanged);
        r.next();
        QCOMPARE(r.w->currentPage, 2);
        QCOMPARE(r.messages.size(), 1);
    }

    // The class the user chose stays chosen through focus changes and through filters that
    // still list it; a filter that excludes it gives way to the first class listed. A filter
    // lists as soon as it is chosen, and a click on Next during that listing acts once.
    void chosenClassStaysThroughFocusAndFilters() {
        writeSetting("Class", "math150winter26");
        WizardRun r;
        toFilePage(r);
        // A double click on empty space does nothing; on a file it goes on as Next does.
        QWidget* files = r.w->fileList->viewport();
        QTest::mouseDClick(files, Qt::LeftButton, {}, QPoint(5, files->height() - 3));
        QCOMPARE(r.w->currentPage, 2);
        const QRect item = r.w->fileList->visualItemRect(
            r.w->fileList->findItems("basic.ppt", Qt::MatchExactly).first());
        QTest::mouseClick(files, Qt::LeftButton, {}, item.center());
        QTest::mouseDClick(files, Qt::LeftButton, {}, item.center());
        QCOMPARE(r.w->currentPage, 3);
        QCOMPARE(r.w->Classes->currentText(), QString("math150winter26"));
        QCOMPARE(r.w->focusWidget(), r.w->Title); // the first field still empty

        r.w->Term->setFocus();
        r.w->Session->setFocus();
        r.w->cbYear->setFocus();
        r.w->Title->setFocus();
        QCOMPARE(r.w->Classes->count(), 3);
        QCOMPARE(r.w->Classes->currentText(), QString("math150winter26"));

        auto choose = [](QComboBox* filter, const QString& text) {
            filter->setFocus();
            filter->setCurrentText(text);
            emit filter->activated(filter->currentIndex());
        };
        choose(r.w->Term, "Winter"); // listed at once, the focus still in the filter
        QCOMPARE(r.w->Classes->count(), 1);
        QCOMPARE(r.w->Classes->currentText(), QString("math150winter26"));
        choose(r.w->Term, "Spring");
        QCOMPARE(r.w->Classes->currentText(), QString("hist200spring27"));
        choose(r.w->Term, "All terms");
        QCOMPARE(r.w->Classes->count(), 3);
        QCOMPARE(r.w->Classes->currentText(), QString("hist200spring27"));
        choose(r.w->cbYear, "1999");
        QCOMPARE(r.w->Classes->count(), 0);
        choose(r.w->cbYear, "All years");

        // Days a month does not have are refused on leaving the page, the lists left alone.
        for (const auto& [month, day, year] :
             {std::tuple("Feb", "31", "2026"), {"Apr", "31", "2026"}, {"Feb", "29", "2027"}}) {
            r.setDate(month, day, year);
            r.next();
            QCOMPARE(r.w->currentPage, 3);
            QVERIFY2(r.messages.last().contains("does not exist"), qPrintable(r.messages.last()));
            QCOMPARE(r.w->comboDay->currentText(), QString(day));
        }
        const qsizetype refused = r.messages.size();
        QCOMPARE(refused, 3);

        // Next clicked while the filter's listing waits for the server acts once, afterwards.
        r.setDate("Feb", "29", "2024"); // a leap year the year list offers
        r.w->Term->setFocus();
        r.w->Term->setCurrentText("Spring");
        QTimer::singleShot(0, r.w.get(), [&r] { r.next(); });
        emit r.w->Term->activated(r.w->Term->currentIndex());
        QTRY_VERIFY2(r.w->currentPage == 4, qPrintable(r.messages.join(" | ")));
        QTest::qWait(50);
        QCOMPARE(r.w->currentPage, 4);
        QCOMPARE(r.messages.size(), refused);
        QCOMPARE(r.w->Classes->currentText(), QString("hist200spring27"));
    }

    // Finish straight from the Lecture Info page, appending to a lecture stored as JPG: the
    // remembered format counts the old slides and names the new ones after them.
    void finishOnLecturePageUsesTheRememberedChoices() {
        const QString lecture = "lumora/classes/cs101fall26/Mar.5.2026.1/";
        QVERIFY(server_.writeFile(lecture + "Slide1.jpg", "old one"));
        QVERIFY(server_.writeFile(lecture + "Slide2.jpg", "old two"));
        writeSetting("ImageType", "JPG");
        writeSetting("Resolution", "VGA");
        WizardRun r;
        toFilePage(r);
        QVERIFY(r.chooseFile("basic.ppt"));
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        r.w->Classes->setCurrentText("cs101fall26");
        r.setDate("Mar", "5", "2026");
        r.answerLectureExists(FrmFTPError::AppendSlides);
        QTest::mouseClick(r.w->Finish, Qt::LeftButton);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.w->imageFormat->currentText(), QString("JPG"));
        QCOMPARE(r.w->ExportPath->text(), work_.path());
        QCOMPARE(server_.readFile(lecture + "Slide1.jpg"), QByteArray("old one"));
        QCOMPARE(server_.readFile(lecture + "Slide2.jpg"), QByteArray("old two"));
        QImage third;
        QVERIFY(third.loadFromData(server_.readFile(lecture + "Slide3.jpg"), "JPG"));
        QCOMPARE(third.size(), QSize(616, 412));
        QVERIFY(server_.exists(lecture + "Slide4.jpg"));
        r.w->saveSettings();
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "ImageType", ""), QString("JPG"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Resolution", ""), QString("VGA"));
    }
};

QTEST_MAIN(TestWizardRoad)
#include "test_wizard_road.moc"
