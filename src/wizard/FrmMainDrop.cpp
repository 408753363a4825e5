// Presentations dropped on the wizard window, as if picked on the file page.
#include "wizard/FrmMain.h"

#include "lecture/PresentationFiles.h"

#include "windows/Messages.h"
#include "wizard/PowerPointFilePage.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace {
// The local files of a drag, in the order dragged; none for text, links and folders.
QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << QFileInfo(url.toLocalFile()).absoluteFilePath();
    }
    return files;
}
} // namespace

void FrmMain::acceptDroppedFiles() {
    setAcceptDrops(true);
    // Fields that take dropped text would otherwise keep a file's drop to themselves.
    for (QWidget* child : findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(this);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    return takesDrop(event) || QDialog::eventFilter(watched, event);
}

bool FrmMain::takesDrop(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (localFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = localFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        drop->acceptProposedAction();
        takeDroppedFile(files.first(), static_cast<int>(files.size()));
        return true;
    }
    default:
        return false;
    }
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
    takesDrop(event);
}

void FrmMain::dragMoveEvent(QDragMoveEvent* event) {
    takesDrop(event);
}

void FrmMain::dropEvent(QDropEvent* event) {
    takesDrop(event);
}

void FrmMain::takeDroppedFile(const QString& path, int dropped) {
    if (dropped > 1)
        messages::showInformation(QStringLiteral("%1 files were dropped. Slide-Ferry sends one "
                                                 "presentation at a time: %2 is chosen.")
                                      .arg(dropped)
                                      .arg(QFileInfo(path).fileName()),
                                  QStringLiteral("Slide-Ferry"));
    // Chosen whenever the file page opens from now on, like a file named on the command line.
    commandLineFile_ = path;
    while (currentPage_ > PowerPointFile && buttonBack_->isEnabled())
        buttonBack_Click();
    if (currentPage_ == PowerPointFile && !powerPointFile_->choosePresentation(path)) {
        // The page's own rule: only the presentations it lists can be chosen.
        powerPointFile_->clearChoice();
        messages::showInformation(QStringLiteral("%1 is not a presentation this page lists: "
                                                 "choose a %2 file.")
                                      .arg(QFileInfo(path).fileName(), presentationFiles::listed()),
                                  QStringLiteral("Slide-Ferry"));
    } else if (currentPage_ == Start)
        buttonNext_Click(); // the accounts come first; the file page opens with the file chosen
}
