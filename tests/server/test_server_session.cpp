#include "platform/Failure.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"
#include "support/SelectedFtpServer.h"

#include <QDir>
#include <QTest>
#include <optional>

namespace {
const QString kLecture = QStringLiteral("classes/cs101/Mar.5.1999.1/");

class ListProgress : public ProgressSink {
public:
    QStringList lines;
    void Add(const QString& text) override { lines.append(text); }
};

// One run of the server session against the shared server: channel, wizard fields, working
// directory, and what the run showed, cleaned up and ended.
struct Session {
    TransferControl inet;
    PlainWizardFields fields;
    ModuleFtp m{inet, fields};
    QTemporaryDir work;
    ListProgress progress;
    QStringList shown; // "title | text" of each message box
    int cleanUps = 0;
    int asked = 0;
    int choice = -1; // the lecture-exists dialog's answer

    Session(const TestFtpServer& server, const QString& user, const QString& password) {
        messages::setSink([this](const QString& text, const QString& title) {
            shown.append(title + QStringLiteral(" | ") + text);
        });
        programEnd::setHandler([] {});
        fields.ftpMachineV = server.host();
        fields.cvidV = user;
        fields.cvPasswordV = password;
        fields.exportPathV = work.path();
        fields.classV = QStringLiteral("cs101");
        fields.monthV = QStringLiteral("Mar");
        fields.dayV = QStringLiteral("5");
        fields.yearV = QStringLiteral("1999");
        m.progress = &progress;
        m.cleanUp = [this] { ++cleanUps; };
        m.askLectureExists = [this] { return ++asked, choice; };
        m.lectureDir = kLecture;
        inet.setTimeouts(10000, 20000);
    }
    ~Session() {
        messages::setSink({});
        programEnd::setHandler({});
    }
    bool writeLocal(const QString& name, const QByteArray& data) {
        QFile f(work.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
    // The working files of a transfer of slides first..last.
    bool writeLecture(int first, int last, const QString& format) {
        fields.imageFormatV = format;
        fields.firstSlideV = QStringLiteral(" %1").arg(first);
        fields.lastSlideV = QStringLiteral(" %1").arg(last);
        bool ok = writeLocal("blank." + format, "blank") && writeLocal("description", "d") &&
                  writeLocal("extract.stml", "<stml>");
        for (int i = first; i <= last; ++i)
            ok = ok && writeLocal(QStringLiteral("Slide%1.%2").arg(i).arg(format),
                                  "slide " + QByteArray::number(i));
        return ok;
    }
};

QStringList lines(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out.append(QString::fromUtf8(t));
    return out;
}
} // namespace

class TestServerSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void accountCheck_data();
    void accountCheck();
    void accountFileMissing();
    void classes_data();
    void classes();
    void classListingFailureEnds();
    void newLecture();
    void existingLectureChangeDate_data();
    void existingLectureChangeDate();
    void nextFreeSession();
    void sessionNumberOverflow();
    void lostServerIsNoNewLecture();
    void appendCountsSlides_data();
    void appendCountsSlides();
    void abortCleansUpAndEnds();
    void unusableNamesRefused_data();
    void unusableNamesRefused();
    void makeLectureDir();
    void upload_data();
    void upload();
    void failedPutEndsUpload_data();
    void failedPutEndsUpload();
    void fetch_data();
    void fetch();
    void fetchFailureEnds();

private:
    Session& start(bool readOnly = false);
    bool lecture(const QString& name, const QStringList& files = {});
    QStringList remoteNames(const QString& dir = kLecture) const;
    QByteArray remote(const QString& name) const {
        return server_->readFile("lumora/" + kLecture + name);
    }

