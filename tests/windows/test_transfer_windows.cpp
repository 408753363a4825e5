// The windows of a transfer: the progress window, the lecture-exists dialog (its message, its
// modality, and the choice it answers), and the "Untrusted certificate" window (what it tells the
// user, and that only the trust button trusts; every other way out refuses).
#include "lecture/LectureRecord.h"
#include "platform/ProgramEnd.h"
#include "support/NamedChild.h"
#include "windows/FrmCertificate.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmProgress.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
using testUi::named;

QRadioButton* option(const FrmFTPError& dialog, int i) {
    return named<QRadioButton>(&dialog, QStringLiteral("ErrorOption_%1").arg(i));
}
// The option the dialog shows chosen (the first, should there be more), or -1.
int checkedOption(const FrmFTPError& dialog) {
    for (int i = 0; i < FrmFTPError::optionCount; ++i) {
        if (option(dialog, i)->isChecked())
            return i;
    }
    return -1;
}

// The certificate's details as the window lists them, a row a line: its name, a space and its
// value (a value shown on two lines joined again).
QString detailsShown(const FrmCertificate& w) {
    auto* grid = named<QGridLayout>(&w, "details");
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row) {
        const auto* name = qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget());
        const auto* value = qobject_cast<QLabel*>(grid->itemAtPosition(row, 1)->widget());
        rows << name->text() + ' ' + QString(value->text()).remove('\n');
    }
    return rows.join('\n');
}

// Runs one modal showing; `whileShown` runs inside it and must end it. A hang guard ends a
// showing that the action left open, with a result no check expects.
int showAndDo(FrmFTPError& dialog, const std::function<void()>& whileShown) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        whileShown();
    });
    QTimer::singleShot(20000, &dialog, [&] { dialog.done(-99); });
    const int result = dialog.choose();
    return ran ? result : -100;
}

CertificateInfo sample() {
    CertificateInfo c;
    c.host = QStringLiteral("ftp.example.org:2121");
    c.fingerprint = QStringLiteral(
        "90:5B:DE:63:BD:AF:35:EC:A1:FD:70:E8:C3:E3:9F:D7:D2:D5:00:13:D5:40:DA:41:75:03:0A:E9:BE:"
        "E9:8A:6F");
    c.reason = QStringLiteral("self-signed certificate");
    c.subject = QStringLiteral("CN=<b>ftp.example.org</b>");
    c.issuer = QStringLiteral("CN=<b>ftp.example.org</b>");
    c.validUntil = QStringLiteral("Dec  8 12:01:26 2026 GMT");
    return c;
}

// Runs action on the question window once it shows, then lets ask() return.
bool askAndAnswer(const CertificateInfo& c, const std::function<void(FrmCertificate&)>& action) {
    QTimer::singleShot(0, [action] {
        auto* w = qobject_cast<FrmCertificate*>(QApplication::activeModalWidget());
        if (!w) {
            qWarning("no question window");
            return;
        }
        action(*w);
    });
    return FrmCertificate::ask(c);
}

} // namespace

class TestTransferWindows : public QObject {
    Q_OBJECT

private slots:
    void init() {
        programEnd::setHandler([] {});
    }
    void cleanup() { programEnd::setHandler({}); }

    // Each line, the empty ones too, becomes the selected, fully visible newest row.
    void newestLineSelectedAndVisible() {
        const int lines = 600;
        FrmProgress w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QListWidget& list = *named<QListWidget>(&w, "Progress");
        for (int i = 0; i < lines; ++i) {
            const QString text = i % 7 == 0 ? QString() : QStringLiteral("FTPing slide %1").arg(i);
            w.Add(text);
            QCoreApplication::processEvents();
            QCOMPARE(list.count(), i + 1);
            QCOMPARE(list.item(i)->text(), text);
            QCOMPARE(list.selectedItems(), QList<QListWidgetItem*>{list.item(i)});
            const QRect row = list.visualItemRect(list.item(i));
            QVERIFY2(list.viewport()->rect().contains(row), qPrintable(QString::number(i)));
            // An empty line takes as much room as a line of text (the first line is empty).
            QVERIFY(row.height() >= list.fontMetrics().height());
        }
    }

