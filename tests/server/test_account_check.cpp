#include "ServerSession.h"

#include "platform/Failure.h"
#include "server/AccountCheck.h"

#include <QDir>
#include <QTest>

class TestAccountCheck : public QObject {
    Q_OBJECT
private slots:
    void checksAgainstServerFile_data();
    void checksAgainstServerFile();
    void missingAccountFileIsAFailure();
};

void TestAccountCheck::checksAgainstServerFile_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("expected");
    QTest::newRow("further fields are not the password") << "ann"
                                                         << "Ann" << false;
    QTest::newRow("second line") << "bob"
                                 << "b0b" << true;
    QTest::newRow("first line") << "ann"
                                << "pw" << true;
    QTest::newRow("wrong case") << "Ann"
                                << "pw" << false;
    QTest::newRow("wrong password") << "bob"
                                    << "pw" << false;
}

// The real fetch and match; the copy of the account file never lands in the working directory
// and the check leaves nothing behind there.
void TestAccountCheck::checksAgainstServerFile() {
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(bool, expected);

    ServerSession s;
    QVERIFY2(s.start(), qPrintable(s.server.error() + s.shown.join('\n')));
    QVERIFY(s.server.writeFile("lumora/admin/passwd", "# accounts\nann:pw:Ann\nbob:b0b:Bob\n"));
    s.fields.idV = id;
    s.fields.passwordV = password;

    QCOMPARE(ftpCheckAccount(s.m), expected);
    QCOMPARE(QDir(s.work.path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
             QStringList());
    QVERIFY(s.shown.isEmpty());
    QCOMPARE(s.cleanUps, 0);
}

void TestAccountCheck::missingAccountFileIsAFailure() {
    ServerSession s;
    QVERIFY2(s.start(), qPrintable(s.server.error() + s.shown.join('\n')));
    s.fields.idV = QStringLiteral("ann");
    s.fields.passwordV = QStringLiteral("pw");
    // A stale copy in the working directory must not be read instead.
    QFile stale(s.workFile(QStringLiteral("passwd")));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("ann:pw:\n");
    stale.close();

    try {
        ftpCheckAccount(s.m);
        QFAIL("no failure raised");
    } catch (const Failure& failure) {
        QVERIFY2(failure.description().contains(QLatin1String("~/lumora/admin/passwd")),
                 qPrintable(failure.description()));
    }

    // The same when the server is gone.
    s.server.stop();
    QVERIFY_THROWS_EXCEPTION(Failure, ftpCheckAccount(s.m));
    QVERIFY(!programEnd::hasEnded());
}

QTEST_GUILESS_MAIN(TestAccountCheck)
#include "test_account_check.moc"
