#include "batch/BatchArguments.h"

#include "batch/BatchOptions.h"

#include <map>

namespace {
// The options by name, with the name of the value each takes (none: a switch). The names of
// the values are those --help shows.
struct OptionName {
    const char* name;
    const char* valueName;
};
constexpr OptionName kOptions[] = {
    {"server", "HOST"},       {"corvane-id", "ID"},    {"lumora-id", "ID"},
    {"class", "CLASS"},       {"date", "YYYY-MM-DD"},  {"session", "N"},
    {"title", "TITLE"},       {"range", "FIRST-LAST"}, {"format", "FORMAT"},
    {"size", "SIZE"},         {"workdir", "DIR"},      {"if-exists", "WHAT"},
    {"no-settings", nullptr}, {"json", nullptr},       {"allow-empty", nullptr},
    {"skip-hidden", nullptr}, {"full-text", nullptr},  {"require-encryption", nullptr},
    {"help", nullptr},        {"version", nullptr}};

const OptionName* optionNamed(const QString& name) {
    for (const OptionName& option : kOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

[[noreturn]] void refuse(const QString& message) {
    throw UsageError{message};
}

// The arguments the parser reads as options, in the order given: it takes the argument after an
// option that takes a value (given without "=") as that value, "-" and every argument after
// "--" as files; single-dash words never take a value here, as no short option does.
QStringList optionArguments(const QStringList& arguments) {
    QStringList options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')))
            continue;
        options << argument;
        const OptionName* option =
            argument.startsWith(QLatin1String("--")) ? optionNamed(argument.mid(2)) : nullptr;
        if (option != nullptr && option->valueName != nullptr)
            ++i;
    }
    return options;
}
} // namespace

BatchArguments::BatchArguments(const QStringList& arguments) {
    for (const OptionName& option : kOptions) {
        QStringList names{QLatin1String(option.name)};
        if (names.first() == QLatin1String("help"))
            names.prepend(QStringLiteral("h")); // the one short name
        parser_.addOption(QCommandLineOption(
            names, QString(), option.valueName ? QLatin1String(option.valueName) : QString()));
    }
    // The parser's own verdict is not used: it names an unknown option without its dashes (a
    // single-dash word by its letters, or not at all when a long name matches), and its faults
    // in no common order. The option arguments are checked as the user wrote them instead.
    parser_.parse(QStringList{QStringLiteral("slide-ferry-batch")} + arguments);
    refuseFaults(optionArguments(arguments));
}

std::optional<QString> BatchArguments::value(const QString& name) const {
    const QStringList values = parser_.values(name);
    if (values.isEmpty())
        return std::nullopt;
    return values.first();
}

// Names the first fault in the order given. An option given without its value can only be the
// last argument: it is the one given once more than it has values.
void BatchArguments::refuseFaults(const QStringList& optionArguments) const {
    std::map<QString, qsizetype> seen;
    for (const QString& argument : optionArguments) {
        if (argument == QLatin1String("-h"))
            continue;
        if (!argument.startsWith(QLatin1String("--")))
            refuse(QStringLiteral("unknown option %1").arg(argument));
        const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
        const bool valueJoined = argument.contains(QLatin1Char('='));
        if (name.contains(QLatin1String("password")))
            refuse(QStringLiteral("--%1: passwords are never taken from the command line; set "
                                  "SLIDE_FERRY_CORVANE_PASSWORD and SLIDE_FERRY_LUMORA_PASSWORD, "
                                  "or type them when asked")
                       .arg(name));
        const OptionName* option = optionNamed(name);
        if (option == nullptr)
            refuse(QStringLiteral("unknown option --%1").arg(name));
        if (option->valueName == nullptr) {
            if (valueJoined)
                refuse(QStringLiteral("--%1 takes no value").arg(name));
            continue;
        }
        const qsizetype given = ++seen[name];
        if (given > parser_.values(name).size())
            refuse(QStringLiteral("--%1 needs a value").arg(name));
        if (given > 1)
            refuse(QStringLiteral("--%1 is given twice").arg(name));
    }
}
