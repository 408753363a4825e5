#include "wizard/FrmMainFields.h"

#include "wizard/FrmMain.h"

#include <QComboBox>
#include <QLineEdit>

QString FrmMainFields::ftpMachine() const {
    return w_.FTPMachine->text();
}
QString FrmMainFields::id() const {
    return w_.ID->text();
}
QString FrmMainFields::password() const {
    return w_.Password->text();
}
QString FrmMainFields::cvid() const {
    return w_.CVID->text();
}
QString FrmMainFields::cvPassword() const {
    return w_.CVPassword->text();
}
QString FrmMainFields::termText() const {
    return w_.Term->currentText();
}
QString FrmMainFields::yearFilterText() const {
    return w_.cbYear->currentText();
}
QString FrmMainFields::classText() const {
    return w_.Classes->currentText();
}

void FrmMainFields::clearClasses() {
    while (w_.Classes->count() > 0)
        w_.Classes->removeItem(w_.Classes->count() - 1);
}

void FrmMainFields::addClass(const QString& name) {
    w_.Classes->addItem(name);
}

void FrmMainFields::selectClass(const QString& keep) {
    const int kept = w_.Classes->findText(keep, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (kept >= 0)
        w_.Classes->setCurrentIndex(kept);
    else if (w_.Classes->count() > 0)
        w_.Classes->setCurrentIndex(0);
}

QString FrmMainFields::title() const {
    return w_.Title->text();
}
QString FrmMainFields::monthText() const {
    return w_.comboMonth->currentText();
}
QString FrmMainFields::dayText() const {
    return w_.comboDay->currentText();
}
QString FrmMainFields::yearText() const {
    return w_.comboYear->currentText();
}
QString FrmMainFields::sessionText() const {
    return w_.Session->text();
}
void FrmMainFields::setSessionText(const QString& text) {
    w_.Session->setText(text);
}
QString FrmMainFields::exportPath() const {
    return w_.ExportPath->text();
}
QString FrmMainFields::imageFormat() const {
    return w_.imageFormat->currentText();
}
QString FrmMainFields::firstSlideText() const {
    return w_.firstSlide->currentText();
}
QString FrmMainFields::lastSlideText() const {
    return w_.lastSlide->currentText();
}
int FrmMainFields::getWidth() const {
    return w_.getWidth();
}
int FrmMainFields::getHeight() const {
    return w_.getHeight();
}
