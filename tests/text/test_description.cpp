#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "lecture/LectureRecord.h"
#include "pipeline/Description.h"
#include "platform/Failure.h"

class TestDescription : public QObject {
    Q_OBJECT
private slots:
    void dateLine_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("line");
        QTest::newRow("single-digit day")
            << QDateTime(QDate(1999, 3, 1), QTime(9, 5, 7)) << "Mon Mar 1 09:05:07 EDT 1999";
        QTest::newRow("winter, midnight")
            << QDateTime(QDate(2024, 12, 29), QTime(0, 0, 0)) << "Sun Dec 29 00:00:00 EDT 2024";
        QTest::newRow("UTC still EDT") << QDateTime(QDate(2001, 7, 14), QTime(23, 30, 45), Qt::UTC)
                                       << "Sat Jul 14 23:30:45 EDT 2001";
    }
    void dateLine() {
        QFETCH(QDateTime, when);
        QFETCH(QString, line);
        // English names whatever the user's locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString got = descriptionDateLine(when);
        QLocale::setDefault(QLocale::system());
        QCOMPARE(got, line);
    }

    void file() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        LectureRecord fields;
        fields.workDir = dir.path();
        fields.lumoraId = QStringLiteral("jdoe");
        const QDateTime when(QDate(1999, 3, 1), QTime(9, 5, 7));
        const QString path = dir.path() + QStringLiteral("/description");
        const auto read = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
        };

        fields.title = QStringLiteral("Caf\u00E9 \u20AC & <b> with a longer title");
        writeDescription(fields, when);
        // The second transfer replaces the file of the first.
        fields.title.clear();
        writeDescription(fields, when);
        QCOMPARE(read(), QByteArray("\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));
        fields.title = QStringLiteral("Caf\u00E9 \u20AC & <b>");
        writeDescription(fields, when);
        QCOMPARE(read(), QByteArray("Caf\xE9 \x80 & <b>\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));

        // A directory in the file's place, a missing or no working directory.
        QFile::remove(path);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("description")));
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields));
        fields.workDir = dir.path() + QStringLiteral("/missing");
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields));
        fields.workDir.clear();
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields));
    }
};

QTEST_GUILESS_MAIN(TestDescription)
#include "test_description.moc"
