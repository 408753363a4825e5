#include "pipeline/WorkingFiles.h"

#include "platform/FileSystem.h"

namespace {

bool holdsSeparator(const QString& text) {
    return text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')) ||
           text.contains(QChar(0));
}

} // namespace

void deleteWorkingFiles(const QString& exportPath, const QString& imageFormat) {
    if (exportPath.isEmpty())
        return;
    for (const char* name : {"description", "extract.stml", "extract.ntml"})
        fileSystem::removeFile(fileSystem::joinPath(exportPath, QString::fromLatin1(name)));

    if (imageFormat.isEmpty() || holdsSeparator(imageFormat))
        return;
    const QString prefix = QStringLiteral("Slide");
    const QString suffix = QLatin1Char('.') + imageFormat;
    fileSystem::removeFilesIf(exportPath, [&](const QString& name) {
        return name.size() >= prefix.size() + suffix.size() &&
               name.startsWith(prefix, Qt::CaseInsensitive) &&
               name.endsWith(suffix, Qt::CaseInsensitive);
    });
    const QString blank = QStringLiteral("blank") + suffix;
    fileSystem::removeFilesIf(exportPath, [&](const QString& name) {
        return name.compare(blank, Qt::CaseInsensitive) == 0;
    });
}
