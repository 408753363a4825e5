#include "ServerSession.h"

#include "platform/Failure.h"
#include "server/LectureDirectory.h"

#include <QTest>

namespace {
const QString kClass = QStringLiteral("cs101fall99");
const QString kClassDir = QStringLiteral("lumora/classes/cs101fall99/");

// A session whose lecture directories are set up for one test, with a dialog that answers
// `choice` and counts its showings.
struct LectureSession : ServerSession {
    int asked = 0;
    int choice = -1;

    bool startWithClass() {
        if (!start() || !server.makeDir(kClassDir))
            return false;
        fields.classV = kClass;
        fields.monthV = QStringLiteral("Mar");
        fields.dayV = QStringLiteral("5");
        fields.yearV = QStringLiteral("1999");
        fields.sessionV = QStringLiteral("1");
        m.askLectureExists = [this] {
            ++asked;
            return choice;
        };
        return true;
    }
    bool addLecture(const QString& name, const QStringList& files = {}) {
        if (!server.makeDir(kClassDir + name))
            return false;
        for (const QString& file : files) {
            if (!server.writeFile(kClassDir + name + QLatin1Char('/') + file, file.toLatin1()))
                return false;
        }
        return true;
    }
    static QStringList slides(int count, const QString& ext) {
        QStringList names;
        for (int i = 1; i <= count; ++i)
            names.append(QStringLiteral("Slide%1.%2").arg(i).arg(ext));
        return names;
    }
};
} // namespace

class TestLectureDirectory : public QObject {
    Q_OBJECT
private slots:
    void newLecture();
    void existingLectureChangeDate_data();
    void existingLectureChangeDate();
    void nextFreeSession();
    void sessionNumberOverflowIsAFailure();
    void lostServerIsNoNewLecture();
    void appendCountsSlides_data();
    void appendCountsSlides();
    void abortCleansUpAndEnds();
    void unusableNamesAreRefused_data();
    void unusableNamesAreRefused();
    void makeLectureDir();
};

void TestLectureDirectory::newLecture() {
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    s.m.slideOffset = 4;
    bool append = true;
    QVERIFY(ftpFindLecture(s.m, append));
    QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101fall99/Mar.5.1999.1/"));
    QCOMPARE(s.m.slideOffset, int16_t(0));
    QVERIFY(!append);
    QCOMPARE(s.asked, 0);
    // Only looked up: nothing is created before the upload.
    QVERIFY(!s.server.exists(kClassDir + QStringLiteral("Mar.5.1999.1")));
}

// "Change the lecture date", and the dialog closed with nothing chosen: back to the wizard with
// the existing lecture untouched.
void TestLectureDirectory::existingLectureChangeDate_data() {
    QTest::addColumn<int>("choice");
    QTest::newRow("change date") << int(ChangeLectureDate);
    QTest::newRow("nothing chosen") << -1;
    QTest::newRow("unknown answer") << 7;
}

void TestLectureDirectory::existingLectureChangeDate() {
    QFETCH(int, choice);
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.1"), LectureSession::slides(2, "gif")));
    s.choice = choice;
    bool append = true;
    QVERIFY(!ftpFindLecture(s.m, append));
    QCOMPARE(s.asked, 1);
    QVERIFY(!append);
    QCOMPARE(s.m.slideOffset, int16_t(0));
    QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101fall99/"));
    QCOMPARE(s.fields.sessionV, QStringLiteral("1"));
    QCOMPARE(s.server.readFile(kClassDir + "Mar.5.1999.1/Slide2.gif"), QByteArray("Slide2.gif"));
    QCOMPARE(s.cleanUps, 0);
}

void TestLectureDirectory::nextFreeSession() {
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.1")));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.2")));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.4")));
    s.choice = NextSession;
    bool append = true;
    QVERIFY(ftpFindLecture(s.m, append));
    QCOMPARE(s.fields.sessionV, QStringLiteral("3"));
    QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101fall99/Mar.5.1999.3/"));
    QVERIFY(!append);
    QCOMPARE(s.m.slideOffset, int16_t(0));
}

// The search for a free session stops with a failure instead of wrapping past 32767.
void TestLectureDirectory::sessionNumberOverflowIsAFailure() {
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.32766")));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.32767")));
    s.fields.sessionV = QStringLiteral("32766");
    s.choice = NextSession;
    bool append = false;
    QVERIFY_THROWS_EXCEPTION(Failure, ftpFindLecture(s.m, append));
    QCOMPARE(s.fields.sessionV, QStringLiteral("32767"));
}