    std::optional<SelectedFtpServer> server_;
    std::optional<Session> s_;
};

void TestServerSession::initTestCase() {
    SelectedFtpServer::Options options;
    options.readonlyUser = QStringLiteral("reader");
    options.readonlyPassword = QStringLiteral("look");
    server_.emplace(options);
    QVERIFY2(server_->start(), qPrintable(server_->error()));
}

// Every test starts from the bare layout with one class, cs101.
void TestServerSession::init() {
    QVERIFY(server_->isRunning() || server_->restart());
    QVERIFY(QDir(server_->lumoraDir() + "/classes").removeRecursively());
    QVERIFY(server_->makeDir("lumora/classes/cs101"));
    QVERIFY(server_->writeFile("lumora/admin/passwd", "# accounts\nann:pw:Ann\nbob:b0b:Bob\n"));
}

void TestServerSession::cleanup() {
    s_.reset();
}

Session& TestServerSession::start(bool readOnly) {
    s_.emplace(*server_, readOnly ? QStringLiteral("reader") : server_->user(),
               readOnly ? QStringLiteral("look") : server_->password());
    if (!s_->m.ftpConnect())
        qWarning("connection test failed: %s", qPrintable(s_->shown.join('\n')));
    return *s_;
}

bool TestServerSession::lecture(const QString& name, const QStringList& files) {
    bool ok = server_->makeDir("lumora/classes/cs101/" + name);
    for (const QString& file : files)
        ok = ok && server_->writeFile("lumora/classes/cs101/" + name + "/" + file, "old");
    return ok;
}

QStringList TestServerSession::remoteNames(const QString& dir) const {
    return QDir(server_->lumoraDir() + "/" + dir)
        .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

static QStringList slides(int count, const char* ext) {
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("Slide%1.%2").arg(i).arg(QLatin1String(ext)));
    return names;
}

// ---- account check

void TestServerSession::accountCheck_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("expected");
    QTest::newRow("second line") << "bob"
                                 << "b0b" << true;
    QTest::newRow("wrong password") << "bob"
                                    << "pw" << false;
}

// The copy of the account file never appears in the working directory.
void TestServerSession::accountCheck() {
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(bool, expected);
    Session& s = start();
    s.fields.idV = id;
    s.fields.passwordV = password;
    QCOMPARE(ftpCheckAccount(s.m), expected);
    QCOMPARE(QDir(s.work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(s.shown.isEmpty());
}

void TestServerSession::accountFileMissing() {
    Session& s = start();
    QVERIFY(QFile::remove(server_->lumoraDir() + "/admin/passwd"));
    QVERIFY(s.writeLocal("passwd", "ann:pw:\n")); // a stale local copy is not read instead
    s.fields.idV = QStringLiteral("ann");
    s.fields.passwordV = QStringLiteral("pw");
    try {
        ftpCheckAccount(s.m);
        QFAIL("no failure raised");
    } catch (const Failure& failure) {
        QVERIFY2(failure.description().contains("~/lumora/admin/passwd"),
                 qPrintable(failure.description()));
    }
    QVERIFY(!programEnd::hasEnded());
}

// ---- class catalogue

void TestServerSession::classes_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("year");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    // 150 classes: the listing runs far beyond one chunk of 1024 characters.
    QTest::newRow("all") << "All terms"
                         << "All years" << 153 << "class000-winter-2000";
    QTest::newRow("fall 1999") << "fall"
                               << "1999" << 2 << "cs 101 fall99";
    QTest::newRow("spring") << "Spring"
                            << "All years" << 0 << "";
}

void TestServerSession::classes() {
    QFETCH(QString, term);
    QFETCH(QString, year);
    QFETCH(int, count);
    QFETCH(QString, first);
    QVERIFY(QDir(server_->lumoraDir() + "/classes/cs101").removeRecursively());
    for (int i = 0; i < 150; ++i)
        QVERIFY(server_->makeDir(
            QStringLiteral("lumora/classes/class%1-winter-2000").arg(i, 3, 10, QLatin1Char('0'))));
    for (const char* name : {"cs 101 fall99", "ma200Fall00", "Übung fall99"})
        QVERIFY(server_->makeDir("lumora/classes/" + QString::fromUtf8(name)));
    Session& s = start();
    s.fields.classes = QStringList{"stale"};
    s.fields.classV.clear();
    s.fields.termV = term;
    s.fields.yearFilterV = year;
    ftpListClasses(s.m);
    QCOMPARE(s.fields.classes.size(), count);
    QCOMPARE(s.fields.classV, first);
    if (count == 153)
        QCOMPARE(s.fields.classes.last(), QString::fromUtf8("Übung fall99"));
    QVERIFY(s.shown.isEmpty());
}

void TestServerSession::classListingFailureEnds() {
    Session& s = start();
    s.inet.URL = QStringLiteral("nonsense"); // the component refuses to start anything
    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpListClasses(s.m));
    QCOMPARE(s.shown.size(), 1);
    QVERIFY(s.shown.first().startsWith("Error! | Error: "));
    QVERIFY(s.shown.first().endsWith(", " + server_->host()));
    QCOMPARE(s.cleanUps, 1);
}

