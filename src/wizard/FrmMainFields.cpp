#include "wizard/FrmMainFields.h"

#include "server/ClassCatalogue.h"
#include "wizard/FrmMain.h"

#include <QComboBox>
#include <QLineEdit>

namespace wizardLecture {

LectureRecord fromPages(const FrmMain& w) {
    LectureRecord r;
    r.host = w.FTPMachine->text();
    r.lumoraId = w.ID->text();
    r.lumoraPassword = w.Password->text();
    r.corvaneId = w.CVID->text();
    r.corvanePassword = w.CVPassword->text();
    r.termFilter = w.Term->currentText();
    r.yearFilter = w.cbYear->currentText();
    r.className = w.Classes->currentText();
    r.title = w.Title->text();
    r.month = w.comboMonth->currentText();
    r.day = w.comboDay->currentText();
    r.year = w.comboYear->currentText();
    r.session = w.Session->text();
    r.workDir = w.ExportPath->text();
    r.imageFormat = w.imageFormat->currentText();
    r.firstSlide = w.firstSlide->currentText();
    r.lastSlide = w.lastSlide->currentText();
    r.width = w.getWidth();
    r.height = w.getHeight();
    return r;
}

void showClasses(FrmMain& w, const QStringList& classes, const QString& keep) {
    while (w.Classes->count() > 0)
        w.Classes->removeItem(w.Classes->count() - 1);
    w.Classes->addItems(classes);
    const int kept =
        w.Classes->findText(classToKeep(classes, keep), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (kept >= 0)
        w.Classes->setCurrentIndex(kept);
}

} // namespace wizardLecture