// A server that cannot be reached does not make an existing lecture look new.
void TestLectureDirectory::lostServerIsNoNewLecture() {
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.1"), LectureSession::slides(3, "gif")));
    s.server.stop();
    bool append = false;
    QVERIFY_THROWS_EXCEPTION(Failure, ftpFindLecture(s.m, append));
    QCOMPARE(s.asked, 0);
}

void TestLectureDirectory::appendCountsSlides_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("offset");
    QTest::newRow("seven gif slides") << LectureSession::slides(7, "gif") << "GIF" << 7;
    QTest::newRow("format typed in lower case") << LectureSession::slides(7, "gif") << "gif" << 7;
    QTest::newRow("slides of the other format") << LectureSession::slides(7, "gif") << "JPG" << 0;
    QTest::newRow("no slides") << QStringList{"description", "extract.stml"} << "GIF" << 0;
    QTest::newRow("gap ends the count")
        << QStringList{"Slide1.gif", "Slide2.gif", "Slide4.gif"} << "GIF" << 2;
    QTest::newRow("blank image is no slide") << QStringList{"blank.gif"} << "GIF" << 0;
}

void TestLectureDirectory::appendCountsSlides() {
    QFETCH(QStringList, files);
    QFETCH(QString, format);
    QFETCH(int, offset);
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.1"), files));
    s.fields.imageFormatV = format;
    s.choice = AppendSlides;
    bool append = false;
    QVERIFY(ftpFindLecture(s.m, append));
    QVERIFY(append);
    QCOMPARE(int(s.m.slideOffset), offset);
    QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101fall99/Mar.5.1999.1/"));
}

void TestLectureDirectory::abortCleansUpAndEnds() {
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    QVERIFY(s.addLecture(QStringLiteral("Mar.5.1999.1"), {"Slide1.gif"}));
    s.choice = AbortProgram;
    bool append = false;
    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpFindLecture(s.m, append));
    QCOMPARE(s.cleanUps, 1);
    QVERIFY(programEnd::hasEnded());
    QVERIFY(s.server.exists(kClassDir + "Mar.5.1999.1/Slide1.gif"));
}

// A class or session that cannot name one lecture directory is reported; the wizard stays on
// its page and nothing on the server is touched.
void TestLectureDirectory::unusableNamesAreRefused_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("session");
    QTest::newRow("no class") << ""
                              << "1";
    QTest::newRow("class leaving the classes") << "../admin"
                                               << "1";
    QTest::newRow("class is ..") << ".."
                                 << "1";
    QTest::newRow("empty session") << kClass << "";
    QTest::newRow("session with slash") << kClass << "1/..";
}

void TestLectureDirectory::unusableNamesAreRefused() {
    QFETCH(QString, className);
    QFETCH(QString, session);
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    s.fields.classV = className;
    s.fields.sessionV = session;
    bool append = true;
    QVERIFY(!ftpFindLecture(s.m, append));
    QVERIFY(!append);
    QCOMPARE(s.shown.size(), 1);
    QVERIFY2(s.shown.first().startsWith(QLatin1String("Error! | Error: ")),
             qPrintable(s.shown.first()));
    QCOMPARE(s.asked, 0);
    QCOMPARE(s.cleanUps, 0);
}

void TestLectureDirectory::makeLectureDir() {
    LectureSession s;
    QVERIFY2(s.startWithClass(), qPrintable(s.server.error()));
    s.m.lectureDir = QStringLiteral("classes/cs101fall99/Mar.5.1999.1/");
    ftpMakeLectureDir(s.m);
    QVERIFY(QFileInfo(s.server.lumoraDir() + "/classes/cs101fall99/Mar.5.1999.1").isDir());

    // Existing: refused, and the files stay.
    QVERIFY(s.server.writeFile(kClassDir + "Mar.5.1999.1/Slide1.gif", "old"));
    ftpMakeLectureDir(s.m);
    QCOMPARE(s.inet.ResponseCode(), 0); // the CD into it after the refused MKDIR
    QCOMPARE(s.server.readFile(kClassDir + "Mar.5.1999.1/Slide1.gif"), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestLectureDirectory)
#include "test_lecture_directory.moc"
