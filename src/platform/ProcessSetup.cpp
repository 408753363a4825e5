#include "platform/ProcessSetup.h"

#include <QList>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace processSetup {
namespace {
bool codesetIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr &&
           (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
}

// "de_DE" of "de_DE.ISO-8859-1" or "de_DE@euro"; empty for the C locale.
QByteArray language(const char* locale) {
    QByteArray name(locale != nullptr ? locale : "");
    for (const char end : {'.', '@'})
        if (const qsizetype at = name.indexOf(end); at >= 0)
            name.truncate(at);
    return name == "C" || name == "POSIX" ? QByteArray() : name;
}
} // namespace

QByteArray useUtf8Locale() {
    std::setlocale(LC_ALL, "");
    if (codesetIsUtf8())
        return {};
    QList<QByteArray> candidates;
    if (const QByteArray own = language(std::setlocale(LC_CTYPE, nullptr)); !own.isEmpty())
        candidates << own + ".UTF-8";
    candidates << "C.UTF-8"
               << "en_US.UTF-8";
    for (const QByteArray& candidate : candidates) {
        if (std::setlocale(LC_ALL, candidate.constData()) != nullptr && codesetIsUtf8()) {
            ::setenv("LC_ALL", candidate.constData(), 1);
            return candidate;
        }
    }
    // No UTF-8 locale on the system: keep the one asked for.
    std::setlocale(LC_ALL, "");
    return {};
}

void forbidCoreDumps() {
    const struct rlimit none {};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

std::optional<QString> takeSecret(const char* variable) {
    if (!qEnvironmentVariableIsSet(variable))
        return std::nullopt;
    const QString value = qEnvironmentVariable(variable);
    // The bytes themselves are wiped too: the process's first environment stays in its memory
    // (and in /proc/PID/environ) after the variable is unset.
    if (char* raw = std::getenv(variable))
        std::memset(raw, 0, std::strlen(raw));
    qunsetenv(variable);
    return value;
}

} // namespace processSetup
