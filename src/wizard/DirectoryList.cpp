#include "wizard/DirectoryList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {
// An entry's folder name without the indentation that shows its depth.
constexpr int nameRole = Qt::UserRole + 1;
} // namespace

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(Qt::UserRole).toString()); });
}

bool DirectoryList::setPath(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (clean == path_)
        return true;
    path_ = clean;
    rebuild();
    emit pathChanged();
    return true;
}

QString DirectoryList::highlightedPath() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->data(Qt::UserRole).toString() : path_;
}

void DirectoryList::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    setPath(highlightedPath());
}

void DirectoryList::keyboardSearch(const QString& search) {
    if (search.isEmpty() || count() == 0)
        return;
    const bool goesOn =
        lastTyped_.isValid() && lastTyped_.elapsed() < QApplication::keyboardInputInterval();
    typed_ = goesOn ? typed_ + search : search;
    lastTyped_.start();
    // A new beginning looks past the highlighted folder, so that the same letter again steps
    // through the folders that begin with it; a longer one may stay where it is.
    const int from = std::max(0, currentRow()) + (typed_.size() == 1 ? 1 : 0);
    for (int k = 0; k < count(); ++k) {
        const int row = (from + k) % count();
        if (item(row)->data(nameRole).toString().startsWith(typed_, Qt::CaseInsensitive)) {
            setCurrentRow(row);
            return;
        }
    }
}

void DirectoryList::rebuild() {
    blockSignals(true);
    clear();
    // Ancestors, root first, indented one step per level.
    QStringList chain;
    for (QDir d(path_);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& p : chain) {
        const QString name = QDir(p).isRoot() ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(Qt::UserRole, p);
        item->setData(nameRole, name);
        ++depth;
    }
    setCurrentRow(count() - 1);
    const QStringList subdirs =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subdirs) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + s, this);
        item->setData(Qt::UserRole, QDir(path_).filePath(s));
        item->setData(nameRole, s);
    }
    blockSignals(false);
}
