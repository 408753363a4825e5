#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

// The batch command's arguments split by QCommandLineParser into options, their values and the
// presentations. "--name value" and "--name=value" both work, "--" ends the options, and "-h"
// is the one short option. What the command refuses at this stage throws UsageError: an
// unknown option (also a single-dash word other than "-h"), a password option, a value given
// to a switch, a missing value, an option given twice.
class BatchArguments {
public:
    explicit BatchArguments(const QStringList& arguments); // without the program's name

    bool isSet(const QString& name) const { return parser_.isSet(name); }
    // The value of an option that takes one; nothing when it is not given.
    std::optional<QString> value(const QString& name) const;
    // The presentations, in the order given.
    QStringList files() const { return parser_.positionalArguments(); }

private:
    void refuseFaults(const QStringList& optionArguments) const;

    QCommandLineParser parser_;
};
