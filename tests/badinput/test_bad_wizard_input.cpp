// Bad input given to the real wizard, against the real local Lumora server and the real office:
// damaged and encrypted presentations, texts longer than 32,767 characters, and page values at
// their limits. Each case ends with one clear message (or a complete lecture), never a hang.
#include "../faults/LectureWizard.h"

#include "pipeline/ModuleSlideFerry.h"

#include <QElapsedTimer>

namespace {
// A presentation of one slide whose title, body and notes are each longer than 32,767
// characters, in the office's flat XML format.
QByteArray longTextPresentation(const QByteArray& title, const QByteArray& body,
                                const QByteArray& notes) {
    const QByteArray frame =
        R"(<draw:frame svg:x="2cm" svg:y="2cm" svg:width="24cm" svg:height="9cm" )";
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
  xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation><draw:page draw:name="page1">)" +
           frame + R"(presentation:class="title"><draw:text-box><text:p>)" + title +
           "</text:p></draw:text-box></draw:frame>" + frame +
           R"(presentation:class="outline"><draw:text-box><text:p>)" + body +
           "</text:p><text:p>second</text:p></draw:text-box></draw:frame><presentation:notes>" +
           R"(<draw:page-thumbnail presentation:class="page" svg:width="14cm" svg:height="10cm"/>)" +
           frame + R"(presentation:class="notes"><draw:text-box><text:p>)" + notes +
           "</text:p></draw:text-box></draw:frame></presentation:notes>" +
           "</draw:page></office:presentation></office:body></office:document>\n";
}
} // namespace

class TestBadWizardInput : public QObject {
    Q_OBJECT
    LectureWizard fx_;
    const QString goodFile_ = QStringLiteral("basic_test_ppt_file.ppt");

private slots:
    void initTestCase() {
        QVERIFY(fx_.start(
            {goodFile_, "corrupt-header.ppt", "corrupt-records.ppt", "password-protected.ppt"}));
    }
    void init() { QVERIFY(fx_.reset()); }
    void cleanupTestCase() { fx_.server.reset(); }

    // A presentation the office cannot open: Next on the file page shows one message with the
    // reason and the host, promptly, and stays on the page, where a good file then goes
    // through; the file itself is left untouched.
    void damagedPresentation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("encrypted, damaged header")
            << QStringLiteral("corrupt-header.ppt") << "the presentation is password-protected";
        QTest::newRow("damaged records") << QStringLiteral("corrupt-records.ppt") << "damaged";
        QTest::newRow("encrypted") << QStringLiteral("password-protected.ppt") << "password";
    }
    void damagedPresentation() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        WizardRun r;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!fx_.toLecturePage(r, name));
        // A hang guard only: opening must not wait for a password or a repair dialog.
        QVERIFY2(clock.elapsed() < 120000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(r.messages.size(), 1);
        const QString& shown = r.messages.first();
        QVERIFY2(shown.startsWith("Error: ") && shown.contains(reason) &&
                     shown.endsWith(", " + fx_.server->host()),
                 qPrintable(shown));
        QCOMPARE(r.ends, 0);
        QCOMPARE(r.w->currentPage, 2);
        QVERIFY(!r.w->moduleSlideFerry().presentation.isOpen());
        QVERIFY(r.chooseFile(goodFile_));
        r.next();
        QCOMPARE(r.w->currentPage, 3);
        QCOMPARE(r.messages.size(), 1);
        QFile original(testEnv::presentationsDir() + "/" + name), used(fx_.talks.filePath(name));
        QVERIFY(original.open(QIODevice::ReadOnly) && used.open(QIODevice::ReadOnly));
        QVERIFY(original.readAll() == used.readAll());
    }

    // Title and body texts past 32,767 characters come through the office whole: the server's
    // slide-text file holds every character.
    void textsLongerThan32767() {
        const QByteArray title = "T" + QByteArray(40000, 't') + "END";
        const QByteArray body = "B" + QByteArray(40000, 'b') + "END";
        const QByteArray notes = "N" + QByteArray(40000, 'n') + "END";
        // The wizard lists presentations by their usual name; the office reads them by content.
        QFile f(fx_.talks.filePath("long-text.ppt"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(longTextPresentation(title, body, notes)));
        f.close();
        WizardRun r;
        QVERIFY(fx_.toAdvancedPage(r, "long-text.ppt"));
        QVERIFY(r.w->Title->text().startsWith("Tttt"));
        LectureWizard::finish(r);
        QVERIFY2(r.messages.isEmpty(), qPrintable(r.messages.join(" | ")));
        QCOMPARE(r.progressLines().last(), QString("Slide-Ferry complete"));
        const QByteArray stml =
            fx_.server->readFile("lumora/classes/cs101fall26/Mar.5.2026.1/extract.stml");
        // The office itself breaks a paragraph longer than 16,384 characters into several
        // (so the title gains breaks, which become spaces on its one line, and the body more
        // sentences); every character still arrives.
        QByteArray flat = stml;
        flat.replace("\r", "");
        flat.replace(" ", "");
        flat.replace("</sentence>\n<sentence>", "");
        QCOMPARE(flat, "<stml>\n<slide>\n<title>" + title + "</title>\n<sentence>" + body +
                           "second</sentence>\n</slide>\n</stml>\n");
    }

    // An empty session number is refused on the lecture page, which stays open for a
    // correction; nothing is created on the server.
    void emptySession() {
        WizardRun r;
        QVERIFY(fx_.toLecturePage(r, goodFile_));
        r.w->Session->clear();
        r.next();
        QCOMPARE(r.messages, QStringList{"Error: No session number given for the lecture, " +
                                         fx_.server->host()});
        QCOMPARE(r.w->currentPage, 3);
        QCOMPARE(r.ends, 0);
        QVERIFY(r.w->buttonNext->isEnabled());
        QCOMPARE(fx_.lectures(), QStringList());
        QTest::mouseClick(r.w->Cancel, Qt::LeftButton);
        QCOMPARE(r.ends, 1);
    }

    // The next free session after 32767 does not exist: one message, the end, the existing
    // lecture untouched and no other created.
    void noSessionAfter32767() {
        QVERIFY(fx_.server->makeDir("lumora/classes/cs101fall26/Mar.5.2026.32767"));
        WizardRun r;
        QVERIFY(fx_.toLecturePage(r, goodFile_));
        r.w->Session->setText("32767");
        r.answerLectureExists(FrmFTPError::NewSession);
        r.next();
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages.first().contains("32767"), qPrintable(r.messages.first()));
        QCOMPARE(r.ends, 1);
        QCOMPARE(fx_.lectures(), QStringList{"Mar.5.2026.32767"});
    }

    // The largest custom size the boxes take is more than the office can draw: the transfer
    // says so before anything is sent.
    void largestCustomSize() {
        WizardRun r;
        QVERIFY(fx_.toAdvancedPage(r, goodFile_));
        r.w->Resolution->setCurrentIndex(0);
        r.w->imageWidth->setText("32767");
        r.w->imageHeight->setText("32767");
        LectureWizard::finish(r);
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages.first().contains("32767 x 32767"), qPrintable(r.messages.first()));
        QCOMPARE(r.ends, 1);
        QVERIFY(!r.progressLines().contains("FTPing slides..."));
        QCOMPARE(fx_.lectures(), QStringList());
    }
};

QTEST_MAIN(TestBadWizardInput)
#include "test_bad_wizard_input.moc"
