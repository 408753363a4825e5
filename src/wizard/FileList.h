#pragma once

#include <QListWidget>

// The presentations of one directory: names matching "*.ppt" without regard to case, where (as
// three-letter extension patterns traditionally do) the pattern also takes longer extensions
// that begin with "ppt", such as ".pptx".
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
