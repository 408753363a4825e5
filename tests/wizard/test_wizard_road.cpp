// The wizard's road through its pages against the real server and office: what each page loads
// on entry, what Back undoes, and how a refused account or server keeps the wizard where it is.
#include "WizardRun.h"

#include "pipeline/ModuleSlideFerry.h"
#include "wizard/DriveList.h"

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <tuple>

class TestWizardRoad : public QObject {
    Q_OBJECT
    LectureWizard fx_;
    TestFtpServer* server_ = nullptr;

private slots:
    void initTestCase() {
        fx_.classes << "hist200spring27"
                    << "math150winter26";
        QVERIFY(fx_.start({"basic_test_ppt_file.ppt"}));
        server_ = fx_.server.get();
        QVERIFY(QFile::copy(testEnv::presentationsDir() + "/long-68-slides.ppt",
                            fx_.talks.filePath("long.PPT")));
    }
    void init() { QVERIFY(fx_.reset()); }

    void firstRunDefaultsOnEachPage() {
        QVERIFY(QFile::remove(fx_.settings.filePath("Slide-Ferry.ini"))); // nothing stored at all
        WizardRun r;
        auto* nextButton = r.named<QPushButton>("buttonNext");
        r.next();
        // Each page gives the focus to its first empty field, so that typing goes on there.
        QCOMPARE(r.w->focusWidget(), r.named<QLineEdit>("ID"));
        r.named<QLineEdit>("FTPMachine")->setText(server_->host());
        r.typeAccounts("ann", "pw123", *server_);
        r.next();
        QCOMPARE(r.page(), 2);
        auto* files = r.named<FileList>("fileList");
        QCOMPARE(r.w->focusWidget(), files);
        QVERIFY(!nextButton->isEnabled());
        r.named<DirectoryList>("dirList")->setPath(fx_.talks.path());
        QCOMPARE(files->count(), 2); // basic_test_ppt_file.ppt, long.PPT
        QVERIFY(r.chooseFile("basic_test_ppt_file.ppt"));
        r.next();
        QCOMPARE(r.page(), 3);
        auto* classes = r.named<QComboBox>("Classes");
        QCOMPARE((QStringList{r.named<QComboBox>("Term")->currentText(),
                              r.named<QComboBox>("cbYear")->currentText(), classes->currentText()}),
                 (QStringList{"All terms", "All years", ""}));
        QCOMPARE(classes->count(), 3);
        // Nothing remembered: the user picks the class; the focus waits in its box.
        QCOMPARE(r.w->focusWidget(), classes);
        classes->setCurrentIndex(0);
        r.next();
        QCOMPARE(r.page(), 4);
        auto* resolution = r.named<QComboBox>("Resolution");
        QCOMPARE(r.w->focusWidget(), resolution);
        QCOMPARE((QStringList{r.named<QLineEdit>("ExportPath")->text(),
                              r.named<QComboBox>("imageFormat")->currentText(),
                              resolution->currentText(), r.named<QLineEdit>("imageWidth")->text(),
                              r.named<QLineEdit>("imageHeight")->text()}),
                 (QStringList{QDir::tempPath(), "GIF", "XGA", "", ""}));
        // A named size is complete: Next is on, with no hint about a custom size.
        QVERIFY(nextButton->isEnabled());
        QCOMPARE(r.named<QLabel>("nextHint")->text(), QString());
        QVERIFY(r.named<QPushButton>("Finish")->isEnabled());
        QCOMPARE(r.messages, QStringList());
    }

