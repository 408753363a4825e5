#pragma once

#include <QString>
#include <cstdio>

// The terminal a command-line front end runs on: whether a stream is one, how wide it is, text
// written to it, a status line that is redrawn in place, and a prompt that reads a secret
// without showing it.
namespace terminal {

bool isTerminal(std::FILE* stream);

// Columns of the terminal on standard error; 80 when it cannot be asked.
int columns();

// Text as it may safely reach a terminal: control characters (ESC, CR, backspace, DEL, the C1
// controls, the marks that reverse the direction of text) are shown as escapes, "\x1b" or
// "\u009b", so that text from elsewhere (a server's class names and replies, file names) cannot
// move the cursor, recolour or retitle the terminal. Newlines and tabs stay, and so does
// printable text of every script.
QString escapeControls(const QString& text);

// Writes text to stream, escaped as above, and flushes it.
void write(std::FILE* stream, const QString& text);

// Replaces the status line at the bottom of the terminal on standard error with text (escaped
// as above); clearStatus() takes it away.
void showStatus(const QString& text);
void clearStatus();

// Writes prompt to standard error and reads one line from the terminal with echo off (the echo
// comes back on afterwards, also after Ctrl-C). False when standard input is no terminal or the
// input ended before a line was read.
bool readSecret(const QString& prompt, QString& secret);

} // namespace terminal
