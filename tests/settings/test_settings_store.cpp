#include "platform/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

class TestSettingsStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    static QString read(const QString& app, const QString& section, const QString& key) {
        return settingsStore::read(app, section, key, QStringLiteral("<default>"));
    }

private slots:
    void init() { settingsStore::useDirectory(dir_.path()); }

    // Whatever text is stored comes back exactly.
    void valuesComeBackExactly_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QString("  two  blanks  ");
        QTest::newRow("backslashes") << QString("C:\\TEMP\\deep\\");
        QTest::newRow("non-ascii")
            << QString::fromUtf8("Vorlesung \xc3\xa4\xe2\x82\xac \xe4\xb8\xad");
        QTest::newRow("ini syntax") << QString("a=b;c,d \"q\" [s] #x");
        QTest::newRow("newline") << QString("one\ntwo\r\n");
    }
    void valuesComeBackExactly() {
        QFETCH(QString, value);
        settingsStore::write("Slide-Ferry", "Settings", "Directory", value);
        QCOMPARE(read("Slide-Ferry", "Settings", "Directory"), value);
    }

    // A key is told apart by application, section and name (in its case); a missing one gives
    // the default, a second write replaces.
    void keysAreSeparatedByApplicationSectionAndKey() {
        QCOMPARE(read("Slide-Ferry", "Settings", "Term"), QString("<default>"));
        settingsStore::write("Slide-Ferry", "Settings", "Term", "Fall");
        settingsStore::write("Other", "Settings", "Term", "Winter");
        settingsStore::write("Slide-Ferry", "Else", "Term", "Spring");
        settingsStore::write("Slide-Ferry", "Settings", "Term", "Summer");
        QCOMPARE((QStringList{
                     read("Slide-Ferry", "Settings", "Term"), read("Other", "Settings", "Term"),
                     read("Slide-Ferry", "Else", "Term"), read("Slide-Ferry", "Settings", "term")}),
                 (QStringList{"Summer", "Winter", "Spring", "<default>"}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
