#pragma once

#include <QString>
#include <stdexcept>

// Every failure below the front ends travels as this exception (or one of the kinds derived from
// it) up to the front end that reports it. Its kind tells the front end what to do: input the
// user can correct keeps the wizard on its page, a stop by the user ends quietly, the rest are
// reported and end the run. message() is the one text the user is shown: "Error: " +
// description + ", " + host, or for an upload "Error: " + description + ", " + the number (one
// leading blank when not negative) + " " + host; advice, when given, follows on a line of its
// own. A failure on this computer (a file, the office) names no host: the server has no part in
// it.
class Failure : public std::runtime_error {
public:
    enum class Kind {
        Input,   // values the user gave and can correct (a server, an account, a class, a file)
        Stopped, // the user (or a stop signal) stopped the work: nothing to report
        Server,  // the server refused, broke off or said something that cannot be true
        Local,   // this machine: files, memory, the working folder
        Office,  // the presentation application
    };

    explicit Failure(const QString& description, int number = 0, Kind kind = Kind::Local)
        : std::runtime_error(description.toStdString()), number_(number), kind_(kind),
          description_(description) {}

    const QString& description() const { return description_; }
    int number() const { return number_; }
    Kind kind() const { return kind_; }
    bool stopped() const { return kind_ == Kind::Stopped; }

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
    // The failure is about this computer (a presentation, the working directory), not the server.
    Failure& onThisComputer() {
        onThisComputer_ = true;
        return *this;
    }
    bool isOnThisComputer() const { return onThisComputer_ || kind_ == Kind::Office; }
    // The message is the description itself (a sentence of its own, not about the server), with
    // the advice below it.
    Failure& shownAsIs() {
        shownAsIs_ = true;
        return *this;
    }

    // The text the user is shown, whichever front end shows it.
    QString message(const QString& host) const {
        if (shownAsIs_)
            return advice_.isEmpty() ? description_
                                     : description_ + QStringLiteral("\n\n") + advice_;
        QString text = QStringLiteral("Error: ") + description_;
        if (!isOnThisComputer()) {
            text += QStringLiteral(", ");
            // The number stands apart from the host, which may begin with a digit itself.
            if (numberShown_)
                text += (number_ < 0 ? QString() : QStringLiteral(" ")) + QString::number(number_) +
                        QLatin1Char(' ');
            text += host;
        }
        if (!advice_.isEmpty())
            text += QStringLiteral("\n\n") + advice_;
        return text;
    }

private:
    int number_;
    Kind kind_;
    QString description_;
    QString advice_;
    bool numberShown_ = false;
    bool shownAsIs_ = false;
    bool onThisComputer_ = false;
};

// A failure of values the user gave (a class name that cannot name a directory, a server that
// refuses the login): the front end reports it and lets the user correct them and try again.
class InputRefused : public Failure {
public:
    explicit InputRefused(const QString& description, int number = 0)
        : Failure(description, number, Kind::Input) {}
};

// The server refused a command, broke off, stayed silent or answered something untrue.
class ServerFailure : public Failure {
public:
    explicit ServerFailure(const QString& description, int number = 0)
        : Failure(description, number, Kind::Server) {}
};

// The presentation application could not do what was asked.
class OfficeFailure : public Failure {
public:
    explicit OfficeFailure(const QString& description, int number = 0)
        : Failure(description, number, Kind::Office) {}
};

// Raised once the user has chosen to stop (Cancel on the progress window, "Abort" when the
// lecture exists, a stop signal to the batch command). Whoever catches it undoes what the work
// did and ends without a message. Code that catches Failure to go on must let this one pass.
class StoppedByUser : public Failure {
public:
    StoppedByUser() : Failure(QStringLiteral("stopped by the user"), 0, Kind::Stopped) {}
};
