#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder of one run's own inside a chosen folder: a name no other run has
// ("slide-ferry-XXXXXX"), created atomically with access for its owner only, so that nobody
// else can put a file or a link into it, and removed with all it holds when the object goes.
class PrivateFolder {
public:
    explicit PrivateFolder(const QString& parent);
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString errorString() const { return dir_.errorString(); }

private:
    QTemporaryDir dir_;
};
