#include "platform/PrivateFolder.h"

#include "platform/FileSystem.h"

// QTemporaryDir creates the folder with mkdtemp(): a fresh name, mode 0700, never an existing
// folder or a link that someone placed there.
PrivateFolder::PrivateFolder(const QString& parent)
    : dir_(fileSystem::joinPath(parent, QStringLiteral("slide-ferry-XXXXXX"))) {}
