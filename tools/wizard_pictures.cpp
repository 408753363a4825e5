// Writes a picture of every wizard page and of the auxiliary windows into a folder:
//   QT_QPA_PLATFORM=offscreen build/tools/wizard-pictures OUTDIR
#include "platform/SettingsStore.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmHelp.h"
#include "windows/FrmProgress.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>

namespace {
bool save(QWidget& w, const QDir& out, const QString& name) {
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard-pictures OUTDIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    QTemporaryDir settings; // never touch the user's own settings
    settingsStore::useDirectory(settings.path());

    FrmMain wizard;
    wizard.show();
    wizard.ID->setText(QStringLiteral("jdoe"));
    wizard.Title->setText(QStringLiteral("Introduction to Lumora"));
    wizard.Classes->addItem(QStringLiteral("cs101fall26"));
    for (int i = 1; i <= 12; ++i) {
        wizard.firstSlide->addItem(QStringLiteral(" ") + QString::number(i));
        wizard.lastSlide->addItem(QStringLiteral(" ") + QString::number(i));
    }
    wizard.lastSlide->setCurrentIndex(11);
    const char* names[6] = {"0-start",        "1-lumora-info", "2-file",
                            "3-lecture-info", "4-advanced",    "5-finish"};
    bool ok = true;
    for (int page = 0; page < 6; ++page) {
        wizard.unhighlightStep();
        for (int i = 0; i < 6; ++i)
            wizard.frame[i]->setVisible(i == page);
        wizard.currentPage = page;
        wizard.highlightStep();
        QApplication::processEvents();
        ok = save(wizard, out, QStringLiteral("wizard-") + QString::fromLatin1(names[page])) && ok;
    }
    wizard.unhighlightStep();
    for (int i = 0; i < 6; ++i)
        wizard.frame[i]->setVisible(i == 4);
    wizard.currentPage = 4;
    wizard.highlightStep();
    wizard.Resolution->setCurrentIndex(0);
    wizard.imageWidth->setText(QStringLiteral("640"));
    wizard.imageHeight->setText(QStringLiteral("480"));
    QApplication::processEvents();
    ok = save(wizard, out, QStringLiteral("wizard-4-advanced-custom")) && ok;

    FrmProgress& progress = wizard.frmProgress();
    progress.setExpectedSteps(12);
    for (const char* line : {"", "Converting slides to images...", "Converting slide 1 to GIF",
                             "Converting slide 2 to GIF", "Creating blank slide", "",
                             "FTPing slides...", "FTPing slide 1", "FTPing slide 2",
                             "FTPing description", "FTPing STML file", "Slide-Ferry complete"})
        progress.Add(QString::fromLatin1(line));
    progress.showDone();
    progress.show();
    QApplication::processEvents();
    ok = save(progress, out, QStringLiteral("progress")) && ok;

    FrmFTPError& dialog = wizard.frmFTPError();
    dialog.show();
    QApplication::processEvents();
    ok = save(dialog, out, QStringLiteral("lecture-exists")) && ok;
    dialog.hide();

    FrmHelp* help = FrmHelp::instance();
    help->show();
    help->onActivate();
    QApplication::processEvents();
    ok = save(*help, out, QStringLiteral("help")) && ok;
    return ok ? 0 : 1;
}
