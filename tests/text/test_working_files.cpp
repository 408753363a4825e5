#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "pipeline/WorkingFiles.h"

namespace {
void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QStringList namesIn(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                            QDir::Hidden | QDir::System);
    names.sort();
    return names;
}
} // namespace

class TestWorkingFiles : public QObject {
    Q_OBJECT
private slots:
    void deletion_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("remaining");
        const QStringList always{"Slides.ppt", "extract1.ntml", "extract1.stml", "notes.txt",
                                 "sub"};
        QTest::newRow("GIF") << "GIF"
                             << always + QStringList{"Slide1.JPG", "Slide2.jpg", "blank.jpg"};
        QTest::newRow("jpg lower case")
            << "jpg"
            << always + QStringList{"Slide1.gif", "Slide2.GIF", "Slideshow.GIF", "blank.GIF"};
        const QStringList all =
            always + QStringList{"Slide1.JPG",    "Slide1.gif", "Slide2.GIF", "Slide2.jpg",
                                 "Slideshow.GIF", "blank.GIF",  "blank.jpg"};
        QTest::newRow("star is no wildcard") << "*" << all;
        QTest::newRow("path in the format") << "../x" << all;
    }
    void deletion() {
        QFETCH(QString, format);
        QFETCH(QStringList, remaining);
        QTemporaryDir top;
        QVERIFY(top.isValid());
        QVERIFY(QDir(top.path()).mkpath(QStringLiteral("work/sub")));
        const QString d = top.path() + QStringLiteral("/work");
        for (const char* name :
             {"description", "extract.stml", "extract.ntml", "extract1.stml", "extract1.ntml",
              "Slide1.gif", "Slide2.GIF", "Slideshow.GIF", "blank.GIF", "Slide1.JPG", "Slide2.jpg",
              "blank.jpg", "Slides.ppt", "notes.txt"})
            touch(d + QLatin1Char('/') + QLatin1String(name));
        // Files beside and below the working directory are out of reach.
        const QStringList outside{"Slide1.gif", "blank.GIF", "x", "work/sub/Slide9.gif",
                                  "work/sub/x"};
        for (const QString& name : outside)
            touch(top.path() + QLatin1Char('/') + name);

        deleteWorkingFiles(d, format);
        remaining.sort();
        QCOMPARE(namesIn(d), remaining);
        for (const QString& name : outside)
            QVERIFY2(QFile::exists(top.path() + QLatin1Char('/') + name), qPrintable(name));

        // A second run changes nothing and does not fail.
        deleteWorkingFiles(d, format);
        QCOMPARE(namesIn(d), remaining);
    }

    void missingDirectory() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        deleteWorkingFiles(dir.path() + QStringLiteral("/missing"), QStringLiteral("GIF"));
        deleteWorkingFiles(QString(), QStringLiteral("GIF"));
        QVERIFY(namesIn(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWorkingFiles)
#include "test_working_files.moc"
