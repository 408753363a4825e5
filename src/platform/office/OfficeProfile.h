#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// Where an office started by the program keeps its user profile. The program's offices keep
// theirs in the user's cache folder between runs, as the office itself does, so that later starts
// are faster; a kept profile that another office version left is emptied first, and one that an
// office still running holds is not shared: that start gets a fresh temporary profile instead.
// Test runs (environment SF_TEST) always get a temporary one.
namespace office::profile {

struct Choice {
    QString dir;
    bool kept = false;                        // the folder in the cache, kept between runs
    std::unique_ptr<QTemporaryDir> temporary; // else the temporary folder, gone with it
};

// The profile for an office listening on `pipe`. Throws Failure when no folder can be made.
Choice forPipe(const QString& pipe);

// Empties a kept profile that the office could not start with, for a fresh one.
void reset(const QString& dir);

} // namespace office::profile
