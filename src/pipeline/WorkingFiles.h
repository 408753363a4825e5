#pragma once

#include <QString>

// Deletes the intermediate files of a transfer from the working directory, in this order:
// "description", "extract.stml", "extract.ntml", every file named "Slide" + anything + "." +
// imageFormat and "blank." + imageFormat (names compared without regard to letter case). Each
// deletion is independent; nothing is reported and nothing is thrown. Only files directly inside
// exportPath are touched: the image format is taken literally (a "*" or "?" in it is no
// wildcard) and a format holding a path separator matches nothing. The merge's temporary files
// "extract1.*" and images of another format stay.
void deleteWorkingFiles(const QString& exportPath, const QString& imageFormat);
