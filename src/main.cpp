#include "wizard/FrmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slide-Ferry"));
    FrmMain wizard;
    wizard.show();
    return QApplication::exec();
}