    void pagesLoadTheRememberedChoicesOnEntry() {
        for (const auto& [key, value] : {std::pair("Term", "Fall"),
                                         {"Year", "2026"},
                                         {"Class", "cs101fall26"},
                                         {"ImageType", "JPG"},
                                         {"Resolution", "Custom"},
                                         {"CorvaneID", "remembered"},
                                         {"CustomWidth", "480"},
                                         {"CustomHeight", "640"}}) // crossed: width in imageHeight
            writeSetting(key, value);
        WizardRun r;
        auto* nextButton = r.named<QPushButton>("buttonNext");
        auto* finishButton = r.named<QPushButton>("Finish");
        auto* firstSlide = r.named<QComboBox>("firstSlide");
        auto* title = r.named<QLineEdit>("Title");
        auto* width = r.named<QLineEdit>("imageWidth");
        auto* height = r.named<QLineEdit>("imageHeight");
        const PresentationExport& presentation = WizardProbe::slideFerry(*r.w).presentation;
        r.next();
        QCOMPARE(r.named<QLineEdit>("CVID")->text(), QString("remembered"));
        QCOMPARE(r.named<QLineEdit>("CVPassword")->text(), QString()); // never a password
        r.typeAccounts("ann", "pw123", *server_);
        r.next();
        QCOMPARE(r.named<DirectoryList>("dirList")->path(), QDir(fx_.talks.path()).canonicalPath());
        QVERIFY(r.chooseFile("long.PPT"));
        r.next();
        QCOMPARE(r.page(), 3);
        QCOMPARE(firstSlide->count(), 68);
        QCOMPARE(r.named<QComboBox>("lastSlide")->currentText(), QString(" 68"));
        auto* classes = r.named<QComboBox>("Classes");
        QCOMPARE((QStringList{r.named<QComboBox>("Term")->currentText(),
                              r.named<QComboBox>("cbYear")->currentText(), classes->currentText()}),
                 (QStringList{"Fall", "2026", "cs101fall26"}));
        QCOMPARE(classes->count(), 1); // the filters apply to the listing
        // Next and Finish follow the title, and on the Advanced page Next follows the size.
        title->clear();
        QVERIFY(!nextButton->isEnabled() && !finishButton->isEnabled());
        title->setText("Typed title");
        QVERIFY(nextButton->isEnabled() && finishButton->isEnabled());
        r.next();
        QCOMPARE(r.page(), 4);
        QCOMPARE(r.named<QComboBox>("imageFormat")->currentText(), QString("JPG"));
        QVERIFY(!width->isHidden());
        QCOMPARE(width->text() + "x" + height->text(), QString("640x480"));
        QCOMPARE(chosenImageSize(*r.w).width(), 640);
        QVERIFY(nextButton->isEnabled());
        QTest::keyClick(r.named<QComboBox>("Resolution"), Qt::Key_Tab); // Tab is not typing
        QCOMPARE(r.w->focusWidget(), width);
        width->setText("0");
        QVERIFY(!nextButton->isEnabled() && finishButton->isEnabled());
        width->setText("640");

        // Back to the file page: the range lists empty, the presentation closes, Finish goes off.
        r.back();
        QVERIFY(r.page() == 3 && finishButton->isEnabled());
        r.back();
        QVERIFY(r.page() == 2 && !finishButton->isEnabled());
        r.back();
        QCOMPARE(r.page(), 1);
        QCOMPARE(firstSlide->count(), 0);
        QCOMPARE(presentation.slideCount(), 0);
        QVERIFY(nextButton->isEnabled());

        // Forward again: the title is the presentation's again, the lists are filled anew.
        r.next();
        QVERIFY(r.chooseFile("basic_test_ppt_file.ppt"));
        r.next();
        QCOMPARE(r.page(), 3);
        QVERIFY(title->text() != QString("Typed title"));
        QCOMPARE(firstSlide->count(), presentation.slideCount());

        // Done stores the fields, the custom size crossed again.
        width->setText("800");
        height->setText("600");
        r.w->saveSettings();
        QCOMPARE((QStringList{readSetting("CustomWidth"), readSetting("CustomHeight"),
                              readSetting("Directory")}),
                 (QStringList{"600", "800", QDir(fx_.talks.path()).canonicalPath()}));
        QCOMPARE(r.messages, QStringList());
    }

