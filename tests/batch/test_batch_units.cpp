// The pieces the batch command is built from: text made safe for a terminal, the progress bar's
// slide count and time left, the switch to a UTF-8 locale, passwords taken out of the
// environment, a run's private working folder, and message boxes that never read markup. (The stop
// signals are tried on the real executables in test_batch_stop.)
#include "batch/TerminalProgress.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessInfo.h"
#include "platform/ProcessSetup.h"
#include "platform/Terminal.h"
#include "windows/Messages.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <langinfo.h>

namespace {
// What a TerminalProgress wrote to its lines, as bytes.
QByteArray writtenTo(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, static_cast<qsizetype>(n));
    return bytes;
}

// Calls `look` on the next modal window to open, then closes it.
void whenModalOpens(const std::function<void(QWidget*)>& look) {
    QTimer::singleShot(50, [look] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) {
            look(modal);
            modal->close();
        } else {
            whenModalOpens(look);
        }
    });
}
} // namespace

class TestBatchUnits : public QObject {
    Q_OBJECT
private slots:
    // Control characters are escaped; newlines, tabs and printable text of any script stay.
    void controlCharactersAreEscaped() {
        const struct {
            QString text, shown;
        } cases[] = {
            {"cs101\x1b[31mred\x1b[0m", R"(cs101\x1b[31mred\x1b[0m)"},
            {"a\rb\bc\x7f" + QString(QChar(0)), R"(a\x0db\x08c\x7f\x00)"},
            {QString(QChar(0x9B)) + "2J", R"(\u009b2J)"},
            {QString(QChar(0x202E)) + "txt.exe", R"(\u202etxt.exe)"},
            {QStringLiteral("Übung ö 中文 \U0001F600\tend\nline 2"),
             QStringLiteral("Übung ö 中文 \U0001F600\tend\nline 2")},
        };
        for (const auto& c : cases)
            QCOMPARE(terminal::escapeControls(c.text), c.shown);
    }

    // Every line the progress prints goes out escaped and in UTF-8; a stop request is seen and
    // said once.
    void progressLinesAreEscapedAndStopsAreSaid() {
        std::FILE* lines = std::tmpfile();
        QString reason;
        TerminalProgress progress(
            lines, [&] { return reason; }, false);
        progress.Add(QStringLiteral("Error: class \x1b]0;owned\x07 Übung"));
        progress.note(lines, QStringLiteral("two\nlines"));
        QVERIFY(!progress.cancelRequested());
        reason = "SIGTERM";
        QVERIFY(progress.cancelRequested());
        QVERIFY(progress.cancelRequested());
        const QByteArray written = writtenTo(lines);
        std::fclose(lines);
        QCOMPARE(written, QByteArray("Error: class \\x1b]0;owned\\x07 \xc3\x9c"
                                     "bung\ntwo\nlines\nStopping (SIGTERM): cleaning up...\n"));
    }

    // The bar counts the slides drawn, then the slides sent, and tells the time left from the
    // slides done so far (each slide is drawn, then sent: two steps).
    void barShowsSlidesAndTimeLeft() {
        std::FILE* lines = std::tmpfile();
        TerminalProgress progress(lines, {}, false);
        progress.startPresentation("talk.ppt");
        progress.begin(20);
        QVERIFY2(!progress.barText(100, 0).contains("/"), qPrintable(progress.barText(100, 0)));
        progress.setSlides(4);
        for (const char* line : {"", "Converting slides to images...", "Converting slide 1 to GIF",
                                 "Converting slide 2 to GIF"})
            progress.Add(line);
        QString bar = progress.barText(100, 10000);
        QVERIFY2(bar.contains(" 2/4 0:30 left talk.ppt"), qPrintable(bar));
        for (const char* line : {"Converting slide 3 to GIF", "Converting slide 4 to GIF",
                                 "Creating blank slide", "", "FTPing slides...", "FTPing slide 7"})
            progress.Add(line);
        bar = progress.barText(100, 25000);
        QVERIFY2(bar.contains(" 1/4 0:15 left"), qPrintable(bar));
        // A narrow terminal still gets the counts, without the name.
        QVERIFY2(progress.barText(30, 25000).endsWith(" 1/4 0:15 left"),
                 qPrintable(progress.barText(30, 25000)));
        // The transfer's status, once it comes, in place of the counts.
        TransferStatus status;
        status.done = 0.5;
        status.text = "Slide 1 of 4 \u00b7 20 of 40 KB sent";
        progress.showStatus(status);
        bar = progress.barText(100, 25000);
        QVERIFY2(bar.contains("]  50% " + status.text + " talk.ppt") &&
                     qAbs(bar.count('#') - bar.count('-')) <= 1,
                 qPrintable(bar));
        std::fclose(lines);

        QCOMPARE(timeLeftText(5000, 0, 8), QString());
        QCOMPARE(timeLeftText(61000, 1, 2), QStringLiteral("1:01 left"));
        QCOMPARE(timeLeftText(3600000, 1, 3), QStringLiteral("2:00:00 left"));
        QCOMPARE(timeLeftText(1000, 8, 8), QStringLiteral("0:00 left"));
    }

