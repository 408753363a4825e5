#include "platform/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

class TestSettingsStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void init() { settingsStore::useDirectory(dir_.path()); }

    void missingKeyGivesDefault() {
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "System", "lumora.example"),
                 QString("lumora.example"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Nothing", ""), QString());
    }

    void valuesComeBackExactly_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QString("  two  blanks  ");
        QTest::newRow("backslashes") << QString("C:\\TEMP\\deep\\");
        QTest::newRow("non-ascii") << QString::fromUtf8("Vorlesung \xc3\xa4\xe2\x82\xac \xe4\xb8\xad");
        QTest::newRow("ini syntax") << QString("a=b;c,d \"q\" [s] #x");
        QTest::newRow("newline") << QString("one\ntwo\r\n");
    }
    void valuesComeBackExactly() {
        QFETCH(QString, value);
        settingsStore::write("Slide-Ferry", "Settings", "Directory", value);
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Directory", "default"), value);
    }

    void keysAreSeparatedByApplicationSectionAndKey() {
        settingsStore::write("Slide-Ferry", "Settings", "Term", "Fall");
        settingsStore::write("Other", "Settings", "Term", "Winter");
        settingsStore::write("Slide-Ferry", "Else", "Term", "Spring");
        settingsStore::write("Slide-Ferry", "Settings", "Term", "Summer"); // replaces
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "Term", ""), QString("Summer"));
        QCOMPARE(settingsStore::read("Other", "Settings", "Term", ""), QString("Winter"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Else", "Term", ""), QString("Spring"));
        QCOMPARE(settingsStore::read("Slide-Ferry", "Settings", "term", "none"), QString("none"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
