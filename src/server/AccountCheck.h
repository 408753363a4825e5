#pragma once

#include <QString>

class ModuleFtp;

// Checks the wizard's Lumora user ID and password against the server's account file
// "~/lumora/admin/passwd". True when a line of the file holds both (see accountMatches).
//
// The file holds every user's password, so it never lands in the working directory: it is
// fetched into a private temporary directory (owner access only) and removed right after it
// has been read, whatever the result.
//
// A fetch that fails (no server answer, no such file, nothing received) throws Failure with a
// description that names the account file; the caller reports it.
bool ftpCheckAccount(ModuleFtp& m);

// What the user is told when ftpCheckAccount() finds no such Lumora account; `where` says where
// the ID and password are given (" on this page" in the wizard).
QString lumoraAccountRefused(const QString& lumoraId, const QString& where);
