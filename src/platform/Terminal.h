#pragma once

#include <QString>
#include <cstdio>

// The terminal a command-line front end runs on: whether a stream is one, how wide it is, and
// a prompt that reads a secret without showing it.
namespace terminal {

bool isTerminal(std::FILE* stream);

// Columns of the terminal on standard error; 80 when it cannot be asked.
int columns();

// Writes prompt to standard error and reads one line from the terminal with echo off (the echo
// comes back on afterwards, also after Ctrl-C). False when standard input is no terminal or the
// input ended before a line was read.
bool readSecret(const QString& prompt, QString& secret);

} // namespace terminal
