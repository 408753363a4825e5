#include "server/ClassListing.h"

#include <QTest>

// The text rules of the class listing and its filters. (The account file's rules are checked
// through the server in the server-faults tests; dot entries, the slash of a directory, an empty
// line after the entries, and the "All" filters on every kept input of the class-listing fuzz
// target.)
class TestServerTexts : public QObject {
    Q_OBJECT
private slots:
    void classListing_data() {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("names");
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

    // The term and year filters: {term, year, class name}.
    void classFilters_data() {
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<bool>("passes");
        QTest::newRow("fall 1999, any case") << QStringList{"fall", "1999", "CS101FALL99"} << true;
        QTest::newRow("other term") << QStringList{"Winter", "All years", "cs101fall99"} << false;
        QTest::newRow("other year") << QStringList{"All terms", "2000", "cs101fall99"} << false;
        QTest::newRow("short year text") << QStringList{"All terms", "199", "cs1999"} << false;
        QTest::newRow("one-character name") << QStringList{"All terms", "1999", "9"} << false;
    }
    void classFilters() {
        QFETCH(QStringList, filter);
        QFETCH(bool, passes);
        QCOMPARE(termMatches(filter[0], filter[2]) && yearMatches(filter[1], filter[2]), passes);
    }
};

QTEST_APPLESS_MAIN(TestServerTexts)
#include "test_server_texts.moc"
