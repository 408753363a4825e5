#pragma once

#include <QString>
#include <functional>

// The one place where the program shows a modal message box. Tests install a sink so that a
// message is recorded instead of blocking on a modal box.
namespace messages {

// Modal box with the critical-stop icon and one OK button; returns when the user closes it.
void showCritical(const QString& text, const QString& title);

// Modal box with the information icon and one OK button (through the same sink).
void showInformation(const QString& text, const QString& title);

using Sink = std::function<void(const QString& text, const QString& title)>;
// Replaces the modal box; an empty sink restores it.
void setSink(Sink sink);

// Modal question with Yes and No buttons (No is the default, so Enter keeps what is there);
// true when the user answers Yes.
bool askYesNo(const QString& text, const QString& title);

using QuestionSink = std::function<bool(const QString& text, const QString& title)>;
// Replaces the question box; an empty sink restores it.
void setQuestionSink(QuestionSink sink);

// Modal box asking for a password, typed masked; false when the user cancels. The password is
// only handed back, never kept.
bool askPassword(const QString& text, const QString& title, QString& password);

using PasswordSink = std::function<bool(const QString& text, QString& password)>;
// Replaces the password box; an empty sink restores it.
void setPasswordSink(PasswordSink sink);

} // namespace messages
