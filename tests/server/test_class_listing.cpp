#include "server/ClassListing.h"

#include <QTest>

class TestClassListing : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void longListing();
    void filters_data();
    void filters();
};

void TestClassListing::parse_data() {
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QStringList>("names");

    const QString usual = QStringLiteral("./\r\n../\r\ncs101fall99/\r\ncs101spring00/\r\n");
    QTest::newRow("dot entries dropped, slash removed")
        << usual << QStringList{"cs101fall99", "cs101spring00"};
    QTest::newRow("entries without slash taken whole")
        << QStringLiteral(".\r\n..\r\ncs101\r\nma200\r\n") << QStringList{"cs101", "ma200"};
    QTest::newRow("empty listing") << QString() << QStringList{};
    QTest::newRow("empty first line") << QStringLiteral("\r\ncs101/\r\n") << QStringList{};
    QTest::newRow("empty line ends the listing")
        << QStringLiteral("a/\r\n\r\nb/\r\n") << QStringList{"a"};
    QTest::newRow("last entry without CR LF")
        << QStringLiteral("a/\r\nb/") << QStringList{"a", "b"};
    QTest::newRow("only one slash removed") << QStringLiteral("a//\r\n") << QStringList{"a/"};
    QTest::newRow("name that is only a slash") << QStringLiteral("/\r\nb\r\n") << QStringList{"b"};
    QTest::newRow("dots that are not . or ..")
        << QStringLiteral("...\r\n.hidden/\r\n") << QStringList{"...", ".hidden"};
    QTest::newRow("blanks and non-ASCII kept")
        << QStringLiteral(" cs 101 /\r\nMathé 2000/\r\n") << QStringList{" cs 101 ", "Mathé 2000"};
}

void TestClassListing::parse() {
    QFETCH(QString, listing);
    QFETCH(QStringList, names);
    QCOMPARE(parseClassListing(listing), names);
}

// The whole listing counts, not only its first 1024 characters.
void TestClassListing::longListing() {
    QString listing = QStringLiteral("./\r\n../\r\n");
    QStringList expected;
    for (int i = 0; i < 200; ++i) {
        const QString name = QStringLiteral("class%1spring00").arg(i, 3, 10, QLatin1Char('0'));
        listing += name + QStringLiteral("/\r\n");
        expected.append(name);
    }
    QVERIFY(listing.size() > 3000);
    QCOMPARE(parseClassListing(listing), expected);
}

void TestClassListing::filters_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("passes");

    QTest::newRow("all") << "All terms"
                         << "All years"
                         << "x" << true;
    QTest::newRow("all, empty name") << "All terms"
                                     << "All years"
                                     << "" << true;
    QTest::newRow("fall 1999") << "Fall"
                               << "1999"
                               << "cs101fall99" << true;
    QTest::newRow("term in lower case") << "fall"
                                        << "1999"
                                        << "cs101fall99" << true;
    QTest::newRow("name in capitals") << "Fall"
                                      << "1999"
                                      << "CS101FALL99" << true;
    QTest::newRow("other term") << "Winter"
                                << "All years"
                                << "cs101fall99" << false;
    QTest::newRow("other year") << "All terms"
                                << "2000"
                                << "cs101fall99" << false;
    QTest::newRow("year 2000") << "Spring"
                               << "2000"
                               << "cs101spring00" << true;
    QTest::newRow("year digits anywhere") << "Fall"
                                          << "1999"
                                          << "99cs-fall" << true;
    QTest::newRow("empty term passes") << ""
                                       << "All years"
                                       << "cs101" << true;
    QTest::newRow("ALL TERMS is a plain term") << "ALL TERMS"
                                               << "All years"
                                               << "cs101" << false;
    QTest::newRow("short year text") << "All terms"
                                     << "199"
                                     << "cs1999" << false;
    QTest::newRow("empty year text") << "All terms"
                                     << ""
                                     << "cs1999" << false;
    QTest::newRow("one-character name") << "All terms"
                                        << "1999"
                                        << "9" << false;
    QTest::newRow("empty name, term") << "Fall"
                                      << "All years"
                                      << "" << false;
}

void TestClassListing::filters() {
    QFETCH(QString, term);
    QFETCH(QString, year);
    QFETCH(QString, name);
    QFETCH(bool, passes);
    QCOMPARE(termMatches(term, name) && yearMatches(year, name), passes);
}

QTEST_APPLESS_MAIN(TestClassListing)
#include "test_class_listing.moc"
