#pragma once

#include <QComboBox>

// The platform's volumes standing in for drives: each entry is a mount point's root path.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    QString drive() const { return currentText(); }
    // Selects the volume; false when no volume has that root.
    bool setDrive(const QString& root);
    // The volume whose root holds the path (the longest matching root).
    QString driveOf(const QString& path) const;

signals:
    void driveChanged();
};
