#include "server/AccountFile.h"

#include <QTest>

class TestAccountFile : public QObject {
    Q_OBJECT
private slots:
    void matches_data();
    void matches();
    void longFileSearchedToTheEnd();
};

void TestAccountFile::matches_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("expected");

    const QByteArray usual("# Lumora accounts\nbob:secret:Bob B:\nalice:pw1:Alice:x\n");
    QTest::newRow("match after comment") << usual << "alice"
                                         << "pw1" << true;
    QTest::newRow("first line matches") << usual << "bob"
                                        << "secret" << true;
    QTest::newRow("id in other case") << usual << "Alice"
                                      << "pw1" << false;
    QTest::newRow("password in other case") << usual << "alice"
                                            << "PW1" << false;
    QTest::newRow("wrong password") << usual << "alice"
                                    << "secret" << false;
    QTest::newRow("password of another user") << usual << "bob"
                                              << "pw1" << false;
    QTest::newRow("further fields are not the password") << usual << "bob"
                                                         << "Bob B" << false;
    QTest::newRow("comment line is never an account") << QByteArray("#root:pw:\n") << "#root"
                                                      << "pw" << false;
    QTest::newRow("last line without LF") << QByteArray("bob:secret:\nalice:pw1:") << "alice"
                                          << "pw1" << false;
    QTest::newRow("no LF at all") << QByteArray("alice:pw1:") << "alice"
                                  << "pw1" << false;
    QTest::newRow("empty file") << QByteArray() << ""
                                << "" << false;
    QTest::newRow("empty password field") << QByteArray("alice::x\n") << "alice"
                                          << "" << true;
    QTest::newRow("empty password does not match a set one")
        << QByteArray("alice:pw1:\n") << "alice"
        << "" << false;
    QTest::newRow("stored id with trailing blanks") << QByteArray("alice  :pw1:\n") << "alice"
                                                    << "pw1" << false;
    QTest::newRow("typed id with trailing blanks") << QByteArray("alice:pw1:\n") << "alice "
                                                   << "pw1" << false;
    QTest::newRow("password with blanks kept") << QByteArray("alice: pw 1 :\n") << "alice"
                                               << " pw 1 " << true;
    QTest::newRow("lines with fewer than two colons are skipped")
        << QByteArray("\njunk\nhalf:line\nalice:pw1:\n") << "alice"
        << "pw1" << true;
    QTest::newRow("one colon is not a password") << QByteArray("alice:pw1\n") << "alice"
                                                 << "pw1" << false;
    QTest::newRow("CR LF file is read to its first CR")
        << QByteArray("alice:pw1:\r\nbob:secret:\r\n") << "alice"
        << "pw1" << false;
    QTest::newRow("lines before a CR still count")
        << QByteArray("alice:pw1:\nbob:x:\r\n") << "alice"
        << "pw1" << true;
    QTest::newRow("NUL bytes are plain characters")
        << QByteArray("ali\0ce:pw1:\nbob:s\0t:\n", 22) << "alice"
        << "pw1" << false;
    QTest::newRow("NUL before the matching line")
        << QByteArray("\0\0\0\nalice:pw1:\n", 15) << "alice"
        << "pw1" << true;
    QTest::newRow("Windows-1252 euro sign")
        << QByteArray("eve:\x80uro:\n") << "eve" << QString::fromUtf8("€uro") << true;
    QTest::newRow("Latin-1 letters")
        << QByteArray("j\xfcrgen:gr\xfc\xdf:\n") << QString::fromUtf8("jürgen")
        << QString::fromUtf8("grüß") << true;
}

void TestAccountFile::matches() {
    QFETCH(QByteArray, file);
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(bool, expected);
    QCOMPARE(accountMatches(file, id, password), expected);
}

// Positions are not limited to 16 bits: an account far beyond the 32,767th character is found.
void TestAccountFile::longFileSearchedToTheEnd() {
    QByteArray file;
    for (int i = 0; file.size() < 100000; ++i)
        file += "user" + QByteArray::number(i) + ":pw" + QByteArray::number(i) + ":gecos\n";
    file += "carol:last:\n";
    QVERIFY(file.size() > 100000);
    QVERIFY(accountMatches(file, QStringLiteral("carol"), QStringLiteral("last")));
    QVERIFY(!accountMatches(file, QStringLiteral("carol"), QStringLiteral("nope")));
}

QTEST_APPLESS_MAIN(TestAccountFile)
#include "test_account_file.moc"
