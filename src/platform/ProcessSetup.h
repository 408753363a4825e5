#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What both programs set up about their own process before anything else runs.
namespace processSetup {

// Switches the process to a UTF-8 locale when its locale has another character set (LC_ALL=C,
// as cron runs programs, or no locale set at all): a UTF-8 locale of the same language when the
// system has one, else C.UTF-8. It is set for the process and in its environment (LC_ALL), so
// that the command line, file names and the terminal are read as UTF-8, and the office, which
// inherits the environment, opens files of any name. Call first thing in main, before the
// application object. Returns the locale switched to; empty when nothing changed.
QByteArray useUtf8Locale();

// Keeps the passwords the process holds out of core dumps: none are written, and other
// processes of the same user cannot read its memory.
void forbidCoreDumps();

// The value of an environment variable that holds a secret, which is removed from the
// environment at once, so that no child process (the office) inherits it. Nothing when the
// variable is not set.
std::optional<QString> takeSecret(const char* variable);

} // namespace processSetup
