// The demo server's tree (tools/lumora_server.py --seed demo) as the program meets it: its
// accounts log in, and its lecture is found and counted like one the program uploaded itself.
#include "server/AccountCheck.h"
#include "server/LectureDirectory.h"
#include "support/LumoraServer.h"
#include "support/ServerRun.h"

#include <QTest>

class TestDemoSeed : public QObject {
    Q_OBJECT
    LumoraServer server_{[] {
        LumoraServer::Options o;
        o.demoSeed = true;
        return o;
    }()};

private slots:
    void initTestCase() { QVERIFY2(server_.start(), qPrintable(server_.error())); }

    void accounts() {
        ServerRun s(server_);
        const QList<std::pair<const char*, const char*>> logins{
            {"alice", "wonder"}, {"bob", "builder"}, {"carol", "c4rol"}};
        for (const auto& [id, password] : logins) {
            s.lecture.lumoraId = id;
            s.lecture.lumoraPassword = password;
            QVERIFY2(ftpCheckAccount(s.m), id);
        }
        s.lecture.lumoraId = QStringLiteral("alice");
        s.lecture.lumoraPassword = QStringLiteral("builder");
        QVERIFY(!ftpCheckAccount(s.m));
    }

    void lectureFoundForAppending() {
        ServerRun s(server_);
        s.lecture.className = QStringLiteral("cs101fall26");
        s.lecture.month = QStringLiteral("Sep");
        s.lecture.day = QStringLiteral("14");
        s.lecture.year = QStringLiteral("2026");
        s.choice = AppendSlides;
        bool append = false;
        QVERIFY(ftpFindLecture(s.m, append));
        QVERIFY(append);
        QCOMPARE(s.m.lectureDir, QStringLiteral("classes/cs101fall26/Sep.14.2026.1/"));
        QCOMPARE(s.m.slideOffset, int16_t(2));
    }
};

QTEST_GUILESS_MAIN(TestDemoSeed)
#include "test_demo_seed.moc"
