#include "ServerSession.h"

#include "server/LectureUpload.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
const QString kLecture = QStringLiteral("classes/cs101/Mar.5.1999.1/");

struct UploadSession : ServerSession {
    using ServerSession::ServerSession;

    bool startLecture(const QString& user = {}, const QString& password = {}) {
        if (!start(user, password) || !server.makeDir(QStringLiteral("lumora/classes/cs101")))
            return false;
        m.lectureDir = kLecture;
        return true;
    }
    bool writeLocal(const QString& name, const QByteArray& data) {
        QFile f(workFile(name));
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
    // The working files of a transfer of slides first..last in the given format.
    bool writeLecture(int first, int last, const QString& format) {
        bool ok = writeLocal(QStringLiteral("blank.") + format, "blank image") &&
                  writeLocal(QStringLiteral("description"), "Title\r\nann\r\n3/5/1999") &&
                  writeLocal(QStringLiteral("extract.stml"), "<stml>\r\n</stml>\r\n");
        for (int i = first; i <= last; ++i)
            ok = ok && writeLocal(QStringLiteral("Slide%1.%2").arg(i).arg(format),
                                  "image of slide " + QByteArray::number(i));
        return ok;
    }
    QByteArray remote(const QString& name) const {
        return server.readFile(QStringLiteral("lumora/") + kLecture + name);
    }
    QStringList remoteNames() const {
        return QDir(server.lumoraDir() + QLatin1Char('/') + kLecture)
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
};

QStringList lines(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out.append(QString::fromLatin1(t));
    return out;
}
} // namespace

class TestLectureUpload : public QObject {
    Q_OBJECT
private slots:
    void uploadsRenumberedSlides_data();
    void uploadsRenumberedSlides();
    void appendKeepsOldSlides();
    void failedPutEndsTheUpload_data();
    void failedPutEndsTheUpload();
    void fetchText_data();
    void fetchText();
    void fetchFailureEndsTheProgram();
};

void TestLectureUpload::uploadsRenumberedSlides_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("expectedProgress");
    QTest::addColumn<QStringList>("expectedRemote");

    QTest::newRow("range 3 to 5") << 3 << 5 << "GIF"
                                  << lines({"", "FTPing slides...", "FTPing slide 3",
                                            "FTPing slide 4", "FTPing slide 5",
                                            "FTPing description", "FTPing STML file"})
                                  << QStringList{"Slide1.gif", "Slide2.gif",  "Slide3.gif",
                                                 "blank.gif",  "description", "extract.stml"};
    QTest::newRow("first after last")
        << 5 << 3 << "JPG"
        << lines({"", "FTPing slides...", "FTPing description", "FTPing STML file"})
        << QStringList{"blank.jpg", "description", "extract.stml"};
    QTest::newRow("slide numbers past 99")
        << 99 << 101 << "Png"
        << lines({"", "FTPing slides...", "FTPing slide 99", "FTPing slide 100", "FTPing slide 101",
                  "FTPing description", "FTPing STML file"})
        << QStringList{"Slide1.png", "Slide2.png",  "Slide3.png",
                       "blank.png",  "description", "extract.stml"};
}

void TestLectureUpload::uploadsRenumberedSlides() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, format);
    QFETCH(QStringList, expectedProgress);
    QFETCH(QStringList, expectedRemote);

    UploadSession s;
    QVERIFY2(s.startLecture(), qPrintable(s.server.error()));
    QVERIFY(s.writeLecture(first, last, format));
    s.fields.imageFormatV = format;
    s.fields.firstSlideV = QStringLiteral(" %1").arg(first);
    s.fields.lastSlideV = QStringLiteral(" %1").arg(last);

    ftpUploadLecture(s.m);
    QVERIFY2(s.shown.isEmpty(), qPrintable(s.shown.join('\n')));
    QCOMPARE(s.cleanUps, 0);
    QCOMPARE(s.progress.lines, expectedProgress);
    QCOMPARE(s.remoteNames(), expectedRemote);
    for (int i = first; i <= last; ++i)
        QCOMPARE(s.remote(QStringLiteral("Slide%1.%2").arg(i - first + 1).arg(format.toLower())),
                 "image of slide " + QByteArray::number(i));
    QCOMPARE(s.remote("blank." + format.toLower()), QByteArray("blank image"));
    QCOMPARE(s.remote("description"), QByteArray("Title\r\nann\r\n3/5/1999"));
    QCOMPARE(s.remote("extract.stml"), QByteArray("<stml>\r\n</stml>\r\n"));
}

void TestLectureUpload::appendKeepsOldSlides() {
    UploadSession s;
    QVERIFY2(s.startLecture(), qPrintable(s.server.error()));
    for (int i = 1; i <= 7; ++i)
        QVERIFY(s.server.writeFile(
            QStringLiteral("lumora/") + kLecture + QStringLiteral("Slide%1.gif").arg(i), "old"));
    QVERIFY(s.server.writeFile(QStringLiteral("lumora/") + kLecture + "description", "old"));
    QVERIFY(s.writeLecture(1, 2, "GIF"));
    s.fields.firstSlideV = QStringLiteral(" 1");
    s.fields.lastSlideV = QStringLiteral(" 2");
    s.m.slideOffset = 7;

    ftpUploadLecture(s.m);
    QVERIFY2(s.shown.isEmpty(), qPrintable(s.shown.join('\n')));
    QCOMPARE(s.remote("Slide7.gif"), QByteArray("old"));
    QCOMPARE(s.remote("Slide8.gif"), QByteArray("image of slide 1"));
    QCOMPARE(s.remote("Slide9.gif"), QByteArray("image of slide 2"));
    QVERIFY(!s.server.exists(QStringLiteral("lumora/") + kLecture + "Slide10.gif"));
    QCOMPARE(s.remote("description"), QByteArray("Title\r\nann\r\n3/5/1999"));
}

