#include "windows/Messages.h"

#include <QApplication>
#include <QInputDialog>
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
    box.exec();
}
} // namespace

void showCritical(const QString& text, const QString& title) {
    show(QMessageBox::Critical, text, title);
}

void showInformation(const QString& text, const QString& title) {
    show(QMessageBox::Information, text, title);
}

void showError(const QString& description, const QString& host) {
    showCritical(QStringLiteral("Error: ") + description + QStringLiteral(", ") + host,
                 QStringLiteral("Error!"));
}

void setSink(Sink s) {
    sink() = std::move(s);
}

bool askYesNo(const QString& text, const QString& title) {
    if (questionSink())
        return questionSink()(text, title);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
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
    bool given = false;
    password = QInputDialog::getText(QApplication::activeWindow(), title, text, QLineEdit::Password,
                                     QString(), &given);
    return given;
}

void setPasswordSink(PasswordSink s) {
    passwordSink() = std::move(s);
}

} // namespace messages