// ---- lecture directory

void TestServerSession::newLecture() {
    Session& s = start();
    s.m.slideOffset = 4;
    bool append = true;
    QVERIFY(ftpFindLecture(s.m, append));
    QCOMPARE(s.m.lectureDir, kLecture);
    QCOMPARE(s.m.slideOffset, int16_t(0));
    QVERIFY(!append);
    QCOMPARE(s.asked, 0);
    QCOMPARE(remoteNames("classes/cs101"), QStringList()); // nothing created yet
}

// "Change the lecture date", and the dialog closed with nothing chosen: back to the wizard,
// the existing lecture untouched.
void TestServerSession::existingLectureChangeDate_data() {
    QTest::addColumn<int>("choice");
    QTest::newRow("change date") << int(ChangeLectureDate);
    QTest::newRow("nothing chosen") << -1;
}

void TestServerSession::existingLectureChangeDate() {
    QFETCH(int, choice);
    QVERIFY(lecture("Mar.5.1999.1", slides(2, "gif")));
    Session& s = start();
    s.choice = choice;
    bool append = true;
    QVERIFY(!ftpFindLecture(s.m, append));
    QCOMPARE(s.asked, 1);
    QVERIFY(!append);
    QCOMPARE(s.m.slideOffset, int16_t(0));
    QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101/"));
    QCOMPARE(remoteNames(), slides(2, "gif"));
}

void TestServerSession::nextFreeSession() {
    for (const char* name : {"Mar.5.1999.1", "Mar.5.1999.2", "Mar.5.1999.4"})
        QVERIFY(lecture(name));
    Session& s = start();
    s.choice = NextSession;
    bool append = true;
    QVERIFY(ftpFindLecture(s.m, append));
    QCOMPARE(s.fields.sessionV, QStringLiteral("3"));
    QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101/Mar.5.1999.3/"));
    QVERIFY(!append);
}

void TestServerSession::sessionNumberOverflow() {
    QVERIFY(lecture("Mar.5.1999.32766"));
    QVERIFY(lecture("Mar.5.1999.32767"));
    Session& s = start();
    s.fields.sessionV = QStringLiteral("32766");
    s.choice = NextSession;
    bool append = false;
    QVERIFY_THROWS_EXCEPTION(Failure, ftpFindLecture(s.m, append));
}

// A server that cannot be reached does not make an existing lecture look new.
void TestServerSession::lostServerIsNoNewLecture() {
    QVERIFY(lecture("Mar.5.1999.1", slides(3, "gif")));
    Session& s = start();
    server_->stop();
    bool append = false;
    QVERIFY_THROWS_EXCEPTION(Failure, ftpFindLecture(s.m, append));
    QCOMPARE(s.asked, 0);
}

void TestServerSession::appendCountsSlides_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("offset");
    QTest::newRow("seven slides") << slides(7, "gif") << "GIF" << 7;
    QTest::newRow("slides of the other format") << slides(7, "gif") << "JPG" << 0;
    QTest::newRow("gap ends the count")
        << QStringList{"Slide1.gif", "Slide2.gif", "Slide4.gif", "blank.gif"} << "GIF" << 2;
}

