#pragma once

#include <QListWidget>

// The presentations of one directory: the files whose names end in one of the presentation
// extensions (see PresentationFiles.h), in any case.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    void setPath(const QString& dir);
    QString path() const { return path_; }
    // The selected file name, empty when no file is selected.
    QString fileName() const;

    static bool matchesPattern(const QString& name);

private:
    QString path_;
};
