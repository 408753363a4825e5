#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class ModuleFtp;

// What the server's listings say about classes and lectures. Each question is one listing; a
// listing that fails or is refused throws Failure ("nothing was changed"): it is never taken
// for an empty directory.

// The names in the server directory "~/lumora/" + dir that match pattern ("" for all; names
// beginning with "." only for a pattern that begins with ".").
QStringList listNames(ModuleFtp& m, const QString& dir, const QString& pattern);

// What a lecture directory holds, from one listing of it (and one of its hidden names).
struct LectureContents {
    QStringList names;    // every name it holds, hidden ones aside
    int highestSlide = 0; // the highest n of "Slide<n>.<ext>" (0 when none)
    int slides = 0;       // how many "Slide<n>.<ext>" there are
    bool hasDescription = false;
    QStringList partialFiles; // ".<name>.part": files of a transfer that was cut short
    bool unfinished() const { return !hasDescription || !partialFiles.isEmpty(); }
    // The number after which new slides go: the highest one, so that none takes the name of a
    // slide the lecture holds. Throws Failure when no slide number is left after it.
    int16_t slideOffset() const;
};
LectureContents readLectureContents(ModuleFtp& m, const QString& lecturePath, const QString& ext);

// The slide number n of "Slide<n>.<ext>" written as the program writes it (no sign, no leading
// zero, ext in lower case as given); 0 for any other name.
int slideNumberOf(const QString& name, const QString& ext);
