#pragma once

#include <QString>
#include <QStringList>

// The presentation files the program takes: PowerPoint's own formats (presentations, shows and
// templates, old and new) and the office's own.
namespace presentationFiles {

inline const QStringList kExtensions{
    QStringLiteral("ppt"), QStringLiteral("pptx"), QStringLiteral("pps"), QStringLiteral("ppsx"),
    QStringLiteral("pot"), QStringLiteral("potx"), QStringLiteral("odp")};

// True when the file name ends in one of the extensions, in any case.
inline bool isPresentation(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && kExtensions.contains(fileName.mid(dot + 1).toLower());
}

// ".ppt, .pptx, ..." for a label or a message.
inline QString listed() {
    return QStringLiteral(".") + kExtensions.join(QStringLiteral(", ."));
}

// "*.ppt *.pptx ..." for a file dialog's filter.
inline QString patterns() {
    return QStringLiteral("*.") + kExtensions.join(QStringLiteral(" *."));
}

} // namespace presentationFiles
