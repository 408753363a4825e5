#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include "pipeline/Description.h"
#include "platform/Failure.h"
#include "wizard/WizardFields.h"

namespace {
QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}
} // namespace

class TestDescription : public QObject {
    Q_OBJECT
private slots:
    void dateLine_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("line");
        QTest::newRow("single-digit day, two-digit time")
            << QDateTime(QDate(1999, 3, 1), QTime(9, 5, 7))
            << QStringLiteral("Mon Mar 1 09:05:07 EDT 1999");
        QTest::newRow("winter, late hour") << QDateTime(QDate(2026, 12, 6), QTime(23, 59, 0))
                                           << QStringLiteral("Sun Dec 6 23:59:00 EDT 2026");
        QTest::newRow("midnight, two-digit day") << QDateTime(QDate(2024, 2, 29), QTime(0, 0, 0))
                                                 << QStringLiteral("Thu Feb 29 00:00:00 EDT 2024");
        QTest::newRow("other time zone still EDT")
            << QDateTime(QDate(2001, 7, 14), QTime(12, 30, 45), Qt::UTC)
            << QStringLiteral("Sat Jul 14 12:30:45 EDT 2001");
    }
    void dateLine() {
        QFETCH(QDateTime, when);
        QFETCH(QString, line);
        // English names whatever the user's locale.
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString got = descriptionDateLine(when);
        QLocale::setDefault(saved);
        QCOMPARE(got, line);
    }

    void fileLayout() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        PlainWizardFields fields;
        fields.exportPathV = dir.path();
        fields.titleV = QStringLiteral("Caf\u00E9 \u20AC & <b>");
        fields.idV = QStringLiteral("jdoe");
        const QDateTime when(QDate(1999, 3, 1), QTime(9, 5, 7));
        const QString path = dir.path() + QStringLiteral("/description");

        // A longer earlier file is replaced, not appended to.
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500, 'x'));
        old.close();

        writeDescription(fields, when);
        QCOMPARE(readFile(path),
                 QByteArray("Caf\xE9 \x80 & <b>\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));

        fields.titleV.clear();
        writeDescription(fields, when);
        QCOMPARE(readFile(path), QByteArray("\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));
    }

    void unwritableFails() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        PlainWizardFields fields;
        fields.exportPathV = dir.path() + QStringLiteral("/missing");
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields));
        fields.exportPathV.clear();
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields));
        fields.exportPathV = dir.path();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("description")));
        try {
            writeDescription(fields);
            QFAIL("no Failure");
        } catch (const Failure& f) {
            QVERIFY(f.description().contains(QStringLiteral("description")));
        }
    }
};

QTEST_GUILESS_MAIN(TestDescription)
#include "test_description.moc"