    // Under LC_ALL=C the process switches to a UTF-8 locale, also in the environment its
    // children inherit; under a UTF-8 locale nothing changes.
    void cLocaleBecomesUtf8ForTheProcessAndItsChildren() {
        const QByteArray savedAll = qgetenv("LC_ALL");
        const bool hadAll = qEnvironmentVariableIsSet("LC_ALL");
        qputenv("LC_ALL", "C");
        const QByteArray chosen = processSetup::useUtf8Locale();
        QVERIFY(chosen.toLower().contains("utf"));
        QCOMPARE(QByteArray(nl_langinfo(CODESET)), QByteArray("UTF-8"));
        QCOMPARE(qgetenv("LC_ALL"), chosen);
        QProcess child;
        child.start("locale", {"charmap"});
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("UTF-8"));
        QCOMPARE(processSetup::useUtf8Locale(), QByteArray());
        QCOMPARE(qgetenv("LC_ALL"), chosen);
        if (hadAll)
            qputenv("LC_ALL", savedAll);
        else
            qunsetenv("LC_ALL");
        std::setlocale(LC_ALL, "");
    }

    // A password taken from the environment is gone from it, for the process and its children;
    // an empty one is still a password given.
    // A run's private working folder; those that runs of this machine left when they were killed
    // outright go when the next run starts, while another run's, or another machine's, stay.
    void abandonedRunFoldersAreRemoved() {
        QTemporaryDir work;
        QProcess ended;
        ended.start("/bin/true");
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        const QString machine = processInfo::machineName();
        const QString abandoned =
            QStringLiteral("slide-ferry-%1-%2-aaaaaa").arg(machine).arg(endedPid);
        const QString running = QStringLiteral("slide-ferry-%1-%2-bbbbbb")
                                    .arg(machine)
                                    .arg(QCoreApplication::applicationPid());
        const QString elsewhere = QStringLiteral("slide-ferry-other.host-%1-cccccc").arg(endedPid);
        for (const QString& name : {abandoned, running, elsewhere})
            QVERIFY(QDir(work.path()).mkpath(name + "/sub"));
        {
            PrivateFolder folder(work.path());
            QVERIFY(folder.isValid());
            QVERIFY(QFileInfo(folder.path())
                        .fileName()
                        .startsWith(QStringLiteral("slide-ferry-%1-%2-")
                                        .arg(machine)
                                        .arg(QCoreApplication::applicationPid())));
            QCOMPARE(QFileInfo(folder.path()).permissions() & 0x0077, QFileDevice::Permissions());
            QStringList left{elsewhere, running, QFileInfo(folder.path()).fileName()};
            left.sort();
            QCOMPARE(QDir(work.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
                     left);
        }
        QCOMPARE(QDir(work.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
                 (QStringList{elsewhere, running}));
    }

    void secretsLeaveTheEnvironment() {
        qputenv("SF_TEST_SECRET", "s3cret");
        QCOMPARE(processSetup::takeSecret("SF_TEST_SECRET"), std::optional<QString>("s3cret"));
        QVERIFY(!qEnvironmentVariableIsSet("SF_TEST_SECRET"));
        QProcess child;
        child.start("sh", {"-c", "printf %s \"${SF_TEST_SECRET-unset}\""});
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.readAllStandardOutput(), QByteArray("unset"));
        QCOMPARE(processSetup::takeSecret("SF_TEST_SECRET"), std::nullopt);
        qputenv("SF_TEST_SECRET", "");
        QCOMPARE(processSetup::takeSecret("SF_TEST_SECRET"), std::optional<QString>(""));
    }

    // Message boxes and the password prompt show markup from a server as text.
    void messageBoxesShowPlainText() {
        const QString markup = "<b>cs101</b><img src=x>";
        Qt::TextFormat format = Qt::RichText;
        QString shown;
        whenModalOpens([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                format = box->textFormat();
                shown = box->text();
            }
        });
        messages::showCritical(markup, "Error!");
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown, markup);

        format = Qt::RichText;
        whenModalOpens([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w))
                format = box->textFormat();
        });
        QVERIFY(!messages::askYesNo(markup, "Question"));
        QCOMPARE(format, Qt::PlainText);

        QList<Qt::TextFormat> labels;
        whenModalOpens([&](QWidget* w) {
            for (const QLabel* label : w->findChildren<QLabel*>())
                if (label->text() == markup)
                    labels << label->textFormat();
        });
        QString password;
        QVERIFY(!messages::askPassword(markup, "Password", password));
        QCOMPARE(labels, QList<Qt::TextFormat>{Qt::PlainText});
    }
};

QTEST_MAIN(TestBatchUnits)
#include "test_batch_units.moc"