    // Done answers only once it shows, to a click or a key, and only once.
    void doneOnlyAfterShowDone_data() {
        QTest::addColumn<int>("unused");
        for (const char* how : {"click", "enter-list", "return-button", "space-button"})
            QTest::newRow(how) << 0;
    }
    void doneOnlyAfterShowDone() {
        const QByteArray how = QTest::currentDataTag();
        FrmProgress w;
        auto* done = named<QPushButton>(&w, "Done");
        auto* list = named<QListWidget>(&w, "Progress");
        int calls = 0;
        // A second press arriving while the first is still being handled does not run it again.
        w.onDone = [&] {
            ++calls;
            QTest::mouseClick(done, Qt::LeftButton);
            programEnd::endProgram();
        };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Add("FTPing STML file");
        QVERIFY(!done->isVisible());
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(&w, Qt::Key_Enter);
        QCOMPARE(calls, 0);

        w.Add("Slide-Ferry complete");
        w.showDone();
        QVERIFY(done->isVisible());
        if (how == "click")
            QTest::mouseClick(done, Qt::LeftButton);
        else if (how == "enter-list")
            QTest::keyClick(list, Qt::Key_Enter);
        else if (how == "return-button")
            QTest::keyClick(done, Qt::Key_Return);
        else
            QTest::keyClick(done, Qt::Key_Space);
        QCOMPARE(calls, 1);
        QVERIFY(programEnd::hasEnded());
    }

    // The frame close is refused while files are being sent, but never leaves a window that
    // cannot go: after the end, or after a transfer that stopped early, it ends the program.
    void frameClose() {
        FrmProgress w;
        w.show();
        w.setTransferRunning(true);
        w.Add("FTPing slide 1");
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(!programEnd::hasEnded());

        w.setTransferRunning(false); // stopped without Done
        QVERIFY(w.close());
        QVERIFY(programEnd::hasEnded());

        FrmProgress finished;
        int closes = 0;
        finished.onClose = [&] { ++closes; };
        finished.show();
        finished.setTransferRunning(true);
        finished.showDone();
        QVERIFY(finished.close());
        QCOMPARE(closes, 1);
    }

    void barFollowsExpectedSteps() {
        FrmProgress w;
        auto* bar = named<QProgressBar>(&w, "transferBar");
        QVERIFY(bar->isHidden());
        w.setExpectedSteps(3);
        QVERIFY(!bar->isHidden());
        w.Add("");
        w.Add("a");
        QCOMPARE(bar->value(), 2);
        w.Add("b");
        w.Add("more lines than expected");
        QCOMPARE(bar->value(), 3);
        QCOMPARE(named<QListWidget>(&w, "Progress")->count(), 4);
        w.setExpectedSteps(10);
        w.Add("c");
        w.showDone();
        QCOMPARE(bar->value(), bar->maximum());
    }

    // While the dialog is up the wizard takes no input, but the help window beside it does.
    void blocksOnlyTheWizard() {
        QPushButton wizard("Next >"), help("Close");
        int wizardClicks = 0, helpClicks = 0;
        connect(&wizard, &QPushButton::clicked, [&] { ++wizardClicks; });
        connect(&help, &QPushButton::clicked, [&] { ++helpClicks; });
        wizard.show();
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        LectureRecord fields;
        FrmFTPError dialog(fields, &wizard);
        // Clicks as the window system delivers them, so that modality applies.
        QCOMPARE(showAndDo(dialog,
                           [&] {
                               for (QPushButton* b : {&wizard, &help})
                                   QTest::mouseClick(b->windowHandle(), Qt::LeftButton, {},
                                                     QPoint(5, 5));
                               named<QPushButton>(&dialog, "Done")->click();
                           }),
                 -1);
        QCOMPARE(wizardClicks, 0);
        QCOMPARE(helpClicks, 1);
    }

