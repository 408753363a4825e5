#pragma once

#include <QStringList>

class ModuleFtp;

// The classes of the listing of "~/lumora/classes/*" that pass the lecture's term and year
// filters, in listing order. The whole listing is read, however long. A listing the server
// refuses gives an empty list; any other failed listing throws Failure.
QStringList ftpListClasses(ModuleFtp& m);

// Picks the class to show from a new list: `keep` while the list holds it (the user's choice
// or the remembered one), else the first class, else nothing.
QString classToKeep(const QStringList& classes, const QString& keep);
