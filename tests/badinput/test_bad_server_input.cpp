// What the server hands the program, at its worst, through the real local Lumora server: account
// files that are huge or malformed, class listings that are long or hold odd names, lectures
// numbered far past the usual slide counts and session numbers at the 16-bit limit.
#include "platform/Failure.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"
#include "support/LumoraServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <sys/stat.h>

namespace {

// A byte string with the NUL bytes its literal holds.
template <size_t N> QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, static_cast<qsizetype>(N - 1));
}

class ListProgress : public ProgressSink {
public:
    QStringList lines;
    void Add(const QString& text) override { lines.append(text); }
};

struct Run {
    TransferControl inet;
    PlainWizardFields fields;
    ModuleFtp m{inet, fields};
    QTemporaryDir work;
    ListProgress progress;
    QStringList shown;
    int cleanUps = 0;
    int choice = -1;

    explicit Run(const LumoraServer& server) {
        messages::setSink([this](const QString& text, const QString&) { shown.append(text); });
        programEnd::setHandler([] {});
        fields.ftpMachineV = server.host();
        fields.cvidV = server.user();
        fields.cvPasswordV = server.password();
        fields.exportPathV = work.path();
        fields.classV = QStringLiteral("cs101");
        fields.monthV = QStringLiteral("Mar");
        fields.dayV = QStringLiteral("5");
        fields.yearV = QStringLiteral("2026");
        m.progress = &progress;
        m.cleanUp = [this] { ++cleanUps; };
        m.askLectureExists = [this] { return choice; };
        inet.setTimeouts(10000, 20000);
    }
    ~Run() {
        messages::setSink({});
        programEnd::setHandler({});
    }
    bool writeLocal(const QString& name, const QByteArray& data) {
        QFile f(work.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
};

} // namespace

class TestBadServerInput : public QObject {
    Q_OBJECT
    std::optional<LumoraServer> server_;
    std::optional<Run> run_;

