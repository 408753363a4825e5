#pragma once

#include "wizard/WizardPage.h"

class DirectoryList;
class DriveList;
class FileList;
class QLineEdit;
class QPushButton;

// The PowerPoint File page: a drive, a folder in it and a presentation in the folder, or a path
// typed (with completion) or found with the desktop's file dialog ("Browse..."). Next
// opens the chosen presentation in the office, asking for its password when it has one and
// whether to go on when none of its slides shows anything.
class PowerPointFilePage : public WizardPage {
    Q_OBJECT
public:
    explicit PowerPointFilePage(QWidget* parent = nullptr);

    bool complete() const override { return fileChosen_; }
    QString missing() const override;
    QWidget* fieldToFocus() const override;
    void saveSettings() const override;

    // Drive and Directory: the remembered folder while it still exists on the remembered drive.
    void loadSettings();
    // Chooses a presentation as the user would: its drive, its folder, then the file in the
    // list. False, with no file chosen, when the list does not hold it.
    bool choosePresentation(const QString& path);

    bool fileChosen() const { return fileChosen_; }
    QString chosenPath() const;
    // No presentation chosen any more: the list keeps its files, none of them selected.
    void clearChoice();

signals:
    // A presentation was double-clicked: the same as choosing it and pressing Next.
    void fileActivated();

private:
    // The row below the lists: the chosen file's path, to type into, and "Browse...".
    QLayout* buildPathRow();
    // A path typed and confirmed: a presentation is chosen, a folder is opened.
    void pathTyped();
    void browse();
    void fileClicked();
    void directoryChanged();
    void driveChanged();
    void setFileChosen(bool chosen);

    DriveList* driveList_;
    DirectoryList* dirList_;
    FileList* fileList_;
    QLineEdit* filePath_;
    QPushButton* browse_;
    bool fileChosen_ = false;
};
