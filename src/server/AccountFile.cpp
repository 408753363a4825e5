#include "server/AccountFile.h"

#include "platform/AnsiText.h"

#include <QStringView>

bool accountMatches(const QByteArray& file, const QString& id, const QString& password) {
    const qsizetype cr = file.indexOf('\r');
    const QString text = ansiText::decode(cr < 0 ? file : file.left(cr));
    const QStringView all(text);

    qsizetype pos = 0;
    for (;;) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), pos);
        if (lf < 0)
            return false;
        const QStringView line = all.mid(pos, lf - pos);
        pos = lf + 1;
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype first = line.indexOf(QLatin1Char(':'));
        if (first < 0)
            continue;
        const qsizetype second = line.indexOf(QLatin1Char(':'), first + 1);
        if (second < 0)
            continue;
        if (line.left(first) == id && line.mid(first + 1, second - first - 1) == password)
            return true;
    }
}