void TestServerSession::appendCountsSlides() {
    QFETCH(QStringList, files);
    QFETCH(QString, format);
    QFETCH(int, offset);
    QVERIFY(lecture("Mar.5.1999.1", files));
    Session& s = start();
    s.fields.imageFormatV = format;
    s.choice = AppendSlides;
    bool append = false;
    QVERIFY(ftpFindLecture(s.m, append));
    QVERIFY(append);
    QCOMPARE(int(s.m.slideOffset), offset);
    QCOMPARE(s.m.lectureDir, kLecture);
}

void TestServerSession::abortCleansUpAndEnds() {
    QVERIFY(lecture("Mar.5.1999.1", {"Slide1.gif"}));
    Session& s = start();
    s.choice = AbortProgram;
    bool append = false;
    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpFindLecture(s.m, append));
    QCOMPARE(s.cleanUps, 1);
    QCOMPARE(remoteNames(), QStringList{"Slide1.gif"});
}

// A class or session that cannot name one lecture directory is reported; the wizard stays on
// its page.
void TestServerSession::unusableNamesRefused_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("session");
    QTest::newRow("no class") << ""
                              << "1";
    QTest::newRow("class leaving the classes") << "../admin"
                                               << "1";
    QTest::newRow("session with slash") << "cs101"
                                        << "1/..";
}

void TestServerSession::unusableNamesRefused() {
    QFETCH(QString, className);
    QFETCH(QString, session);
    Session& s = start();
    s.fields.classV = className;
    s.fields.sessionV = session;
    bool append = true;
    QVERIFY(!ftpFindLecture(s.m, append));
    QCOMPARE(s.shown.size(), 1);
    QVERIFY2(s.shown.first().startsWith("Error! | Error: "), qPrintable(s.shown.first()));
    QCOMPARE(s.cleanUps, 0);
}

void TestServerSession::makeLectureDir() {
    Session& s = start();
    ftpMakeLectureDir(s.m);
    QCOMPARE(remoteNames("classes/cs101"), QStringList{"Mar.5.1999.1"});
    QVERIFY(server_->writeFile("lumora/" + kLecture + "Slide1.gif", "old"));
    ftpMakeLectureDir(s.m); // refused, then changes into it
    QCOMPARE(s.inet.ResponseCode(), 0);
    QCOMPARE(remote("Slide1.gif"), QByteArray("old"));
}

// ---- upload and fetch

void TestServerSession::upload_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("range 3 to 5") << 3 << 5 << 0
                                  << lines({"", "FTPing slides...", "FTPing slide 3",
                                            "FTPing slide 4", "FTPing slide 5",
                                            "FTPing description", "FTPing STML file"})
                                  << (slides(3, "gif") << "blank.gif"
                                                       << "description"
                                                       << "extract.stml");
    QTest::newRow("append after 7")
        << 1 << 2 << 7
        << lines({"", "FTPing slides...", "FTPing slide 1", "FTPing slide 2", "FTPing description",
                  "FTPing STML file"})
        << (slides(9, "gif") << "blank.gif"
                             << "description"
                             << "extract.stml");
    QTest::newRow("first after last")
        << 5 << 3 << 0 << lines({"", "FTPing slides...", "FTPing description", "FTPing STML file"})
        << QStringList{"blank.gif", "description", "extract.stml"};
}

void TestServerSession::upload() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, offset);
    QFETCH(QStringList, progress);
    QFETCH(QStringList, names);
    QStringList old = slides(offset, "gif");
    QVERIFY(lecture("Mar.5.1999.1", old << "description"));
    Session& s = start();
    QVERIFY(s.writeLecture(first, last, "GIF"));
    s.m.slideOffset = int16_t(offset);

    ftpUploadLecture(s.m);
    QVERIFY2(s.shown.isEmpty(), qPrintable(s.shown.join('\n')));
    QCOMPARE(s.progress.lines, progress);
    names.sort();
    QCOMPARE(remoteNames(), names);
    for (int i = 1; i <= offset; ++i)
        QCOMPARE(remote(QStringLiteral("Slide%1.gif").arg(i)), QByteArray("old"));
    for (int i = first; i <= last; ++i)
        QCOMPARE(remote(QStringLiteral("Slide%1.gif").arg(offset + i - first + 1)),
                 "slide " + QByteArray::number(i));
    QCOMPARE(remote("description"), QByteArray("d"));
}

