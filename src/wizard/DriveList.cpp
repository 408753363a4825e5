#include "wizard/DriveList.h"

#include <QStorageInfo>

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    if (!roots.contains(QStringLiteral("/")))
        roots.append(QStringLiteral("/"));
    roots.sort();
    addItems(roots);
    // A long mount point must not widen the box, and with it the folder column of the file
    // page; the open list still shows every root in full.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    setCurrentIndex(findText(QStringLiteral("/")));
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::driveChanged);
}

bool DriveList::setDrive(const QString& root) {
    const int i = findText(root);
    if (i < 0)
        return false;
    setCurrentIndex(i);
    return true;
}

QString DriveList::driveOf(const QString& path) const {
    QString best = QStringLiteral("/");
    for (int i = 0; i < count(); ++i) {
        const QString root = itemText(i);
        const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
        if ((path == root || path.startsWith(prefix)) && root.size() > best.size())
            best = root;
    }
    return best;
}