// Any transfer that ends in error stops the upload at once: one message with the error number
// before the host, the clean-up, the end of the program; nothing after the failed step is sent.
void TestLectureUpload::failedPutEndsTheUpload_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("expectedProgress");
    QTest::addColumn<QStringList>("expectedRemote");

    QTest::newRow("read-only account")
        << "readonly"
        << " 12003" << lines({"", "FTPing slides..."}) << QStringList{};
    QTest::newRow("server refuses the second slide")
        << "slide2 is a directory"
        << " 12003" << lines({"", "FTPing slides...", "FTPing slide 3", "FTPing slide 4"})
        << QStringList{"Slide1.gif", "Slide2.gif", "blank.gif"};
    QTest::newRow("local slide missing")
        << "local slide missing"
        << " 12004" << lines({"", "FTPing slides...", "FTPing slide 3", "FTPing slide 4"})
        << QStringList{"Slide1.gif", "blank.gif"};
}

void TestLectureUpload::failedPutEndsTheUpload() {
    QFETCH(QString, failure);
    QFETCH(QString, number);
    QFETCH(QStringList, expectedProgress);
    QFETCH(QStringList, expectedRemote);

    LumoraServer::Options options;
    options.readonlyUser = QStringLiteral("reader");
    options.readonlyPassword = QStringLiteral("look");
    UploadSession s(options);
    const bool readOnly = failure == QLatin1String("readonly");
    QVERIFY2(readOnly ? s.startLecture(options.readonlyUser, options.readonlyPassword)
                      : s.startLecture(),
             qPrintable(s.server.error() + s.shown.join('\n')));
    QVERIFY(s.writeLecture(3, 5, "GIF"));
    s.fields.firstSlideV = QStringLiteral(" 3");
    s.fields.lastSlideV = QStringLiteral(" 5");
    if (readOnly)
        QVERIFY(s.server.makeDir(QStringLiteral("lumora/") + kLecture));
    if (failure == QLatin1String("slide2 is a directory"))
        QVERIFY(s.server.makeDir(QStringLiteral("lumora/") + kLecture + "Slide2.gif"));
    if (failure == QLatin1String("local slide missing"))
        QVERIFY(QFile::remove(s.workFile("Slide4.GIF")));

    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpUploadLecture(s.m));
    QCOMPARE(s.cleanUps, 1);
    QCOMPARE(s.shown.size(), 1);
    const QString& text = s.shown.first();
    QVERIFY2(text.startsWith(QLatin1String("Error! | Error: ")), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral(", ") + number + s.server.host()), qPrintable(text));
    QCOMPARE(s.progress.lines, expectedProgress);
    QCOMPARE(s.remoteNames(), expectedRemote);
}

void TestLectureUpload::fetchText_data() {
    QTest::addColumn<bool>("notes");
    QTest::addColumn<bool>("onServer");
    QTest::newRow("slide text fetched") << false << true;
    QTest::newRow("notes text fetched") << true << true;
    QTest::newRow("no slide text on the server") << false << false;
    QTest::newRow("no notes text on the server") << true << false;
}

void TestLectureUpload::fetchText() {
    QFETCH(bool, notes);
    QFETCH(bool, onServer);
    UploadSession s;
    QVERIFY2(s.startLecture(), qPrintable(s.server.error()));
    const QString name = notes ? QStringLiteral("extract.ntml") : QStringLiteral("extract.stml");
    const QByteArray content("<stml>\r\n<slide>\r\n</slide>\r\n</stml>\r\n");
    if (onServer)
        QVERIFY(s.server.writeFile(QStringLiteral("lumora/") + kLecture + name, content));
    QVERIFY(s.writeLocal(name, "older local copy"));

    const bool fetched = notes ? ftpFetchNotesText(s.m) : ftpFetchSlideText(s.m);
    QCOMPARE(fetched, onServer);
    QVERIFY(s.shown.isEmpty());
    QCOMPARE(s.cleanUps, 0);
    QCOMPARE(s.progress.lines,
             QStringList({QString(), notes ? QStringLiteral("Getting existing ntml...")
                                           : QStringLiteral("Getting existing stml...")}));
    if (onServer) {
        QFile local(s.workFile(name));
        QVERIFY(local.open(QIODevice::ReadOnly));
        QCOMPARE(local.readAll(), content);
    } else {
        QVERIFY(!QFile::exists(s.workFile(name)));
    }
    // The fetch made the lecture directory.
    QVERIFY(s.server.exists(QStringLiteral("lumora/") + kLecture));
}

void TestLectureUpload::fetchFailureEndsTheProgram() {
    UploadSession s;
    QVERIFY2(s.startLecture(), qPrintable(s.server.error()));
    // The server file exists but cannot be fetched as a file.
    QVERIFY(s.server.writeFile(QStringLiteral("lumora/") + kLecture + "extract.stml/inner", "x"));
    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpFetchSlideText(s.m));
    QCOMPARE(s.cleanUps, 1);
    QCOMPARE(s.shown.size(), 1);
    QVERIFY2(s.shown.first().startsWith(QLatin1String("Error! | Error: ")),
             qPrintable(s.shown.first()));
    QVERIFY(s.shown.first().endsWith(QStringLiteral(", ") + s.server.host()));
}

QTEST_GUILESS_MAIN(TestLectureUpload)
#include "test_lecture_upload.moc"
