#pragma once

#include <QString>
#include <stdexcept>

// A raised error: the program's own failures and those of the platform layer travel as this
// exception up to the front end that reports them, with message(): "Error: " + description +
// ", " + host, or for an upload "Error: " + description + ", " + the number (one leading blank
// when not negative) + host; advice, when given, follows on a line of its own.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description, int number = 0)
        : std::runtime_error(description.toStdString()), number_(number),
          description_(description) {}

    const QString& description() const { return description_; }
    int number() const { return number_; }

    // The message names the failure's number before the host (the upload's form).
    Failure& withNumberShown() {
        numberShown_ = true;
        return *this;
    }
    // What the user can do about it, shown below the message.
    Failure& withAdvice(const QString& advice) {
        advice_ = advice;
        return *this;
    }
    const QString& advice() const { return advice_; }

    QString message(const QString& host) const {
        QString text = QStringLiteral("Error: ") + description_ + QStringLiteral(", ");
        if (numberShown_)
            text += (number_ < 0 ? QString() : QStringLiteral(" ")) + QString::number(number_);
        text += host;
        if (!advice_.isEmpty())
            text += QStringLiteral("\n\n") + advice_;
        return text;
    }

private:
    int number_;
    QString description_;
    QString advice_;
    bool numberShown_ = false;
};

// A failure of values the user gave (a class name that cannot name a directory, a server that
// refuses the login): the front end reports it and lets the user correct them and try again.
class InputRefused : public Failure {
public:
    using Failure::Failure;
};

// Raised once the user has chosen to stop (Cancel on the progress window, "Abort" when the
// lecture exists). It is no failure: whoever catches it cleans up and ends without a message.
struct StoppedByUser : std::exception {
    const char* what() const noexcept override { return "stopped by the user"; }
};
