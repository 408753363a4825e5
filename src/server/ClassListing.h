#pragma once

#include <QString>
#include <QStringList>

// The class catalogue's text rules: the listing of "~/lumora/classes/*" and the term and year
// filters of the lecture page.

// The class names of a listing, in listing order. Entries are separated by CR LF; a trailing
// "/" is left out; "." and ".." are dropped, and so is a name that is empty once its "/" is
// gone. An empty line ends the listing. The last entry counts even without a CR LF after it:
// the whole listing is read, so it is not an entry cut off in transfer.
QStringList parseClassListing(const QString& listing);

// Term filter: "All terms" passes every name; any other text passes the names that contain it,
// letters compared without regard to case (an empty text passes every name).
bool termMatches(const QString& term, const QString& name);

// Year filter: "All years" passes every name; otherwise the third and fourth characters of the
// year text (99 for 1999) must occur in the name. A year text shorter than four characters
// passes no name, nor does a name shorter than two characters.
bool yearMatches(const QString& yearText, const QString& name);