    // Nothing is chosen by the dialog itself (the first option only has the focus). The choice
    // made with Done is kept for the next showing; closing without Done discards it (by Escape
    // or the frame), and Done with nothing chosen answers -1. Each showing tells the lecture's
    // fields as they are then.
    void choiceKeptUntilClosedWithoutDone_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < FrmFTPError::optionCount; ++i)
            QTest::addRow("option %d", i) << i;
    }
    void choiceKeptUntilClosedWithoutDone() {
        QFETCH(int, index);
        LectureRecord fields;
        fields.className = "cs101";
        fields.month = "Feb";
        fields.day = "3";
        fields.year = "1999";
        FrmFTPError dialog(fields);
        auto* done = named<QPushButton>(&dialog, "Done");
        auto* message = named<QLabel>(&dialog, "Label1");
        QList<int> atStart;
        QStringList shown;
        const auto showing = [&](const std::function<void()>& action) {
            return showAndDo(dialog, [&] {
                atStart << checkedOption(dialog);
                shown << message->text();
                action();
            });
        };
        QCOMPARE(showing([&] {
                     QCOMPARE(dialog.focusWidget(), option(dialog, 0));
                     QTest::mouseClick(option(dialog, 3 - index), Qt::LeftButton);
                     QTest::mouseClick(option(dialog, index), Qt::LeftButton);
                     done->click();
                 }),
                 index);
        fields.className = "Math 2 & <Stats>";
        fields.month = "Dec";
        fields.day = "31";
        fields.year = "2026";
        QCOMPARE(showing([&] {
                     QTest::mouseClick(option(dialog, 3 - index), Qt::LeftButton);
                     if (index % 2 == 0)
                         QTest::keyClick(&dialog, Qt::Key_Escape);
                     else
                         dialog.close();
                 }),
                 -1);
        QCOMPARE(checkedOption(dialog), -1);
        QCOMPARE(showing([&] { QTest::keyClick(&dialog, Qt::Key_Return); }), -1);
        QCOMPARE(atStart, (QList<int>{-1, index, -1}));
        const QString later = "A lecture for Math 2 & <Stats> already exists on Dec 31 2026";
        QCOMPARE(shown,
                 (QStringList{"A lecture for cs101 already exists on Feb 3 1999", later, later}));
        QVERIFY(!dialog.isVisible());
    }

    // What the window tells, for a first certificate and for one that replaces a trusted one.
    void tellsHostFingerprintAndReason_data() {
        QTest::addColumn<QString>("trustedBefore");
        QTest::newRow("first") << "";
        QTest::newRow("changed") << "AA:BB";
    }
    void tellsHostFingerprintAndReason() {
        QFETCH(QString, trustedBefore);
        CertificateInfo c = sample();
        c.trustedBefore = trustedBefore;
        FrmCertificate w(c);
        QVERIFY(named<QLabel>(&w, "Message")
                    ->text()
                    .contains("ftp.example.org:2121 could not be verified: "
                              "self-signed certificate."));
        QCOMPARE(named<QLabel>(&w, "Message")
                     ->text()
                     .contains("not the certificate that was trusted for this server "
                               "before"),
                 !trustedBefore.isEmpty());
        const QString details = detailsShown(w);
        for (const QString& line :
             QStringList{"Server: ftp.example.org:2121", "SHA-256 fingerprint: " + c.fingerprint,
                         QString("Reason: self-signed certificate"),
                         QString("Valid until: " + c.validUntil),
                         QString("Issued to: CN=<b>ftp.example.org</b>")})
            QVERIFY2(details.contains(line), qPrintable(details));
        QCOMPARE(details.contains("Trusted before: AA:BB"), !trustedBefore.isEmpty());
        QVERIFY(named<QPushButton>(&w, "Refuse")->isDefault());
        // Names come from the server: shown as they are, never as markup.
        for (QLabel* label : w.findChildren<QLabel*>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    // An SSH server's host key: the same question in a key's words, its type and fingerprint.
    void tellsAboutAHostKey() {
        CertificateInfo c;
        c.host = QStringLiteral("files.example.edu:22");
        c.fingerprint = QStringLiteral("SHA256:ylzA2zi63vRaZ7Zxdv971cuLsC4T8tTQ4UshFvraT3U");
        c.subject = QStringLiteral("ED25519");
        c.hostKey = true;
        FrmCertificate w(c);
        QCOMPARE(w.windowTitle(), QString("Unknown server key"));
        QVERIFY(named<QLabel>(&w, "Message")
                    ->text()
                    .startsWith("The SSH key of the server files.example.edu:22 is not known yet"));
        QCOMPARE(named<QPushButton>(&w, "Trust")->text(), QString("Trust this key"));
        const QString details = detailsShown(w);
        for (const char* line :
             {"Server: files.example.edu:22", "Key type: ED25519", "SHA-256 fingerprint: SHA256:"})
            QVERIFY2(details.contains(line), qPrintable(details));
        QVERIFY(named<QPushButton>(&w, "Refuse")->isDefault());
    }

    // Only the trust button trusts.
    void answers_data() {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("trust") << true;
        for (const char* way : {"refuse", "enter", "escape", "close"})
            QTest::newRow(way) << false;
    }
    void answers() {
        const QByteArray action = QTest::currentDataTag();
        QFETCH(bool, trusted);
        const bool answer = askAndAnswer(sample(), [action](FrmCertificate& w) {
            if (action == "trust")
                QTest::mouseClick(named<QPushButton>(&w, "Trust"), Qt::LeftButton);
            else if (action == "refuse")
                QTest::mouseClick(named<QPushButton>(&w, "Refuse"), Qt::LeftButton);
            else if (action == "enter")
                QTest::keyClick(&w, Qt::Key_Return);
            else if (action == "escape")
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                w.close();
        });
        QCOMPARE(answer, trusted);
    }
};

QTEST_MAIN(TestTransferWindows)
#include "test_transfer_windows.moc"
