#include "ServerSession.h"

#include "server/ClassCatalogue.h"

#include <QTest>

class TestClassCatalogue : public QObject {
    Q_OBJECT
private slots:
    void filtersServerClasses_data();
    void filtersServerClasses();
    void longListingIsReadWhole();
    void missingClassDirectoryGivesEmptyList();
    void raisedFailureEndsTheProgram();
};

void TestClassCatalogue::filtersServerClasses_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QStringList>("classes");
    QTest::newRow("all") << "All terms"
                         << "All years"
                         << QStringList{"cs 101 fall99", "cs101spring00", "ma200Fall00",
                                        "Übung fall99"};
    QTest::newRow("fall 1999") << "Fall"
                               << "1999" << QStringList{"cs 101 fall99", "Übung fall99"};
    QTest::newRow("fall typed lower case 2000") << "fall"
                                                << "2000" << QStringList{"ma200Fall00"};
    QTest::newRow("winter") << "Winter"
                            << "All years" << QStringList{};
}

void TestClassCatalogue::filtersServerClasses() {
    QFETCH(QString, term);
    QFETCH(QString, year);
    QFETCH(QStringList, classes);

    ServerSession s;
    QVERIFY2(s.start(), qPrintable(s.server.error() + s.shown.join('\n')));
    for (const char* name : {"cs101spring00", "cs 101 fall99", "ma200Fall00", "Übung fall99"})
        QVERIFY(s.server.makeDir(QStringLiteral("lumora/classes/") + QString::fromUtf8(name)));
    // The old list is replaced.
    s.fields.classes = QStringList{"stale"};
    s.fields.termV = term;
    s.fields.yearFilterV = year;

    ftpListClasses(s.m);
    QCOMPARE(s.fields.classes, classes);
    QCOMPARE(s.fields.classV, classes.isEmpty() ? QString() : classes.first());
    QVERIFY(s.shown.isEmpty());
}

// Many classes: the listing runs far beyond one chunk of 1024 characters and every class
// appears.
void TestClassCatalogue::longListingIsReadWhole() {
    ServerSession s;
    QVERIFY2(s.start(), qPrintable(s.server.error() + s.shown.join('\n')));
    QStringList expected;
    for (int i = 0; i < 150; ++i) {
        const QString name = QStringLiteral("class%1-winter-2000").arg(i, 3, 10, QLatin1Char('0'));
        QVERIFY(s.server.makeDir(QStringLiteral("lumora/classes/") + name));
        expected.append(name);
    }
    ftpListClasses(s.m);
    QCOMPARE(s.fields.classes.size(), 150);
    QCOMPARE(s.fields.classes, expected);
    QCOMPARE(s.fields.classV, expected.first());
}

void TestClassCatalogue::missingClassDirectoryGivesEmptyList() {
    ServerSession s;
    QVERIFY2(s.start(), qPrintable(s.server.error() + s.shown.join('\n')));
    QVERIFY(QDir(s.server.lumoraDir() + QStringLiteral("/classes")).removeRecursively());
    s.fields.classes = QStringList{"stale"};
    ftpListClasses(s.m);
    QCOMPARE(s.fields.classes, QStringList());
    QVERIFY(s.shown.isEmpty());
    QVERIFY(!programEnd::hasEnded());
}

void TestClassCatalogue::raisedFailureEndsTheProgram() {
    ServerSession s;
    QVERIFY2(s.start(), qPrintable(s.server.error() + s.shown.join('\n')));
    s.inet.URL = QStringLiteral("nonsense"); // the component refuses to start anything
    s.fields.classes = QStringList{"kept"};
    QVERIFY_THROWS_EXCEPTION(programEnd::ProgramEnded, ftpListClasses(s.m));
    QCOMPARE(s.shown.size(), 1);
    QVERIFY2(s.shown.first().startsWith(QLatin1String("Error! | Error: ")),
             qPrintable(s.shown.first()));
    QVERIFY(s.shown.first().endsWith(QStringLiteral(", ") + s.server.host()));
    QCOMPARE(s.cleanUps, 1);
    QCOMPARE(s.fields.classes, QStringList{"kept"});
}

QTEST_GUILESS_MAIN(TestClassCatalogue)
#include "test_class_catalogue.moc"
