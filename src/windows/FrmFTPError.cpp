#include "windows/FrmFTPError.h"

#include "lecture/LectureRecord.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// Where the lecture's facts show: plain text, as they come from the server.
QLabel* factsLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lectureFacts"));
    label->setAccessibleName(QStringLiteral("The existing lecture"));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

FrmFTPError::FrmFTPError(const LectureRecord& fields, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    setObjectName(QStringLiteral("frmFTPError"));
    setWindowTitle(QStringLiteral("Lecture already exists"));
    // Modal to the wizard only, so that the help window stays usable while the user decides.
    setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    // A plain dialog frame: no context help button.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("A lecture for ... already exists on ..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);

    facts_ = factsLabel(this);

    Frame1 = new QGroupBox(QStringLiteral("Would you like to:"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    static const char* const captions[optionCount] = {
        "Change the lecture date", "Create new lecture for same date",
        "Append slides to existing lecture", "Abort Slide-Ferry"};
    auto* options = new QVBoxLayout(Frame1);
    for (int i = 0; i < optionCount; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(captions[i]), Frame1);
        button->setObjectName(QStringLiteral("ErrorOption_%1").arg(i));
        group_->addButton(button, i);
        options->addWidget(button);
        ErrorOption[static_cast<size_t>(i)] = button;
    }

    Done = new QPushButton(QStringLiteral("Done"), this);
    Done->setObjectName(QStringLiteral("Done"));
    Done->setDefault(true);
    connect(Done, &QPushButton::clicked, this, [this] { accept(); });

    auto* right = new QVBoxLayout;
    right->addStretch(1);
    right->addWidget(Done);

    auto* middle = new QHBoxLayout;
    middle->addWidget(Frame1, 1);
    middle->addSpacing(12);
    middle->addLayout(right);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(6);
    layout->addWidget(facts_);
    layout->addSpacing(6);
    layout->addLayout(middle);

    for (int i = 0; i + 1 < optionCount; ++i)
        setTabOrder(ErrorOption[static_cast<size_t>(i)], ErrorOption[static_cast<size_t>(i + 1)]);
    setTabOrder(ErrorOption[optionCount - 1], Done);

    setMinimumWidth(380);
}

int FrmFTPError::selectedOption() const {
    for (int i = 0; i < optionCount; ++i) {
        if (ErrorOption[static_cast<size_t>(i)]->isChecked())
            return i;
    }
    return -1;
}

QString FrmFTPError::collisionMessage() const {
    return QStringLiteral("A lecture for ") + fields_.className +
           QStringLiteral(" already exists on ") + fields_.month + QLatin1Char(' ') + fields_.day +
           QLatin1Char(' ') + fields_.year;
}

void FrmFTPError::rebuildMessage() {
    Label1->setText(collisionMessage());
}

void FrmFTPError::clearSelection() {
    // An exclusive group never lets its last checked button go; switch exclusiveness off to
    // clear it.
    group_->setExclusive(false);
    for (QRadioButton* button : ErrorOption)
        button->setChecked(false);
    group_->setExclusive(true);
}

namespace {
// The lecture's facts, one to a line; what the server did not say reads "unknown". The texts
// come from the server: shown as plain text, elided when long.
QString factsText(const ExistingLecture& lecture, const QFontMetrics& metrics) {
    const auto shown = [&](const QString& text) {
        return text.isEmpty() ? QStringLiteral("unknown")
                              : metrics.elidedText(text, Qt::ElideRight, 360);
    };
    return QStringLiteral("Title: %1\nAuthor: %2\nDate: %3\nSlides: %4")
        .arg(shown(lecture.title), shown(lecture.author), shown(lecture.date))
        .arg(lecture.slides);
}
} // namespace

void FrmFTPError::showFacts(const ExistingLecture& lecture) {
    facts_->setText(factsText(lecture, facts_->fontMetrics()));
}

int FrmFTPError::choose(const ExistingLecture& lecture) {
    showFacts(lecture);
    rebuildMessage();
    const int result = exec();
    if (result != QDialog::Accepted)
        return -1;
    return selectedOption();
}

void FrmFTPError::reject() {
    clearSelection();
    QDialog::reject();
}

void FrmFTPError::showEvent(QShowEvent* event) {
    rebuildMessage();
    ErrorOption[0]->setFocus(Qt::OtherFocusReason);
    QDialog::showEvent(event);
}

bool FrmFTPError::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        rebuildMessage();
    return QDialog::event(event);
}
