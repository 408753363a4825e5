#include "windows/Messages.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace messages {
namespace {
Sink& sink() {
    static Sink s;
    return s;
}
QuestionSink& questionSink() {
    static QuestionSink s;
    return s;
}
PasswordSink& passwordSink() {
    static PasswordSink s;
    return s;
}

void show(QMessageBox::Icon icon, const QString& text, const QString& title) {
    if (sink()) {
        sink()(text, title);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    // Messages carry text from the server (class names, replies): shown as it is, never read
    // as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
} // namespace

void showCritical(const QString& text, const QString& title) {
    show(QMessageBox::Critical, text, title);
}

void showInformation(const QString& text, const QString& title) {
    show(QMessageBox::Information, text, title);
}

void setSink(Sink s) {
    sink() = std::move(s);
}

bool askYesNo(const QString& text, const QString& title) {
    if (questionSink())
        return questionSink()(text, title);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void setQuestionSink(QuestionSink s) {
    questionSink() = std::move(s);
}

bool askPassword(const QString& text, const QString& title, QString& password) {
    if (passwordSink())
        return passwordSink()(text, password);
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setTextEchoMode(QLineEdit::Password);
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    const bool given = dialog.exec() == QDialog::Accepted;
    password = given ? dialog.textValue() : QString();
    return given;
}

void setPasswordSink(PasswordSink s) {
    passwordSink() = std::move(s);
}

} // namespace messages
