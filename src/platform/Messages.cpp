#include "platform/Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace messages {
namespace {
Sink& sink() {
    static Sink s;
    return s;
}
} // namespace

void showCritical(const QString& text, const QString& title) {
    if (sink()) {
        sink()(text, title);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void showError(const QString& description, const QString& host) {
    showCritical(QStringLiteral("Error: ") + description + QStringLiteral(", ") + host,
                 QStringLiteral("Error!"));
}

void setSink(Sink s) { sink() = std::move(s); }

} // namespace messages
