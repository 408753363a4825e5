#include "windows/FrmProgress.h"

#include "platform/ProgramEnd.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

FrmProgress::FrmProgress(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral(" Slide-Ferry"));

    Frame1 = new QGroupBox(QStringLiteral("Progress"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Progress = new QListWidget(Frame1);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setSelectionMode(QAbstractItemView::SingleSelection);
    Progress->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row as high as a line of text, so that an empty line shows as a gap of one line.
    Progress->setUniformItemSizes(true);

    bar_ = new QProgressBar(Frame1);
    bar_->setObjectName(QStringLiteral("transferBar"));
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setVisible(false);
    QSizePolicy barPolicy = bar_->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    bar_->setSizePolicy(barPolicy);

    status_ = new QLabel(Frame1);
    status_->setObjectName(QStringLiteral("transferStatus"));
    status_->setAccessibleName(QStringLiteral("Transfer status"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Progress, 1);
    frameLayout->addWidget(bar_);
    frameLayout->addWidget(status_);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1, 1);
    layout->addWidget(summary_);
    layout->addLayout(buildButtons());

    resize(420, 360);
}

QHBoxLayout* FrmProgress::buildButtons() {
    Done = new QPushButton(QStringLiteral("Done"), this);
    Done->setObjectName(QStringLiteral("Done"));
    Done->setVisible(false);
    // The button's place stays reserved while it is hidden, so that nothing moves when it shows.
    QSizePolicy donePolicy = Done->sizePolicy();
    donePolicy.setRetainSizeWhenHidden(true);
    Done->setSizePolicy(donePolicy);
    connect(Done, &QPushButton::clicked, this, [this] { pressDone(); });

    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setVisible(false);
    connect(Cancel, &QPushButton::clicked, this, [this] { requestCancel(); });

    // After a failed or stopped transfer: back to the wizard with everything entered, or the end.
    back_ = new QPushButton(QStringLiteral("&Back to the wizard"), this);
    back_->setObjectName(QStringLiteral("BackToWizard"));
    back_->setVisible(false);
    connect(back_, &QPushButton::clicked, this, [this] {
        programEnd::guardEvent([this] {
            if (onBack)
                onBack();
        });
    });
    quit_ = new QPushButton(QStringLiteral("&Quit"), this);
    quit_->setObjectName(QStringLiteral("Quit"));
    quit_->setVisible(false);
    connect(quit_, &QPushButton::clicked, this, [this] { close(); });

    // Cancel (while the transfer runs) and Done (after it) stand at the right edge, in turn:
    // Cancel after Done's reserved place, which it leaves to Done when it hides.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    // The way back and Quit take the right edge after Done's reserved place, as Cancel does.
    buttons->addWidget(Done);
    buttons->addWidget(back_);
    buttons->addWidget(quit_);
    buttons->addWidget(Cancel);
    return buttons;
}

void FrmProgress::Add(const QString& text) {
    // A row's height comes from the first row when sizes are uniform; an empty first row would
    // otherwise make every row as low as an empty text.
    auto* item = new QListWidgetItem(text);
    if (Progress->count() == 0) {
        const QFontMetrics fm(Progress->font());
        item->setSizeHint(QSize(1, fm.height() + 2));
    }
    Progress->addItem(item);
    Progress->setCurrentRow(Progress->count() - 1);
    Progress->scrollToItem(item);

    if (!barFollowsStatus_ && expectedSteps_ > 0 && stepsDone_ < expectedSteps_) {
        ++stepsDone_;
        bar_->setValue(stepsDone_);
    }
}

void FrmProgress::begin(int expectedSteps) {
    setExpectedSteps(expectedSteps);
    setTransferRunning(true);
    show();
}

void FrmProgress::finish(const QString& summary) {
    showSummary(summary);
    showDone();
}

void FrmProgress::setExpectedSteps(int n) {
    expectedSteps_ = n > 0 ? n : 0;
    stepsDone_ = 0;
    barFollowsStatus_ = false;
    status_->clear();
    bar_->setRange(0, expectedSteps_ > 0 ? expectedSteps_ : 1);
    bar_->setValue(0);
    bar_->setVisible(expectedSteps_ > 0);
}

void FrmProgress::showStatus(const TransferStatus& status) {
    status_->setText(status.text);
    if (expectedSteps_ == 0)
        return;
    constexpr int steps = 1000;
    if (!barFollowsStatus_) {
        barFollowsStatus_ = true;
        bar_->setRange(0, steps);
    }
    bar_->setValue(static_cast<int>(status.done * steps));
}

void FrmProgress::showDone() {
    setTransferRunning(false);
    bar_->setValue(bar_->maximum());
    if (expectedSteps_ > 0)
        stepsDone_ = expectedSteps_;
    Done->setVisible(true);
    Done->setDefault(true);
    Done->setFocus(Qt::OtherFocusReason);
}

void FrmProgress::setTransferRunning(bool running) {
    running_ = running;
    Cancel->setVisible(running);
    Cancel->setEnabled(running && !cancelRequested_);
}

void FrmProgress::requestCancel() {
    if (!running_ || cancelRequested_)
        return;
    cancelRequested_ = true;
    Cancel->setEnabled(false);
    Add(QStringLiteral("Stopping..."));
}

void FrmProgress::offerWayBack() {
    setTransferRunning(false);
    // The estimate ended with the transfer; the lines above say how far it came.
    status_->clear();
    back_->setVisible(true);
    quit_->setVisible(true);
    back_->setDefault(true);
    back_->setFocus(Qt::OtherFocusReason);
}

void FrmProgress::clear() {
    Progress->clear();
    status_->clear();
    showSummary(QString());
    setExpectedSteps(0);
    cancelRequested_ = false;
    setTransferRunning(false);
    for (QPushButton* button : {back_, quit_, Done}) {
        button->setVisible(false);
        button->setDefault(false);
    }
}

void FrmProgress::showSummary(const QString& text) {
    summary_->setText(text);
    summary_->setVisible(!text.isEmpty());
    // The label takes room from the list: keep its last line in view once the layout has run.
    QTimer::singleShot(0, Progress, [list = Progress] { list->scrollToBottom(); });
}

void FrmProgress::pressDone() {
    // A second press while the first one is still saving must not run the end twice.
    if (inDone_ || !Done->isVisible())
        return;
    inDone_ = true;
    programEnd::guardEvent([this] {
        if (onDone)
            onDone();
    });
    inDone_ = false;
}

void FrmProgress::keyPressEvent(QKeyEvent* event) {
    // Enter anywhere in the window presses `Done` once it is visible, as a default button does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && Done->isVisible() &&
        Done->isEnabled()) {
        event->accept();
        Done->click();
        return;
    }
    if (event->key() == Qt::Key_Escape && running_) {
        event->accept();
        requestCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmProgress::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        requestCancel();
        return;
    }
    event->accept();
    programEnd::guardEvent([this] {
        if (onClose)
            onClose();
        else
            programEnd::endProgram();
    });
}
