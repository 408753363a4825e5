#include "platform/SettingsStore.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmHelp.h"
#include "windows/FrmProgress.h"
#include "wizard/WizardFields.h"

#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

// Draws each window the way a user sees it. With SF_SCREENSHOT_DIR set the pictures are written
// there as PNG files for a look by eye; otherwise they are only drawn.
class TestWindowPictures : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString outDir_;

    void keep(QWidget& w, const QString& name) {
        QCoreApplication::processEvents();
        const QPixmap picture = w.grab();
        QVERIFY(!picture.isNull());
        QVERIFY(picture.width() > 100 && picture.height() > 100);
        if (!outDir_.isEmpty())
            QVERIFY(picture.save(QDir(outDir_).filePath(name + ".png")));
    }

private slots:
    void initTestCase() {
        settingsStore::useDirectory(dir_.path());
        outDir_ = qEnvironmentVariable("SF_SCREENSHOT_DIR");
        if (!outDir_.isEmpty())
            QVERIFY(QDir().mkpath(outDir_));
    }

    void progressWindow() {
        FrmProgress w;
        w.setExpectedSteps(24);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Add("");
        w.Add("Converting slides to images...");
        for (int i = 1; i <= 12; ++i)
            w.Add(QStringLiteral("Converting slide %1 to GIF").arg(i));
        w.Add("Creating blank slide");
        keep(w, "progress-running");
        w.Add("");
        w.Add("FTPing slides...");
        for (int i = 1; i <= 12; ++i)
            w.Add(QStringLiteral("FTPing slide %1").arg(i));
        w.Add("FTPing description");
        w.Add("FTPing STML file");
        w.Add("Slide-Ferry complete");
        w.showDone();
        keep(w, "progress-done");
    }

    void lectureExistsDialog() {
        PlainWizardFields fields;
        fields.classV = "cs101";
        fields.monthV = "Feb";
        fields.dayV = "3";
        fields.yearV = "1999";
        FrmFTPError dialog(fields);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.option(2)->setChecked(true);
        keep(dialog, "lecture-exists");
        dialog.hide();
    }

    void helpWindow() {
        FrmHelp::showHelp();
        FrmHelp* help = FrmHelp::existing();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        keep(*help, "help-default");
        help->resize(900, 700);
        keep(*help, "help-large");
        for (const char* section : {"advanced", "exists", "problems"}) {
            help->browser()->setSource(
                QUrl(FrmHelp::guideUrl().toString() + "#" + QLatin1String(section)));
            keep(*help, QStringLiteral("help-") + QLatin1String(section));
        }
        help->close();
    }
};

QTEST_MAIN(TestWindowPictures)
#include "test_window_pictures.moc"
