#pragma once

#include <QString>
#include <stdexcept>

// A raised error: the program's own failures and those of the platform layer travel as this
// exception up to the handler that reports them ("Error: " + description + ", " + host).
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description, int number = 0)
        : std::runtime_error(description.toStdString()), number_(number),
          description_(description) {}

    const QString& description() const { return description_; }
    int number() const { return number_; }

private:
    int number_;
    QString description_;
};

// Raised at the transfer's next step once the user has asked to stop it. It is no failure:
// whoever catches it cleans up and ends without a message.
struct TransferCancelled : std::exception {
    const char* what() const noexcept override { return "transfer cancelled"; }
};