// A transfer that ends in error stops the upload at once: one message with the error number
// before the host, the clean-up, the end; nothing after the failed step is sent.
void TestServerSession::failedPutEndsUpload_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("read-only account") << "read-only"
                                       << " 12003" << QStringList{};
    QTest::newRow("server refuses slide 2")
        << "Slide2.gif is a directory"
        << " 12003" << QStringList{"Slide1.gif", "Slide2.gif", "blank.gif"};
    QTest::newRow("local slide missing") << "no Slide4.GIF"
                                         << " 12004" << QStringList{"Slide1.gif", "blank.gif"};
}

void TestServerSession::failedPutEndsUpload() {
    QFETCH(QString, cause);
    QFETCH(QString, number);
    QFETCH(QStringList, names);
    QVERIFY(lecture("Mar.5.1999.1",
                    cause.startsWith("Slide2") ? QStringList{"Slide2.gif/x"} : QStringList{}));
    Session& s = start(cause == "read-only");
    QVERIFY(s.writeLecture(3, 5, "GIF"));
    if (cause.startsWith("no "))
        QVERIFY(QFile::remove(s.work.filePath("Slide4.GIF")));

    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(s.m));
    QCOMPARE(s.cleanUps, 1);
    QCOMPARE(s.shown.size(), 1);
    QVERIFY2(s.shown.first().startsWith("Error! | Error: "), qPrintable(s.shown.first()));
    QVERIFY2(s.shown.first().endsWith(", " + number + server_->host()),
             qPrintable(s.shown.first()));
    QVERIFY(!s.progress.lines.contains("FTPing description"));
    QCOMPARE(remoteNames(), names);
}

void TestServerSession::fetch_data() {
    QTest::addColumn<bool>("notes");
    QTest::addColumn<bool>("onServer");
    QTest::newRow("slide text") << false << true;
    QTest::newRow("no notes text on the server") << true << false;
}

void TestServerSession::fetch() {
    QFETCH(bool, notes);
    QFETCH(bool, onServer);
    const QString name = notes ? "extract.ntml" : "extract.stml";
    if (onServer)
        QVERIFY(server_->writeFile("lumora/" + kLecture + name, "<stml>\r\n</stml>\r\n"));
    Session& s = start();
    QVERIFY(s.writeLocal(name, "older local copy"));

    QCOMPARE(notes ? ftpFetchNotesText(s.m) : ftpFetchSlideText(s.m), onServer);
    QVERIFY(s.shown.isEmpty());
    QCOMPARE(s.progress.lines,
             QStringList({"", notes ? "Getting existing ntml..." : "Getting existing stml..."}));
    QFile local(s.work.filePath(name));
    QCOMPARE(local.open(QIODevice::ReadOnly), onServer); // no stale copy left
    if (onServer)
        QCOMPARE(local.readAll(), QByteArray("<stml>\r\n</stml>\r\n"));
}

// The server has the name, but not as a file it can send.
void TestServerSession::fetchFailureEnds() {
    QVERIFY(server_->writeFile("lumora/" + kLecture + "extract.stml/inner", "x"));
    Session& s = start();
    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpFetchSlideText(s.m));
    QCOMPARE(s.cleanUps, 1);
    QCOMPARE(s.shown.size(), 1);
    QVERIFY(s.shown.first().endsWith(", " + server_->host()));
}

QTEST_GUILESS_MAIN(TestServerSession)
#include "test_server_session.moc"
