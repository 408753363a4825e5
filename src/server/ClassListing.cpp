#include "server/ClassListing.h"

QStringList parseClassListing(const QString& listing) {
    QStringList names;
    qsizetype pos = 0;
    while (pos < listing.size()) {
        qsizetype cr = listing.indexOf(QLatin1Char('\r'), pos);
        if (cr == pos)
            break; // an empty line ends the listing
        const bool last = cr < 0;
        if (last)
            cr = listing.size();
        QString entry = listing.mid(pos, cr - pos);
        if (entry.endsWith(QLatin1Char('/')))
            entry.chop(1);
        if (!entry.isEmpty() && entry != QLatin1String(".") && entry != QLatin1String(".."))
            names.append(entry);
        if (last)
            break;
        pos = cr + 2; // past the CR and the LF after it
    }
    return names;
}

bool termMatches(const QString& term, const QString& name) {
    if (term == QLatin1String("All terms"))
        return true;
    return name.toUpper().contains(term.toUpper());
}

bool yearMatches(const QString& yearText, const QString& name) {
    if (yearText == QLatin1String("All years"))
        return true;
    const QString key = yearText.mid(2, 2);
    if (key.size() < 2)
        return false;
    return name.contains(key);
}
