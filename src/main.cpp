#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slide-Ferry"));
    QLabel placeholder(QStringLiteral("Slide-Ferry"));
    placeholder.show();
    return QApplication::exec();
}
