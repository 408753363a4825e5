#include "server/AccountFile.h"
#include "server/ClassListing.h"

#include <QTest>

// The text rules of the server session: the account file and the class listing. (Big files,
// NUL bytes and CR LF line ends are checked through the server in the bad-input tests.)
class TestServerTexts : public QObject {
    Q_OBJECT
private slots:
    void accountMatches_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("expected");

        const QByteArray usual("# accounts\nbob:secret:Bob:\nalice:pw1:Alice:x\n");
        QTest::newRow("match after comment") << usual << "alice"
                                             << "pw1" << true;
        QTest::newRow("id in other case") << usual << "Alice"
                                          << "pw1" << false;
        QTest::newRow("further field is not the password") << usual << "bob"
                                                           << "Bob" << false;
        QTest::newRow("comment line") << QByteArray("#root:pw:\n") << "#root"
                                      << "pw" << false;
        QTest::newRow("last line without LF") << QByteArray("b:s:\nalice:pw1:") << "alice"
                                              << "pw1" << false;
        QTest::newRow("empty password field") << QByteArray("alice::x\n") << "alice"
                                              << "" << true;
        QTest::newRow("stored id with trailing blanks") << QByteArray("alice  :pw1:\n") << "alice"
                                                        << "pw1" << false;
        QTest::newRow("Windows-1252")
            << QByteArray("j\xfcrgen:\x80uro:\n") << QString::fromUtf8("jürgen")
            << QString::fromUtf8("€uro") << true;
    }

    void accountMatches() {
        QFETCH(QByteArray, file);
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(bool, expected);
        QCOMPARE(::accountMatches(file, id, password), expected);
    }

    void classListing_data() {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("dot entries dropped, slash removed")
            << QStringLiteral("./\r\n../\r\ncs101fall99/\r\ncs101spring00\r\n")
            << QStringList{"cs101fall99", "cs101spring00"};
        QTest::newRow("empty first line") << QStringLiteral("\r\ncs101/\r\n") << QStringList{};
        QTest::newRow("last entry without CR LF")
            << QStringLiteral("a/\r\nb") << QStringList{"a", "b"};
        QTest::newRow("odd names") << QStringLiteral("/\r\n...\r\n cs 1 /\r\nÜbung\r\n")
                                   << QStringList{"...", " cs 1 ", "Übung"};
    }

    void classListing() {
        QFETCH(QString, listing);
        QFETCH(QStringList, names);
        QCOMPARE(parseClassListing(listing), names);
    }

    void classFilters_data() {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("passes");
        QTest::newRow("all") << "All terms"
                             << "All years"
                             << "" << true;
        QTest::newRow("fall 1999, any case") << "fall"
                                             << "1999"
                                             << "CS101FALL99" << true;
        QTest::newRow("other term") << "Winter"
                                    << "All years"
                                    << "cs101fall99" << false;
        QTest::newRow("other year") << "All terms"
                                    << "2000"
                                    << "cs101fall99" << false;
        QTest::newRow("empty term") << ""
                                    << "All years"
                                    << "cs101" << true;
        QTest::newRow("short year text") << "All terms"
                                         << "199"
                                         << "cs1999" << false;
        QTest::newRow("one-character name") << "All terms"
                                            << "1999"
                                            << "9" << false;
    }

    void classFilters() {
        QFETCH(QString, term);
        QFETCH(QString, year);
        QFETCH(QString, name);
        QFETCH(bool, passes);
        QCOMPARE(termMatches(term, name) && yearMatches(year, name), passes);
    }
};

QTEST_APPLESS_MAIN(TestServerTexts)
#include "test_server_texts.moc"
