// The rules of the wizard's fields: what typing, choosing and leaving a field does.
#include "wizard/FrmMain.h"
#include "wizard/FrmMainFields.h"

#include "lecture/OneLine.h"
#include "pipeline/CodePageCheck.h"
#include "platform/NumberText.h"
#include "platform/ProgramEnd.h"
#include "server/ClassCatalogue.h"
#include "windows/FrmHelp.h"
#include "wizard/DirectoryList.h"
#include "wizard/DriveList.h"
#include "wizard/FileList.h"

#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {
void setBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

void setBold(QLabel* l, bool bold) {
    QFont f = l->font();
    f.setBold(bold);
    l->setFont(f);
}

// Return and Escape belong to the window (default and cancel buttons), never to a field.
bool isWindowKey(const QString& text) {
    return text == QLatin1String("\r") || text == QLatin1String("\n") ||
           text == QLatin1String("\x1b");
}

// A key press that types a character (as opposed to Delete, the arrows, Return or Escape).
bool typesCharacter(const QKeyEvent* key) {
    return !key->text().isEmpty() && !isWindowKey(key->text());
}

bool isDigit(const QString& text) {
    return text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
}

// The text a line edit would hold after the typed text replaced its selection.
QString textAfterTyping(const QLineEdit* e, const QString& typed) {
    QString t = e->text();
    if (e->hasSelectedText())
        t.replace(e->selectionStart(), e->selectedText().size(), typed);
    else
        t.insert(e->cursorPosition(), typed);
    return t;
}
} // namespace

void FrmMain::connectRules() {
    for (QObject* o : std::initializer_list<QObject*>{
             FTPMachine, Session, imageWidth, imageHeight, Classes, Classes->lineEdit(), comboMonth,
             comboDay, comboYear, Resolution, firstSlide, lastSlide, Term, cbYear})
        o->installEventFilter(this);

    // Anything typed or chosen makes Cancel ask before it throws the input away.
    for (QLineEdit* e : findChildren<QLineEdit*>())
        connect(e, &QLineEdit::textEdited, this, [this] { userEdited_ = true; });
    for (QComboBox* c : findChildren<QComboBox*>())
        connect(c, &QComboBox::activated, this, [this] { userEdited_ = true; });

    connect(FTPMachine, &QLineEdit::textEdited, this, [this] { serverChanged = true; });
    // The connection test logs in with the Corvane account, and its user name and password stay
    // in the transfer control: a corrected account must be tested (and taken) again.
    for (QLineEdit* e : {CVID, CVPassword})
        connect(e, &QLineEdit::textEdited, this, [this] { serverChanged = true; });
    for (QLineEdit* e : {ID, Password, CVID, CVPassword})
        connect(e, &QLineEdit::textChanged, this, &FrmMain::checkAccount);
    connect(Title, &QLineEdit::textChanged, this, [this] {
        // A title pasted with line breaks becomes one line at once, as the lecture shows it.
        if (const QString line = oneLine(Title->text()); line != Title->text()) {
            Title->setText(line);
            return;
        }
        titleGiven = !Title->text().isEmpty();
        showCodePageWarning();
        buttonNext->setEnabled(titleGiven);
        Finish->setEnabled(titleGiven);
    });
    connect(imageWidth, &QLineEdit::textChanged, this, &FrmMain::customSizeRule);
    connect(imageHeight, &QLineEdit::textChanged, this, &FrmMain::customSizeRule);
    connect(Resolution, &QComboBox::currentIndexChanged, this, &FrmMain::showCustomSize);
    connect(firstSlide, &QComboBox::currentIndexChanged, this, &FrmMain::keepLastAfterFirst);
    connect(lastSlide, &QComboBox::currentIndexChanged, this, &FrmMain::keepFirstBeforeLast);

    connect(fileList, &QListWidget::itemSelectionChanged, this, &FrmMain::fileClicked);
    connect(fileList, &QListWidget::itemDoubleClicked, this, [this] {
        if (!fileList->fileName().isEmpty())
            buttonNext_Click();
    });
    connect(dirList, &DirectoryList::pathChanged, this, &FrmMain::directoryChanged);
    connect(driveList, &DriveList::driveChanged, this, &FrmMain::driveChanged);

    connect(buttonNext, &QPushButton::clicked, this, &FrmMain::buttonNext_Click);
    connect(buttonBack, &QPushButton::clicked, this, &FrmMain::buttonBack_Click);
    connect(Finish, &QPushButton::clicked, this, &FrmMain::Finish_Click);
    connect(Cancel, &QPushButton::clicked, this, &FrmMain::Cancel_Click);
    connect(Help, &QPushButton::clicked, this, [this] { FrmHelp::showHelp(this); });
    for (QComboBox* filter : {Term, cbYear})
        connect(filter, &QComboBox::activated, this, &FrmMain::listClasses);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (takesDrop(event))
        return true;
    if (event->type() == QEvent::FocusOut && (watched == Term || watched == cbYear)) {
        // The filter's own drop-down list takes the focus while it is open: not a leave.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            listClasses();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!typesCharacter(key))
        return false;

    if (watched == FTPMachine) {
        serverChanged = true; // also for keys that leave the text as it was
        return false;
    }
    if (watched == Session)
        return !isDigit(key->text());
    if (watched == imageWidth || watched == imageHeight) {
        if (!isDigit(key->text()))
            return true;
        // The custom size is a 16-bit number: a digit that would pass 32767 is refused.
        return !numberText::fitsInt16(
            textAfterTyping(static_cast<QLineEdit*>(watched), key->text()));
    }
    if (watched == Classes || watched == Classes->lineEdit() || watched == comboMonth ||
        watched == comboDay || watched == comboYear)
        return true;
    if (watched == Resolution) {
        showCustomSize();
        return true;
    }
    if (watched == firstSlide) {
        keepLastAfterFirst();
        return true;
    }
    if (watched == lastSlide) {
        keepFirstBeforeLast();
        return true;
    }
    return false;
}

void FrmMain::highlightStep() {
    setBackground(box[currentPage], QColor(0x00, 0xFF, 0x00));
    setBold(boxText[currentPage], true);
}

void FrmMain::unhighlightStep() {
    setBackground(box[currentPage], QColor(0x80, 0x80, 0x80));
    setBold(boxText[currentPage], false);
}

void FrmMain::checkAccount() {
    accountComplete = !ID->text().isEmpty() && !Password->text().isEmpty() &&
                      !CVID->text().isEmpty() && !CVPassword->text().isEmpty();
    buttonNext->setEnabled(accountComplete);
}

void FrmMain::showCustomSize() {
    const bool custom = Resolution->currentIndex() == 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{imageWidth, imageHeight, imageWidthText, imageHeightText})
        w->setVisible(custom);
}

