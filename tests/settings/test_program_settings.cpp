// The remembered choices as the table reads and writes them, against the keys and the texts
// that stores written by earlier versions hold.
#include "platform/ProgramSettings.h"
#include "platform/SettingsStore.h"
#include "support/TestEnv.h"

#include <QTest>

namespace {
QString storedUnder(const char* key) {
    return settingsStore::read(settingsStore::kProgramName, settingsStore::kChoicesSection,
                               QLatin1String(key), QStringLiteral("<absent>"));
}
void storeUnder(const char* key, const QString& value) {
    settingsStore::write(settingsStore::kProgramName, settingsStore::kChoicesSection,
                         QLatin1String(key), value);
}
} // namespace

class TestProgramSettings : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        settingsStore::useDirectory(dir_->path());
    }

    // Every text is read from, and written to, the key existing stores hold it under; none
    // shares a key with another.
    void textsKeepTheirKeys() {
        namespace ps = programSettings;
        const std::pair<const ps::Text*, const char*> table[] = {
            {&ps::serverHost, "System"},        {&ps::lumoraId, "UserID"},
            {&ps::corvaneId, "CorvaneID"},      {&ps::drive, "Drive"},
            {&ps::directory, "Directory"},      {&ps::className, "Class"},
            {&ps::termFilter, "Term"},          {&ps::yearFilter, "Year"},
            {&ps::imageFormat, "ImageType"},    {&ps::exportPath, "ExportPath"},
            {&ps::imageSize.name, "Resolution"}};
        for (const auto& [setting, key] : table)
            storeUnder(key, QStringLiteral("old %1").arg(QLatin1String(key)));
        for (const auto& [setting, key] : table) {
            QCOMPARE(setting->read(), QStringLiteral("old %1").arg(QLatin1String(key)));
            setting->write(QStringLiteral("new %1").arg(QLatin1String(key)));
        }
        for (const auto& [setting, key] : table)
            QCOMPARE(storedUnder(key), QStringLiteral("new %1").arg(QLatin1String(key)));
    }

    // The default stands in only when nothing is stored: an empty text stored comes back empty.
    // The working directory's default is the temporary directory as it is when read.
    void defaultsOnlyWhenNothingIsStored() {
        namespace ps = programSettings;
        QCOMPARE(ps::serverHost.read(), QString("localhost"));
        QVERIFY(!ps::serverHost.stored());
        QCOMPARE(
            (QStringList{ps::termFilter.read(), ps::yearFilter.read(), ps::drive.read(),
                         ps::imageFormat.read(), ps::imageSize.name.read(), ps::className.read()}),
            (QStringList{"All terms", "All years", "/", "GIF", "XGA", ""}));
        ps::serverHost.write(QString());
        QCOMPARE(ps::serverHost.stored(), std::optional<QString>(QString()));
        QCOMPARE(ps::serverHost.read(), QString());

        QTemporaryDir elsewhere;
        const QByteArray before = qgetenv("TMPDIR");
        qputenv("TMPDIR", elsewhere.path().toLocal8Bit());
        const QString workDir = ps::exportPath.read();
        qputenv("TMPDIR", before);
        QCOMPARE(workDir, QDir(elsewhere.path()).absolutePath());
    }

    // The custom size is stored crossed: a store written by an earlier version holds the width
    // under CustomHeight and the height under CustomWidth, and is read and written so still.
    void customSizeKeysAreCrossed() {
        QVERIFY(testEnv::writeFile(dir_->filePath("Slide-Ferry.ini"),
                                   "[Settings]\nResolution=Custom\nCustomWidth=480\n"
                                   "CustomHeight=640\n"));
        const programSettings::ImageSize old = programSettings::imageSize.read();
        QCOMPARE((QStringList{old.name, old.width, old.height}),
                 (QStringList{"Custom", "640", "480"}));

        programSettings::imageSize.write({"Custom", "1024", "768"});
        QCOMPARE((QStringList{storedUnder("Resolution"), storedUnder("CustomHeight"),
                              storedUnder("CustomWidth")}),
                 (QStringList{"Custom", "1024", "768"}));
        const programSettings::ImageSize back = programSettings::imageSize.read();
        QCOMPARE((QStringList{back.name, back.width, back.height}),
                 (QStringList{"Custom", "1024", "768"}));
    }

    // The help window's numbers: the default when none is stored; blanks around a stored one
    // are allowed; a text that is no usable number gives nothing (the window then keeps its
    // place), never a default in its stead. Written in their shortest form.
    void numbersReadBackOrGiveNothing() {
        QCOMPARE(programSettings::helpWidth.read(), std::optional<double>(6720));
        QVERIFY(!programSettings::helpWidth.isStored());
        const std::pair<const char*, std::optional<double>> cases[] = {
            {" 1507.5 ", 1507.5},  {"-300", -300.0},      {"abc", std::nullopt},
            {"", std::nullopt},    {"1,5", std::nullopt}, {"inf", std::nullopt},
            {"nan", std::nullopt}, {"1e30", std::nullopt}};
        for (const auto& [text, expected] : cases) {
            storeUnder("HelpWidth", QLatin1String(text));
            QVERIFY2(programSettings::helpWidth.read() == expected, text);
            QVERIFY(programSettings::helpWidth.isStored());
        }
        programSettings::helpLeft.write(1500);
        programSettings::helpTop.write(2992.5);
        QCOMPARE(storedUnder("HelpLeft") + " " + storedUnder("HelpTop"), QString("1500 2992.5"));
    }

    // Trust is kept per host and port, whatever the letter case the host is given in.
    void trustIsKeptPerHost() {
        const auto& trust = programSettings::trustedCertificate;
        trust.write("Lumora.Example.EDU:990", "AB:CD");
        QCOMPARE(trust.read("lumora.example.edu:990"), QString("AB:CD"));
        QCOMPARE(trust.read("lumora.example.edu"), QString());
        QCOMPARE(storedUnder("TrustedCertificate/lumora.example.edu:990"), QString("AB:CD"));
    }
};

QTEST_GUILESS_MAIN(TestProgramSettings)
#include "test_program_settings.moc"
