#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A folder of one run's own inside a chosen folder: a name no other run has
// ("slide-ferry-<machine>-<process>-XXXXXX"), created atomically with access for its owner
// only, so that nobody else can put a file or a link into it, and removed with all it holds
// when the object goes. Folders that runs of this machine left when they were killed outright
// are removed first.
class PrivateFolder {
public:
    explicit PrivateFolder(const QString& parent);
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool isValid() const { return dir_->isValid(); }
    QString path() const { return dir_->path(); }
    QString errorString() const { return dir_->errorString(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};
