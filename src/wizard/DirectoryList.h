#pragma once

#include <QElapsedTimer>
#include <QListWidget>

// A directory list: the current directory's ancestors from the root down to it, then its
// subdirectories. Activating an entry (double click or Enter) opens it; losing the focus makes
// the highlighted entry the current directory, as the file list expects.
class DirectoryList : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Shows the directory; emits pathChanged when it differs from the current one. False (and
    // nothing changes) when the directory cannot be read.
    bool setPath(const QString& path);
    QString highlightedPath() const;
    // Typing picks the next folder whose name begins with what was typed (the keys typed in
    // quick succession make one beginning), whatever its indentation.
    void keyboardSearch(const QString& search) override;

signals:
    void pathChanged();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void rebuild();
    QString path_;
    QString typed_;
    QElapsedTimer lastTyped_;
};
