// The presentation application layer against the real office: opening, counting, reading texts,
// exporting images, adding and deleting slides, and failing cleanly on bad files.

#include "OfficeTestSupport.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QUrl>

using officeTest::copyPresentation;

class TestOffice : public QObject {
    Q_OBJECT
    std::unique_ptr<office::Application> app_;
    QTemporaryDir files_;
    QString linebreaksPpt_;

    std::unique_ptr<office::Presentation> open(const QString& name) {
        const QString path = name == QLatin1String("linebreaks.ppt") ? linebreaksPpt_
                             : name == QLatin1String("fields.ppt")   ? files_.filePath(name)
                                                                   : copyPresentation(files_, name);
        if (path.isEmpty())
            qFatal("cannot copy %s", qPrintable(name));
        return app_->open(path);
    }

private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        app_ = office::Application::start();
        QVERIFY(app_->startedHere());
        QVERIFY(app_->isAlive());
        // A binary presentation holding line breaks inside paragraphs (code 11), made by the
        // office from the hand-written flat file.
        linebreaksPpt_ = testEnv::convertWithOffice(
            officeTest::localDataDir() + QStringLiteral("/linebreaks.fodp"), files_.path(), "ppt");
        QVERIFY2(!linebreaksPpt_.isEmpty(), "the office could not convert linebreaks.fodp");
        // The fields again in the binary format, where the office reads them as "<number>".
        open(QStringLiteral("fields.fodp"))->saveCopy(files_.filePath("fields.ppt"));
    }

    void cleanupTestCase() {
        if (app_)
            app_->quit();
        // A process the office forked may take a moment to follow it.
        QTRY_VERIFY_WITH_TIMEOUT(!officeTest::officeRunningOn(office::pipeName()), 10000);
    }

    // (A presentation of 68 slides is counted through the wizard-road test.)
    void slideCounts() {
        for (const auto& [file, count] :
             {std::pair("SampleShow.pptx", 2), {"incorrect_slide_order.ppt", 3}})
            QCOMPARE(open(file)->slideCount(), count);
    }

    // Texts in the program's convention: CR between paragraphs, code 11 for a line break.
    void shapeTexts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("slide");
        QTest::addColumn<int>("shape");
        QTest::addColumn<QString>("text");
        QTest::newRow("body paragraphs")
            << "basic_test_ppt_file.ppt" << 2 << 2
            << "This is page two\rIt has several blocks of text\rNone of them have formatting";
        QTest::newRow("empty paragraph kept")
            << "SampleShow.ppt" << 1 << 2
            << "Subtitle of the first slide\r\rThis bit is in italic green";
        QTest::newRow("out of order slides")
            << "incorrect_slide_order.ppt" << 2 << 2 << "Third slide I added";
        QTest::newRow("fourth text box") << "with_textbox.ppt" << 1 << 4 << "Plain Text ";
        QTest::newRow("empty placeholder") << "empty.ppt" << 1 << 1 << QString();
        QTest::newRow("beyond one code page")
            << "54880_chinese.ppt" << 1 << 1
            << "Single byte\r複数の文字\rカタカナ\rﾊﾝｶｸ\r表十ソ\r𠮟\r表Mixパﾋﾟ𠮟";
        QTest::newRow("line break in title")
            << "linebreaks.ppt" << 1 << 1 << "Title one\vsecond line";
        QTest::newRow("line break in body")
            << "linebreaks.ppt" << 1 << 2 << "Alpha\vstill alpha\r\rBeta <&>";
        // Fields read as the slide shows them, not as the office's placeholders.
        QTest::newRow("slide-number field alone") << "fields.fodp" << 1 << 1 << "1";
        QTest::newRow("slide number in a title") << "fields.fodp" << 2 << 1 << "Page 2";
        QTest::newRow("number, count, footer and date")
            << "fields.fodp" << 2 << 2 << "Slide 2 of 2\rCourse notes, 5 March 2026";
        QTest::newRow("binary: slide-number field alone") << "fields.ppt" << 1 << 1 << "1";
        QTest::newRow("binary: number, count, footer and date")
            << "fields.ppt" << 2 << 2 << "Slide 2 of 2\rCourse notes, 5 March 2026";
    }
    void shapeTexts() {
        QFETCH(QString, file);
        QFETCH(int, slide);
        QFETCH(int, shape);
        QFETCH(QString, text);
        auto presentation = open(file);
        QVERIFY(presentation->hasTextFrame(slide, shape));
        QCOMPARE(presentation->shapeText(slide, shape), text);
    }

    // The notes page as the presentation application has it: the slide image first (no text
    // frame), then the notes body; further placeholders count as shapes too.
    void notesPages_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("slide");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("basic 1") << "basic_test_ppt_file.ppt" << 1 << 2
                                 << "These are the notes for page 1";
        QTest::newRow("slide number placeholder")
            << "SampleShow.ppt" << 2 << 3
            << "These are the notes of the 2nd slide\rTHIS LINE IS BOLD";
        QTest::newRow("no notes text") << "bullets.ppt" << 1 << 2 << QString();
        QTest::newRow("line break in notes") << "linebreaks.ppt" << 1 << 2 << "One.\rTwo.\vThree.";
        QTest::newRow("slide number in notes") << "fields.fodp" << 2 << 2 << "Notes of slide 2";
        QTest::newRow("binary: slide number in notes")
            << "fields.ppt" << 2 << 2 << "Notes of slide 2";
    }
    void notesPages() {
        QFETCH(QString, file);
        QFETCH(int, slide);
        QFETCH(int, count);
        QFETCH(QString, text);
        auto presentation = open(file);
        QCOMPARE(presentation->notesShapeCount(slide), count);
        QVERIFY(!presentation->notesHasTextFrame(slide, 1));
        QVERIFY(presentation->notesHasTextFrame(slide, 2));
        QCOMPARE(presentation->notesShapeText(slide, 2), text);
        QCOMPARE(presentation->notesHasText(slide, 2), !text.isEmpty());
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->notesShapeText(slide, 1));
    }

    void requestsOutsideThePresentationFail() {
        auto presentation = open(QStringLiteral("basic_test_ppt_file.ppt"));
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->shapeCount(0));
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->shapeCount(3));
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->shapeText(1, 3));
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->hasTextFrame(1, 0));
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->notesShapeCount(5));
        QTemporaryDir out;
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 presentation->exportSlide(0, out.filePath("S"), "GIF", 9, 9));
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 presentation->exportSlide(1, out.filePath("S"), "GIF", 0, 9));
        QVERIFY(QDir(out.path()).isEmpty());
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->addSlide(3, 99)); // unknown layout
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->addSlide(5, 12)); // past the end
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->deleteSlide(3));
        QCOMPARE(presentation->slideCount(), 2);
        presentation->close();
        QVERIFY(!presentation->isOpen());
        QVERIFY_THROWS_EXCEPTION(Failure, presentation->slideCount());
    }

    // A slide framed in a GIF keeps the office's pixels: the picture inside the band is the one
    // the office draws at that size (but for a palette entry given to the band), for slides of
    // text and of pictures.
    void framedGifKeepsTheOfficePixels() {
        auto presentation = open(QStringLiteral("long-68-slides.ppt"));
        QTemporaryDir out;
        for (int slide : {1, 5, 30}) {
            const QString name = out.filePath(QStringLiteral("S%1").arg(slide));
            presentation->exportSlide(slide, name + "-exact", "GIF", 600, 450); // 4:3, no band
            presentation->exportSlide(slide, name + "-framed", "GIF", 700, 450);
            const QImage exact(name + "-exact.GIF"), framed(name + "-framed.GIF");
            QCOMPARE(framed.size(), QSize(700, 450));
            int differing = 0;
            for (int y = 0; y < 450; ++y)
                for (int x = 0; x < 600; ++x)
                    differing += exact.pixel(x, y) != framed.pixel(x + 50, y);
            QVERIFY2(differing < 600 * 450 / 1000, qPrintable(QString::number(differing)));
            for (int y : {0, 449})
                QCOMPARE(framed.pixel(10, y), framed.pixel(690, y));
            QCOMPARE(framed.pixel(10, 200), qRgb(0, 0, 0));
        }
    }

    // File and folder names that need escaping in the office's URLs.
    void awkwardNamesWork() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QString::fromUtf8("Vorträge #1 50% [a]"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QString::fromUtf8("/Über & #2 100%.ppt");
        QVERIFY(QFile::copy(testEnv::presentationsDir() + "/basic_test_ppt_file.ppt", path));
        auto presentation = app_->open(path);
        QCOMPARE(presentation->slideCount(), 2);
        presentation->exportSlide(1, folder + QString::fromUtf8("/Slide1 ä#%"), "GIF", 200, 150);
        QCOMPARE(QImage(folder + QString::fromUtf8("/Slide1 ä#%.GIF")).size(), QSize(200, 150));
    }

    // Files the office cannot open fail quickly with a reason, and the office stays usable.
    void badFilesFailCleanly_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // null: a test presentation, or nothing
        QTest::addColumn<QString>("reason");
        const QByteArray none;
        // Its header is damaged, but it holds an encryption stream and the office asks for a
        // password: it is refused as protected, in the one wording for that cause.
        QTest::newRow("encrypted, damaged header")
            << "corrupt-header.ppt" << none << "the presentation is password-protected";
        QTest::newRow("damaged records") << "corrupt-records.ppt" << none << "damaged";
        QTest::newRow("encrypted") << "password-protected.ppt" << none << "password-protected";
        // An encrypted binary deck without the encrypted summary stream (renamed here, so that
        // neither the office nor the look for the stream finds it): only its header says so.
        const auto utf16 = [](const char* name) {
            QByteArray bytes;
            for (const char* c = name; *c; ++c)
                bytes.append(*c).append('\0');
            return bytes;
        };
        QByteArray headerOnly =
            testEnv::readFile(testEnv::presentationsDir() + "/password-protected.ppt");
        QVERIFY(headerOnly.contains(utf16("EncryptedSummary")));
        headerOnly.replace(utf16("EncryptedSummary"), utf16("EncryptedSummarz"));
        QTest::newRow("encrypted, header only")
            << "header-only.ppt" << headerOnly << "the presentation is password-protected";
        QTest::newRow("missing") << "no-such-file.ppt" << none << "does not exist";
        QTest::newRow("folder") << "" << none << "cannot be read";
        QTest::newRow("not a presentation")
            << "notes.txt" << QByteArray("Just words.\n") << "not a presentation";
        QTest::newRow("empty file") << "zero.ppt" << QByteArray("") << "";
    }
    void badFilesFailCleanly() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = copyPresentation(dir, file);
        if (path.isEmpty())
            path = dir.filePath(file);
        if (!content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        QElapsedTimer timer;
        timer.start();
        try {
            app_->open(path);
            QFAIL("the file opened");
        } catch (const Failure& e) {
            QVERIFY2(e.description().contains(reason), qPrintable(e.description()));
        }
        QVERIFY2(timer.elapsed() < 60000, "opening hung"); // a hang guard, not a speed test
        QVERIFY(app_->isAlive());
        auto good = open(QStringLiteral("basic_test_ppt_file.ppt"));
        QCOMPARE(good->slideCount(), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 QFileInfo(path).isFile() ? 1 : 0); // no lock or backup file left behind
    }

    // An office of the program keeps its profile in the user's cache between runs; one that
    // another office version left is emptied first, one that a running process holds is not
    // shared, and one the office cannot start with is replaced by a fresh one.
    void keptProfileServesOrIsReplaced() {
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        qunsetenv("SF_TEST");
        const QString pipe = office::pipeName() + "_kept";
        const auto startedProfile = [&] {
            auto office = office::Application::start(pipe);
            const QList<qint64> pids = officeTest::officeProcesses(pipe);
            QString dir;
            if (!pids.isEmpty()) {
                QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pids.first()));
                cmdline.open(QIODevice::ReadOnly);
                for (const QByteArray& arg : cmdline.readAll().split('\0'))
                    if (arg.startsWith("-env:UserInstallation="))
                        dir = QUrl(QString::fromUtf8(arg.mid(22))).toLocalFile();
            }
            office->quit();
            return dir;
        };
        const QString kept = startedProfile();
        QVERIFY2(kept.startsWith(cache.path() + "/slide-ferry/"), qPrintable(kept));
        QVERIFY(testEnv::writeFile(kept + "/marker", "kept"));
        QCOMPARE(startedProfile(), kept);
        QVERIFY(QFile::exists(kept + "/marker"));

        QVERIFY(testEnv::writeFile(kept + "/slide-ferry-office-version", "an older office"));
        QCOMPARE(startedProfile(), kept);
        QVERIFY(!QFile::exists(kept + "/marker"));

        QProcess holder; // a process that runs with the profile, as an office left behind would
        holder.start("sh", {"-c", "sleep 60",
                            "-env:UserInstallation=" + QUrl::fromLocalFile(kept).toString()});
        QVERIFY(holder.waitForStarted());
        const QString other = startedProfile();
        QVERIFY2(!other.isEmpty() && other != kept, qPrintable(other));
        holder.kill();
        holder.waitForFinished();

        // The office cannot make its user folder where a file stands in the way.
        QVERIFY(QDir(kept + "/user").removeRecursively() &&
                testEnv::writeFile(kept + "/user", "damaged"));
        QCOMPARE(startedProfile(), kept);
        QVERIFY(QFileInfo(kept + "/user").isDir());
        qputenv("SF_TEST", "1");
        qunsetenv("XDG_CACHE_HOME");
    }

    // Decks the office itself saved with a password, in each zipped format: refused without a
    // password and with a wrong one (in the wording for each), opened with the right one, and
    // never written. A deck cut short opens only repaired, and says so.
    void protectedAndRepairedDecks() {
        try {
            const QString password = QStringLiteral("Secret pass 1");
            auto source = open(QStringLiteral("SampleShow.pptx"));
            QVERIFY(!source->repaired());
            for (const char* name : {"protected.odp", "protected.pptx"}) {
                const QString path = files_.filePath(name);
                source->saveCopy(path, password);
                const QByteArray bytes = testEnv::readFile(path);
                for (const QString& tried : {QString(), QStringLiteral("not it")}) {
                    try {
                        app_->open(path, tried);
                        QFAIL(name);
                    } catch (const office::PasswordNeeded& e) {
                        QCOMPARE(e.wrongPassword, !tried.isEmpty());
                        QVERIFY2(e.description().endsWith(
                                     tried.isEmpty() ? "the presentation is password-protected"
                                                     : "the password is wrong"),
                                 qPrintable(e.description()));
                    }
                }
                const auto opened = app_->open(path, password);
                QCOMPARE(opened->slideCount(), 2);
                QCOMPARE(opened->shapeText(1, 1), source->shapeText(1, 1));
                QVERIFY(!opened->repaired());
                opened->close();
                QCOMPARE(testEnv::readFile(path), bytes);
            }
            source->saveCopy(files_.filePath("whole.odp"));
            QVERIFY(
                testEnv::writeCutCopy(files_.filePath("whole.odp"), files_.filePath("cut.odp")));
            const auto cut = app_->open(files_.filePath("cut.odp"));
            QVERIFY(cut->repaired());
            QCOMPARE(cut->slideCount(), 2);
        } catch (const Failure& e) {
            QFAIL(qPrintable(e.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestOffice)
#include "test_office.moc"