    Run& connected() {
        run_.emplace(*server_);
        if (!run_->m.ftpConnect())
            qWarning("connection test failed: %s", qPrintable(run_->shown.join('\n')));
        return *run_;
    }
    QStringList files(const QString& dir) const {
        return QDir(server_->lumoraDir() + "/" + dir).entryList(QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase() {
        server_.emplace();
        QVERIFY2(server_->start(), qPrintable(server_->error()));
    }
    void init() {
        QVERIFY(QDir(server_->lumoraDir() + "/classes").removeRecursively());
        QVERIFY(server_->makeDir("lumora/classes/cs101"));
    }
    void cleanup() { run_.reset(); }
    void cleanupTestCase() { server_.reset(); }

    // The account file as the server holds it, checked for the user ann with password pw.
    void accountFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("accepted");
        QByteArray big;
        for (int i = 0; big.size() < 5'000'000; ++i)
            big += "user" + QByteArray::number(i) + ":pw" + QByteArray::number(i) + ":x\n";
        QTest::newRow("5 MB, match last") << big + "ann:pw:Ann\n" << true;
        QTest::newRow("5 MB, no match") << big << false;
        QTest::newRow("empty lines and lines without colon")
            << QByteArray("\n\n\njunk\nann\nann:pw\n\nann:pw:Ann\n") << true;
        QTest::newRow("a line of 1 MB before the match")
            << QByteArray(1 << 20, 'x') + "\nann:pw:Ann\n"
            << true;
        QTest::newRow("a line of 1 MB of colons") << QByteArray(1 << 20, ':') + "\n" << false;
        QTest::newRow("NUL bytes around the match") << bytes("\0\0\n\0:\0:\nann:pw:\0\n") << true;
        QTest::newRow("NUL inside the password") << bytes("ann:p\0w:Ann\n") << false;
        // The file is read up to its first CR: a file with Windows line ends yields no line.
        QTest::newRow("CR LF line ends") << QByteArray("ann:pw:Ann\r\n") << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("binary junk") << QByteArray(4096, '\xff') << false;
    }
    void accountFile() {
        QFETCH(QByteArray, file);
        QFETCH(bool, accepted);
        QVERIFY(server_->writeFile("lumora/admin/passwd", file));
        Run& r = connected();
        r.fields.idV = QStringLiteral("ann");
        r.fields.passwordV = QStringLiteral("pw");
        QCOMPARE(ftpCheckAccount(r.m), accepted);
        QVERIFY(r.shown.isEmpty());
        QCOMPARE(QDir(r.work.path()).entryList(QDir::Files), QStringList());
    }

    // Every class of a listing reaches the class list, however many there are and whatever
    // their names hold.
    void classListing_data() {
        QTest::addColumn<QStringList>("names");
        QStringList many;
        for (int i = 0; i < 3000; ++i)
            many << QStringLiteral("class%1fall26").arg(i, 4, 10, QLatin1Char('0'));
        QTest::newRow("3000 classes") << many;
        QTest::newRow("blanks") << QStringList{" leading", "in between", "trailing ", "two  "};
        QTest::newRow("non-ASCII") << QStringList{
            QString::fromUtf8("Übung"), QString::fromUtf8("日本語"), QString::fromUtf8("café 😀")};
        // (Names beginning with a dot are hidden by the server and never listed.)
        QTest::newRow("punctuation") << QStringList{"a#b", "c;d", "e?f", "[g]", "h*i", "x.y."};
    }
    void classListing() {
        QFETCH(QStringList, names);
        QVERIFY(QDir(server_->lumoraDir() + "/classes").removeRecursively());
        for (const QString& n : names)
            QVERIFY2(server_->makeDir("lumora/classes/" + n), qPrintable(n));
        Run& r = connected();
        ftpListClasses(r.m);
        QVERIFY2(r.shown.isEmpty(), qPrintable(r.shown.join('\n')));
        QStringList expected = names;
        expected.sort();
        QStringList got = r.fields.classes;
        got.sort();
        QCOMPARE(got.join("|"), expected.join("|"));
    }

    // A class name that is not UTF-8 on the server cannot be named back to it: it is listed
    // (with a substitute character) beside the other classes, and a lecture for it stops at
    // the upload with a message, without creating anything anywhere on the server.
    void classNameNotUtf8() {
        QVERIFY(QDir(server_->lumoraDir() + "/classes").removeRecursively());
        QVERIFY(server_->makeDir("lumora/classes/good"));
        const QByteArray bad = QFile::encodeName(server_->lumoraDir() + "/classes/") + "caf\xe9";
        QCOMPARE(::mkdir(bad.constData(), 0755), 0); // the raw bytes, not valid UTF-8
        Run& r = connected();
        ftpListClasses(r.m);
        QVERIFY(r.shown.isEmpty());
        QCOMPARE(r.fields.classes.size(), 2);
        QVERIFY2(r.fields.classes.contains("good"), qPrintable(r.fields.classes.join('|')));
        r.fields.classes.removeAll("good");
        r.fields.classV = r.fields.classes.first();

        bool append = false;
        QVERIFY(ftpFindLecture(r.m, append));
        QVERIFY(r.writeLocal("blank.GIF", "b") && r.writeLocal("Slide1.GIF", "1") &&
                r.writeLocal("description", "d") && r.writeLocal("extract.stml", "s"));
        QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(r.m));
        QCOMPARE(r.shown.size(), 1);
        QVERIFY2(r.shown.first().contains("12003"), qPrintable(r.shown.first()));
        QCOMPARE(r.cleanUps, 1);
        // The class stayed empty (it can be removed) and no other directory was created.
        QCOMPARE(::rmdir(bad.constData()), 0);
        const QString classes = server_->lumoraDir() + "/classes";
        QCOMPARE(QDir(classes).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"good"});
        QCOMPARE(QDir(classes + "/good").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Slide numbers with four and five digits are written in full, in the progress lines and
    // in the server's names.
    void slideNumbersPast999_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("offset");
        QTest::newRow("presentation slides 998-1001, new lecture") << 998 << 1001 << 0;
        QTest::newRow("appended after 998 slides") << 1 << 3 << 998;
        QTest::newRow("up to the last number") << 1 << 2 << 32765;
    }
    void slideNumbersPast999() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, offset);
        Run& r = connected();
        r.fields.firstSlideV = QStringLiteral(" %1").arg(first);
        r.fields.lastSlideV = QStringLiteral(" %1").arg(last);
        r.m.lectureDir = QStringLiteral("classes/cs101/Mar.5.2026.1/");
        r.m.slideOffset = static_cast<int16_t>(offset);
        QVERIFY(r.writeLocal("blank.GIF", "b") && r.writeLocal("description", "d") &&
                r.writeLocal("extract.stml", "s"));
        QStringList expectedNames{"blank.gif", "description", "extract.stml"};
        QStringList expectedLines{"", "FTPing slides..."};
        for (int i = first; i <= last; ++i) {
            QVERIFY(r.writeLocal(QStringLiteral("Slide%1.GIF").arg(i), QByteArray::number(i)));
            expectedNames << QStringLiteral("Slide%1.gif").arg(offset + i - first + 1);
            expectedLines << QStringLiteral("FTPing slide %1").arg(i);
        }
        expectedLines << "FTPing description"
                      << "FTPing STML file";
        ftpUploadLecture(r.m);
        QVERIFY2(r.shown.isEmpty(), qPrintable(r.shown.join('\n')));
        QCOMPARE(r.progress.lines, expectedLines);
        expectedNames.sort();
        QCOMPARE(files("classes/cs101/Mar.5.2026.1"), expectedNames);
        QCOMPARE(
            server_->readFile(
                QStringLiteral("lumora/classes/cs101/Mar.5.2026.1/Slide%1.gif").arg(offset + 1)),
            QByteArray::number(first));
    }

    // Slides that would be numbered past 32767 are refused before anything is sent: the
    // lecture on the server stays as it was.
    void slideNumbersBeyondTheLimit() {
        QVERIFY(server_->makeDir("lumora/classes/cs101/Mar.5.2026.1"));
        Run& r = connected();
        r.fields.firstSlideV = QStringLiteral(" 1");
        r.fields.lastSlideV = QStringLiteral(" 3");
        r.m.lectureDir = QStringLiteral("classes/cs101/Mar.5.2026.1/");
        r.m.slideOffset = 32766;
        QVERIFY(r.writeLocal("blank.GIF", "b") && r.writeLocal("description", "d") &&
                r.writeLocal("extract.stml", "s"));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(r.writeLocal(QStringLiteral("Slide%1.GIF").arg(i), "x"));
        QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(r.m));
        QCOMPARE(r.shown.size(), 1);
        QVERIFY2(r.shown.first().contains("32767"), qPrintable(r.shown.first()));
        QCOMPARE(r.cleanUps, 1);
        QCOMPARE(files("classes/cs101/Mar.5.2026.1"), QStringList());
    }

    // Session numbers at the 16-bit limit: the largest is an ordinary lecture; asking for the
    // next free number after it fails with a message instead of wrapping around; an empty
    // session is refused on the page.
    void sessionNumbers_data() {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("existing"); // lecture already on the server, or ""
        QTest::addColumn<QString>("outcome");  // lecture directory, "refused" or "failure"
        QTest::newRow("32767, new") << "32767"
                                    << ""
                                    << "classes/cs101/Mar.5.2026.32767/";
        QTest::newRow("32768 typed, new") << "32768"
                                          << ""
                                          << "classes/cs101/Mar.5.2026.32768/";
        QTest::newRow("32767 exists, next session") << "32767"
                                                    << "Mar.5.2026.32767"
                                                    << "failure";
        QTest::newRow("32768 exists, next session") << "32768"
                                                    << "Mar.5.2026.32768"
                                                    << "failure";
        QTest::newRow("32766 exists, next session") << "32766"
                                                    << "Mar.5.2026.32766"
                                                    << "classes/cs101/Mar.5.2026.32767/";
        QTest::newRow("empty") << ""
                               << ""
                               << "refused";
    }
    void sessionNumbers() {
        QFETCH(QString, session);
        QFETCH(QString, existing);
        QFETCH(QString, outcome);
        if (!existing.isEmpty())
            QVERIFY(server_->makeDir("lumora/classes/cs101/" + existing));
        Run& r = connected();
        r.fields.sessionV = session;
        r.choice = NextSession;
        bool append = false;
        if (outcome == "failure") {
            QVERIFY_THROWS_EXCEPTION(Failure, ftpFindLecture(r.m, append));
        } else if (outcome == "refused") {
            QVERIFY(!ftpFindLecture(r.m, append));
            QCOMPARE(r.shown.size(), 1);
            QVERIFY2(r.shown.first().startsWith("Error: No session number"),
                     qPrintable(r.shown.first()));
        } else {
            QVERIFY(ftpFindLecture(r.m, append));
            QCOMPARE(r.m.lectureDir, outcome);
        }
        // Nothing was created on the server by the lookup.
        QStringList dirs = QDir(server_->lumoraDir() + "/classes/cs101")
                               .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(dirs, existing.isEmpty() ? QStringList() : QStringList{existing});
    }
};

QTEST_GUILESS_MAIN(TestBadServerInput)
#include "test_bad_server_input.moc"
