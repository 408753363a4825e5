#include "wizard/FileList.h"

#include "lecture/PresentationFiles.h"

#include <QDir>

FileList::FileList(QWidget* parent) : QListWidget(parent) {}

bool FileList::matchesPattern(const QString& name) {
    return presentationFiles::isPresentation(name);
}

void FileList::setPath(const QString& dir) {
    path_ = dir;
    clear();
    const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Readable | QDir::Hidden,
                                                  QDir::Name | QDir::IgnoreCase);
    for (const QString& f : files) {
        if (matchesPattern(f))
            addItem(f);
    }
    setCurrentRow(-1);
}

QString FileList::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}