void FrmMain::customSizeRule() {
    imageSizes.rows[0].width = numberText::leadingInt16(imageWidth->text());
    imageSizes.rows[0].height = numberText::leadingInt16(imageHeight->text());
    sizeValid = imageSizes.rows[0].width >= 1 && imageSizes.rows[0].height >= 1;
    buttonNext->setEnabled(sizeValid);
}

void FrmMain::keepLastAfterFirst() {
    if (firstSlide->currentIndex() > lastSlide->currentIndex())
        lastSlide->setCurrentIndex(firstSlide->currentIndex());
}

void FrmMain::keepFirstBeforeLast() {
    if (lastSlide->currentIndex() < firstSlide->currentIndex())
        firstSlide->setCurrentIndex(lastSlide->currentIndex());
}

int FrmMain::getWidth() const {
    const int p = Resolution->currentIndex();
    return p < 0 ? 0 : imageSizes.rows[static_cast<size_t>(p)].width;
}

int FrmMain::getHeight() const {
    const int p = Resolution->currentIndex();
    return p < 0 ? 0 : imageSizes.rows[static_cast<size_t>(p)].height;
}

void FrmMain::fileClicked() {
    fileChosen = !fileList->fileName().isEmpty();
    buttonNext->setEnabled(fileChosen);
}

void FrmMain::directoryChanged() {
    fileList->setPath(dirList->path());
    fileChosen = false;
    buttonNext->setEnabled(false);
}

void FrmMain::driveChanged() {
    fileChosen = false;
    buttonNext->setEnabled(false);
    if (!dirList->setPath(driveList->drive())) {
        // A drive that cannot be read: go back to the drive of the directory shown.
        const QSignalBlocker block(driveList);
        driveList->setDrive(driveList->driveOf(dirList->path()));
    }
}

bool FrmMain::choosePresentation(const QString& path) {
    const QFileInfo file(path);
    QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        folder = file.absolutePath();
    if (!dirList->setPath(folder))
        return false;
    {
        // The folder is already shown: the drive's root must not replace it.
        const QSignalBlocker block(driveList);
        driveList->setDrive(driveList->driveOf(folder));
    }
    const auto items =
        fileList->findItems(file.fileName(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (items.isEmpty())
        return false;
    fileList->setCurrentItem(items.first());
    fileList->scrollToItem(items.first());
    return fileChosen;
}

// Choosing a class filter (or leaving one that changed) rebuilds the class list. The listing
// waits for the server while window events run: a filter changed meanwhile is listed again
// right after, and a click on Next, Back or Finish meanwhile runs once the listing is over.
void FrmMain::listClasses() {
    if (listingClasses_)
        return;
    listingClasses_ = true;
    runTrapped([this] {
        while (Term->currentText() != listedTerm_ || cbYear->currentText() != listedYear_)
            refillClasses();
    });
    listingClasses_ = false;
    if (pendingClick_) {
        auto click = std::exchange(pendingClick_, nullptr);
        QTimer::singleShot(0, this, click);
    }
}

void FrmMain::refillClasses() {
    listedTerm_ = Term->currentText();
    listedYear_ = cbYear->currentText();
    refreshLecture();
    const QStringList classes = ftpListClasses(moduleFTP());
    // The class shown now (chosen, or remembered) stays while the new list holds it.
    wizardLecture::showClasses(*this, classes, Classes->currentText());
}

bool FrmMain::deferredWhileListing(void (FrmMain::*click)()) {
    if (!listingClasses_)
        return false;
    pendingClick_ = [this, click] { (this->*click)(); };
    return true;
}

void FrmMain::showCodePageWarning() {
    const QString warning = codePageWarning(Title->text(), lostInSlides_);
    codePageNote->setText(warning);
    codePageNote->setVisible(!warning.isEmpty());
}
