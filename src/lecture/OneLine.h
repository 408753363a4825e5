#pragma once

#include <QString>

// A text that must stay on one line (a lecture's title, a slide's title, a user ID in the
// three-line description): every run of paragraph and line breaks (CR, LF, vertical tab, form
// feed, the Unicode line and paragraph separators, NEL) becomes one space; breaks at the
// beginning or the end are dropped. Everything else is kept as it is.
inline QString oneLine(const QString& text) {
    auto isBreak = [](QChar c) {
        const char16_t u = c.unicode();
        return u == 0x0A || u == 0x0B || u == 0x0C || u == 0x0D || u == 0x85 || u == 0x2028 ||
               u == 0x2029;
    };
    QString line;
    line.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (isBreak(c)) {
            pendingSpace = !line.isEmpty();
            continue;
        }
        if (pendingSpace)
            line += QLatin1Char(' ');
        pendingSpace = false;
        line += c;
    }
    return line;
}