    // `slide-ferry FILE`: the file page opens on the file's drive and folder with it chosen,
    // over the remembered folder, whenever it is entered; a name the list does not hold chooses
    // nothing. A presentation dropped anywhere on the window is chosen the same way: on the file
    // page at once, from a later page the wizard goes back, from the start page it moves on to
    // the accounts; of several files the first is taken and the user told.
    void commandLineAndDroppedFilesAreChosen() {
        QTemporaryDir other;
        for (const char* name : {"Talk.PPTX", "talk.pptx", "notes.txt"})
            QVERIFY(
                QFile::copy(fx_.talks.filePath("basic_test_ppt_file.ppt"), other.filePath(name)));
        const QString folder = QDir(other.path()).canonicalPath();
        auto drop = [&](QWidget* on, const QStringList& names) {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString& n : names)
                urls << QUrl::fromLocalFile(other.filePath(n));
            data.setUrls(urls);
            // As a drag does it: the drop goes to the widget that accepted the drag's entry.
            QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(on, &enter);
            QDropEvent event(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &event);
        };
        WizardRun r;
        auto* nextButton = r.named<QPushButton>("buttonNext");
        auto* dirs = r.named<DirectoryList>("dirList");
        auto* drives = r.named<DriveList>("driveList");
        auto* files = r.named<FileList>("fileList");
        auto* filePage = r.named<PowerPointFilePage>("powerPointFilePage");
        auto* title = r.named<QLineEdit>("Title");
        auto* codePageNote = r.named<QLabel>("codePageNote");
        r.w->setCommandLineFile(other.filePath("Talk.PPTX"));
        QVERIFY(fx_.toFilePage(r));
        QCOMPARE(dirs->path(), folder);
        QCOMPARE(drives->drive(), drives->driveOf(folder));
        QCOMPARE(files->count(), 2);
        QCOMPARE(files->fileName(), QString("Talk.PPTX"));
        QVERIFY(filePage->fileChosen() && nextButton->isEnabled());
        r.next();
        QCOMPARE(r.page(), 3);
        QCOMPARE(WizardProbe::slideFerry(*r.w).presentation.slideCount(), 2);

        r.back();
        r.back();
        r.w->setCommandLineFile(other.filePath("notes.txt"));
        r.next();
        QCOMPARE(dirs->path(), folder);
        QVERIFY(!filePage->fileChosen() && !nextButton->isEnabled());
        QCOMPARE(r.messages, QStringList());

        drop(files, {"Talk.PPTX"});
        QVERIFY(filePage->fileChosen() && nextButton->isEnabled());
        r.next();
        QCOMPARE(r.page(), 3);
        // A title the server's code page cannot hold is warned of on the page.
        QVERIFY(codePageNote->isHidden());
        title->setText(QStringLiteral("\u039A\u03B1\u03BB\u03AE"));
        QVERIFY(codePageNote->isVisibleTo(r.w.get()));
        QVERIFY2(codePageNote->text().contains(QStringLiteral("the title (\u039A \u03B1")),
                 qPrintable(codePageNote->text()));

        drop(title, {"notes.txt", "Talk.PPTX"}); // onto a field that takes dropped text
        QCOMPARE(r.page(), 2);
        QVERIFY(!filePage->fileChosen());
        QCOMPARE(r.messages.size(), 2);
        QVERIFY2(r.messages[0].contains("2 files were dropped") &&
                     r.messages[0].contains("notes.txt is chosen") &&
                     r.messages[1].startsWith("notes.txt is not a presentation"),
                 qPrintable(r.shown()));

