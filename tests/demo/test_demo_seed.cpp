// The demo server's tree (tools/lumora_server.py --seed demo) as the program meets it: its
// accounts and classes, and its lecture, which must be found, counted and appended to like a
// lecture that the program uploaded itself.
#include "pipeline/Description.h"
#include "pipeline/SlideReader.h"
#include "pipeline/SlideText.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"
#include "support/LumoraServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kLecture = QStringLiteral("classes/cs101fall26/Sep.14.2026.1/");

// One slide: title "Recursion", body "Base case" / "Step", notes "Say it twice."
class OneSlide : public SlideReader {
public:
    int shapeCount(int) override { return 2; }
    bool hasTextFrame(int, int) override { return true; }
    QString shapeText(int, int shape) override {
        return shape == 1 ? QStringLiteral("Recursion") : QStringLiteral("Base case\rStep");
    }
    int notesShapeCount(int) override { return 2; }
    bool notesHasText(int, int) override { return true; }
    QString notesShapeText(int, int) override { return QStringLiteral("Say it twice."); }
};

struct Session {
    TransferControl inet;
    PlainWizardFields fields;
    ModuleFtp m{inet, fields};
    QTemporaryDir work;
    QStringList shown;

    explicit Session(const LumoraServer& server) {
        messages::setSink([this](const QString& text, const QString&) { shown << text; });
        programEnd::setHandler([] {});
        fields.ftpMachineV = server.host();
        fields.cvidV = server.user();
        fields.cvPasswordV = server.password();
        fields.exportPathV = work.path();
        fields.classV = QStringLiteral("cs101fall26");
        fields.monthV = QStringLiteral("Sep");
        fields.dayV = QStringLiteral("14");
        fields.yearV = QStringLiteral("2026");
        fields.sessionV = QStringLiteral("1");
        m.askLectureExists = [] { return int(AppendSlides); };
        m.cleanUp = [] {};
        inet.setTimeouts(10000, 20000);
    }
    ~Session() {
        messages::setSink({});
        programEnd::setHandler({});
    }
    QByteArray local(const QString& name) const {
        QFile f(work.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
};

LumoraServer::Options demoOptions() {
    LumoraServer::Options o;
    o.demoSeed = true;
    return o;
}

} // namespace

class TestDemoSeed : public QObject {
    Q_OBJECT
    LumoraServer server_{demoOptions()};

private slots:
    void initTestCase() { QVERIFY2(server_.start(), qPrintable(server_.error())); }

    void accounts_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("alice") << "alice"
                               << "wonder" << true;
        QTest::newRow("bob") << "bob"
                             << "builder" << true;
        QTest::newRow("carol") << "carol"
                               << "c4rol" << true;
        QTest::newRow("wrong password") << "alice"
                                        << "builder" << false;
        QTest::newRow("no such user") << "mallory"
                                      << "wonder" << false;
    }
    void accounts() {
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        Session s(server_);
        QVERIFY(s.m.ftpConnect());
        s.fields.idV = id;
        s.fields.passwordV = password;
        QCOMPARE(ftpCheckAccount(s.m), accepted);
    }

    void classes() {
        Session s(server_);
        QVERIFY(s.m.ftpConnect());
        ftpListClasses(s.m);
        QVERIFY2(s.shown.isEmpty(), qPrintable(s.shown.join(" | ")));
        QStringList listed = s.fields.classes;
        listed.sort();
        QCOMPARE(listed, QStringList({"cs101fall26", "hist200spring27", "math150winter26",
                                      "phys110summer26"}));
    }

    // The description reads exactly as the program writes one (weekday of the date included).
    void descriptionHasTheProgramsFormat() {
        const QDateTime written(QDate(2026, 9, 14), QTime(10, 0, 0));
        QCOMPARE(server_.readFile("lumora/" + kLecture + "description"),
                 "Welcome\nalice\n" + descriptionDateLine(written).toLatin1() + "\r\n");
    }

    // Appending to the demo lecture: its two slides are counted, and its text files are opened
    // up and continued like files the program wrote.
    void appendingToTheDemoLecture() {
        Session s(server_);
        QVERIFY(s.m.ftpConnect());
        bool append = false;
        QVERIFY(ftpFindLecture(s.m, append));
        QVERIFY(append);
        QCOMPARE(s.m.lectureDir, kLecture);
        QCOMPARE(s.m.slideOffset, int16_t(2));

        OneSlide reader;
        writeSlideText(reader, s.fields, true, [&] { return ftpFetchSlideText(s.m); });
        writeNotesText(reader, s.fields, true, [&] { return ftpFetchNotesText(s.m); });
        QVERIFY2(s.shown.isEmpty(), qPrintable(s.shown.join(" | ")));

        const QByteArray stml = server_.readFile("lumora/" + kLecture + "extract.stml");
        QVERIFY(stml.startsWith("<stml>\r\n<slide>\r\n<title>Welcome</title>\r\n"));
        QVERIFY(stml.endsWith("</slide>\r\n</stml>\r\n"));
        QCOMPARE(stml.count("<slide>\r\n"), 2);
        QCOMPARE(s.local("extract.stml"),
                 stml.chopped(int(strlen("</stml>\r\n"))) +
                     "<slide>\r\n<title>Recursion</title>\r\n<sentence>Base case</sentence>\r\n"
                     "<sentence>Step</sentence>\r\n</slide>\r\n</stml>\r\n");

        const QByteArray ntml = server_.readFile("lumora/" + kLecture + "extract.ntml");
        QVERIFY(ntml.startsWith("<ntml>\r\n<slide>\r\n<sentence>"));
        QCOMPARE(ntml.count("<slide>\r\n"), 2);
        QCOMPARE(s.local("extract.ntml"),
                 ntml.chopped(int(strlen("</ntml>\r\n"))) +
                     "<slide>\r\n<sentence>Say it twice.</sentence>\r\n</slide>\r\n</ntml>\r\n");
    }
};

QTEST_GUILESS_MAIN(TestDemoSeed)
#include "test_demo_seed.moc"