        r.back();
        r.back();
        drop(r.w.get(), {"Talk.PPTX"});
        QCOMPARE(r.page(), 1);
        r.typeAccounts("ann", "pw123", *server_);
        r.next();
        QCOMPARE(r.page(), 2);
        QCOMPARE(files->fileName(), QString("Talk.PPTX"));
    }

    // A server where nothing listens is reported once and keeps the wizard on its page; typing
    // another server asks for a new connection test. A refused account keeps the wizard on its
    // page too; without the account file the user hears why and may correct the server.
    void refusedServerOrAccountKeepsTheWizardOnItsPage() {
        WizardRun r;
        auto* server = r.named<QLineEdit>("FTPMachine");
        auto& page = *r.named<LumoraInfoPage>("lumoraInfoPage");
        r.next();
        server->setText("127.0.0.1:1");
        WizardProbe::setServerChanged(page, true);
        r.typeAccounts("ann", "PW123", *server_);
        r.next();
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages[0].startsWith("Error: ") && r.messages[0].endsWith(", 127.0.0.1:1"),
                 qPrintable(r.messages[0]));
        QCOMPARE(r.page(), 1);
        QVERIFY(!WizardProbe::serverChanged(page));

        server->selectAll();
        QTest::keyClicks(server, server_->host());
        r.next();
        QCOMPARE(r.messages.size(), 2);
        QVERIFY2(r.messages[1].startsWith("Bad user id or password\n") &&
                     r.messages[1].contains("Lumora account \"ann\""),
                 qPrintable(r.shown()));
        QCOMPARE(r.page(), 1);
        QVERIFY(r.named<QPushButton>("buttonNext")->isEnabled() &&
                r.named<QPushButton>("buttonBack")->isEnabled());
        QVERIFY(r.named<QLabel>("connecting")->isHidden());
        QVERIFY(!WizardProbe::serverChanged(page));

        QVERIFY(QFile::remove(server_->root() + "/lumora/admin/passwd"));
        r.named<QLineEdit>("Password")->setText("pw123");
        r.next();
        QCOMPARE(r.messages.size(), 3);
        QVERIFY2(r.messages[2].startsWith("Error: ") &&
                     r.messages[2].endsWith(", " + server_->host()),
                 qPrintable(r.messages[2]));
        QCOMPARE(r.page(), 1);
        QCOMPARE(r.ends, 0);
        QVERIFY(!QFile::exists(fx_.work.filePath("passwd")));
        QVERIFY(server_->writeFile("lumora/admin/passwd", "ann:pw123:Ann\n"));
        r.next();
        QCOMPARE(r.page(), 2);
        QCOMPARE(r.messages.size(), 3);
    }

    // The class the user chose stays chosen through focus changes and through filters that
    // still list it; a filter that excludes it gives way to the first class listed. A filter
    // lists as soon as it is chosen, and a click on Next during that listing acts once.
    void chosenClassStaysThroughFocusAndFilters() {
        writeSetting("Class", "math150winter26");
        WizardRun r;
        QVERIFY(fx_.toFilePage(r));
        // A double click on empty space does nothing; on a file it goes on as Next does.
        auto* fileList = r.named<FileList>("fileList");
        QWidget* files = fileList->viewport();
        QTest::mouseDClick(files, Qt::LeftButton, {}, QPoint(5, files->height() - 3));
        QCOMPARE(r.page(), 2);
        const QRect item = fileList->visualItemRect(
            fileList->findItems("basic_test_ppt_file.ppt", Qt::MatchExactly).first());
        QTest::mouseClick(files, Qt::LeftButton, {}, item.center());
        QTest::mouseDClick(files, Qt::LeftButton, {}, item.center());
        QCOMPARE(r.page(), 3);
        auto* classes = r.named<QComboBox>("Classes");
        auto* term = r.named<QComboBox>("Term");
        auto* year = r.named<QComboBox>("cbYear");
        auto* title = r.named<QLineEdit>("Title");
        QCOMPARE(classes->currentText(), QString("math150winter26"));
        QCOMPARE(r.w->focusWidget(), title); // the first field still empty

        for (QWidget* field :
             std::initializer_list<QWidget*>{term, r.named<QLineEdit>("Session"), year, title})
            field->setFocus();
        QCOMPARE(classes->count(), 3);
        QCOMPARE(classes->currentText(), QString("math150winter26"));

        auto choose = [](QComboBox* filter, const QString& text) {
            filter->setFocus();
            filter->setCurrentText(text);
            emit filter->activated(filter->currentIndex());
        };
        choose(term, "Winter"); // listed at once, the focus still in the filter
        QCOMPARE(classes->count(), 1);
        QCOMPARE(classes->currentText(), QString("math150winter26"));
        choose(term, "Spring");
        QCOMPARE(classes->currentText(), QString("hist200spring27"));
        choose(term, "All terms");
        QCOMPARE(classes->count(), 3);
        QCOMPARE(classes->currentText(), QString("hist200spring27"));
        choose(year, "1999");
        QCOMPARE(classes->count(), 0);
        choose(year, "All years");

        // Days a month does not have are refused on leaving the page, the lists left alone.
        for (const auto& [month, day, lectureYear] :
             {std::tuple("Feb", "31", "2026"), {"Apr", "31", "2026"}, {"Feb", "29", "2027"}}) {
            r.setDate(month, day, lectureYear);
            r.next();
            QCOMPARE(r.page(), 3);
            QVERIFY2(r.messages.last().contains("does not exist"), qPrintable(r.messages.last()));
            QCOMPARE(r.named<QComboBox>("comboDay")->currentText(), QString(day));
        }
        QCOMPARE(r.messages.size(), 3);

        // Next clicked while the filter's listing waits for the server acts once, afterwards.
        r.setDate("Feb", "29", "2024"); // a leap year the year list offers
        term->setFocus();
        term->setCurrentText("Spring");
        QTimer::singleShot(0, r.w.get(), [&r] { r.next(); });
        emit term->activated(term->currentIndex());
        QTRY_VERIFY2(r.page() == 4, qPrintable(r.shown()));
        QTest::qWait(50);
        QCOMPARE(r.page(), 4);
        QCOMPARE(r.messages.size(), 3);
        QCOMPARE(classes->currentText(), QString("hist200spring27"));
    }

    // Finish straight from the Lecture Info page, appending to a lecture stored as JPG: the
    // remembered format counts the old slides and names the new ones after them, and the new
    // slides' text follows the lecture's own slide-text file.
    void finishOnLecturePageAppendsWithTheRememberedChoices() {
        const QString lecture = "lumora/classes/cs101fall26/Mar.5.2026.1/";
        const QByteArray oldStml = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n";
        QVERIFY(server_->writeFile(lecture + "Slide1.jpg", "old one"));
        QVERIFY(server_->writeFile(lecture + "Slide2.jpg", "old two"));
        QVERIFY(server_->writeFile(lecture + "extract.stml", oldStml + "</stml>\r\n"));
        writeSetting("ImageType", "JPG");
        writeSetting("Resolution", "VGA");
        WizardRun r;
        QVERIFY(fx_.toLecturePage(r, "basic_test_ppt_file.ppt"));
        r.answerLectureExists(FrmFTPError::AppendSlides);
        r.finish();
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        QCOMPARE(r.named<QComboBox>("imageFormat")->currentText(), QString("JPG"));
        QCOMPARE(r.named<QLineEdit>("ExportPath")->text(), fx_.work.path());
        QCOMPARE(server_->readFile(lecture + "Slide1.jpg"), QByteArray("old one"));
        QCOMPARE(server_->readFile(lecture + "Slide2.jpg"), QByteArray("old two"));
        QImage third;
        QVERIFY(third.loadFromData(server_->readFile(lecture + "Slide3.jpg"), "JPG"));
        QCOMPARE(third.size(), QSize(616, 412));
        QCOMPARE(fx_.lectureFiles(),
                 (QStringList{"Slide1.jpg", "Slide2.jpg", "Slide3.jpg", "Slide4.jpg", "blank.jpg",
                              "description", "extract.stml"}));
        // The old slide text, then the two new slides, then one closing line.
        const QByteArray merged = server_->readFile(lecture + "extract.stml");
        QVERIFY2(merged.startsWith(oldStml + "<slide>\r\n") &&
                     merged.endsWith("</slide>\r\n</stml>\r\n"),
                 merged.constData());
        QCOMPARE(merged.count("<slide>"), 3);
        QCOMPARE(merged.count("</stml>"), 1);
        r.w->saveSettings();
        QCOMPARE(readSetting("ImageType") + readSetting("Resolution"), QString("JPGVGA"));
    }

    // Append chosen while GIF was the format, then JPG chosen on the Advanced page, the format
    // the lecture's slides already have: the slides are counted again at Finish, for JPG, and
    // the new ones follow them; no slide of the lecture is written over.
    void formatChangedAfterChoosingAppend() {
        const QString lecture = "lumora/classes/cs101fall26/Mar.5.2026.1/";
        const QStringList old{"Slide1.jpg", "Slide2.jpg", "Slide3.jpg", "Slide1.gif"};
        for (const QString& name : old)
            QVERIFY(server_->writeFile(lecture + name, "old " + name.toUtf8()));
        QVERIFY(server_->writeFile(lecture + "description", "Old\nann\ndate\r\n"));
        QVERIFY(server_->writeFile(lecture + "extract.stml", "<stml>\r\n</stml>\r\n"));
        writeSetting("ImageType", "GIF");
        WizardRun r;
        QVERIFY(fx_.toLecturePage(r, "basic_test_ppt_file.ppt"));
        r.answerLectureExists(FrmFTPError::AppendSlides);
        r.next();
        QCOMPARE(r.page(), 4);
        r.named<QComboBox>("imageFormat")->setCurrentText("JPG");
        r.finish();
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.shown()));
        for (const QString& name : old)
            QCOMPARE(server_->readFile(lecture + name), "old " + name.toUtf8());
        QCOMPARE(fx_.lectureFiles(),
                 (QStringList{"Slide1.gif", "Slide1.jpg", "Slide2.jpg", "Slide3.jpg", "Slide4.jpg",
                              "Slide5.jpg", "blank.jpg", "description", "extract.stml"}));
    }
};

QTEST_MAIN(TestWizardRoad)
#include "test_wizard_road.moc"
