#include "wizard/LectureInfoPage.h"

#include "lecture/LectureRecord.h"
#include "lecture/OneLine.h"
#include "pipeline/CodePageCheck.h"
#include "server/ClassCatalogue.h"
#include "windows/Messages.h"
#include "wizard/ClassList.h"
#include "wizard/DigitsValidator.h"
#include "wizard/WizardSettings.h"

#include <QComboBox>
#include <QDate>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kFirstYear = 1996;
} // namespace

LectureInfoPage::LectureInfoPage(QWidget* parent)
    : WizardPage(parent), Term_(new QComboBox(this)), cbYear_(new QComboBox(this)),
      Classes_(new ClassList(this)), classNote_(new QLabel(this)), Title_(new QLineEdit(this)),
      codePageNote_(new QLabel(this)), comboMonth_(new QComboBox(this)),
      comboDay_(new QComboBox(this)), comboYear_(new QComboBox(this)),
      Session_(new QLineEdit(QStringLiteral("1"), this)) {
    auto* v = new QVBoxLayout(this);
    v->addWidget(addHeading(QStringLiteral("Lecture Information:")));
    nameFields();
    Session_->setMaximumWidth(70);
    DigitsValidator::apply(Session_, DigitsValidator::noLimit);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(10);
    // Each filter on a row of its own, so that its box stands in line with the fields below.
    form->addRow(QStringLiteral("&Term:"), Term_);
    form->addRow(QStringLiteral("&Year:"), cbYear_);
    form->addRow(QStringLiteral("C&lasses:"), Classes_);
    form->addRow(QString(), classNote_);
    form->addRow(QStringLiteral("Lecture t&itle:"), Title_);
    form->addRow(QString(), codePageNote_);
    auto* date = new QHBoxLayout;
    // The three lists stand apart, as the style spaces its controls (a row inside a form
    // would otherwise set them edge to edge).
    date->setSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
    date->addWidget(comboMonth_);
    date->addWidget(comboDay_);
    date->addWidget(comboYear_);
    date->addStretch(1);
    form->addRow(fieldLabel(QStringLiteral("Lecture &date:"), comboMonth_), date);
    form->addRow(QStringLiteral("&Session Number:"), Session_);
    v->addLayout(form);
    v->addStretch(1);
    fillLists();

    for (QObject* o : std::initializer_list<QObject*>{Term_, cbYear_})
        o->installEventFilter(this);
    connect(Classes_, &QComboBox::currentIndexChanged, this, &LectureInfoPage::classChanged);
    connect(Title_, &QLineEdit::textChanged, this, &LectureInfoPage::titleChanged);
    for (QComboBox* filter : {Term_, cbYear_})
        connect(filter, &QComboBox::activated, this, &LectureInfoPage::filtersChosen);
}

// The object names the user guide and the tests know the fields by, and the names a screen
// reader gives them.
void LectureInfoPage::nameFields() {
    setObjectName(QStringLiteral("lectureInfoPage"));
    Term_->setObjectName(QStringLiteral("Term"));
    cbYear_->setObjectName(QStringLiteral("cbYear"));
    Classes_->setObjectName(QStringLiteral("Classes"));
    Title_->setObjectName(QStringLiteral("Title"));
    comboMonth_->setObjectName(QStringLiteral("comboMonth"));
    comboDay_->setObjectName(QStringLiteral("comboDay"));
    comboYear_->setObjectName(QStringLiteral("comboYear"));
    Session_->setObjectName(QStringLiteral("Session"));
    // The fields without a label of their own are named for a screen reader.
    Term_->setAccessibleName(QStringLiteral("Term"));
    cbYear_->setAccessibleName(QStringLiteral("Year"));
    comboMonth_->setAccessibleName(QStringLiteral("Lecture date: month"));
    comboDay_->setAccessibleName(QStringLiteral("Lecture date: day"));
    comboYear_->setAccessibleName(QStringLiteral("Lecture date: year"));
    Classes_->setAccessibleName(QStringLiteral("Classes"));
    // The notes beside the class list and the title show only when they have something to say.
    for (QLabel* note : {classNote_, codePageNote_}) {
        note->setWordWrap(true);
        note->setVisible(false);
    }
    classNote_->setObjectName(QStringLiteral("classNote"));
    codePageNote_->setObjectName(QStringLiteral("codePageNote"));
}

void LectureInfoPage::fillLists() {
    const QDate today = QDate::currentDate();
    for (const char* m : kMonths)
        comboMonth_->addItem(QString::fromLatin1(m));
    comboMonth_->setCurrentIndex(today.month() - 1);
    for (int d = 1; d <= 31; ++d)
        comboDay_->addItem(QString::number(d));
    comboDay_->setCurrentIndex(today.day() - 1);
    // The year lists run from 1996 through next year, so today's date can always be chosen.
    const int lastYear = today.year() + 1;
    for (int y = kFirstYear; y <= lastYear; ++y)
        comboYear_->addItem(QString::number(y));
    comboYear_->setCurrentIndex(today.year() - kFirstYear);
    Term_->addItems({QStringLiteral("All terms"), QStringLiteral("Winter"),
                     QStringLiteral("Spring"), QStringLiteral("Summer"), QStringLiteral("Fall")});
    Term_->setCurrentIndex(-1);
    cbYear_->addItem(QStringLiteral("All years"));
    for (int y = kFirstYear; y <= lastYear; ++y)
        cbYear_->addItem(QString::number(y));
    cbYear_->setCurrentIndex(today.year() - kFirstYear + 1);
}

bool LectureInfoPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == Term_ || watched == cbYear_)) {
        // The filter's own drop-down list takes the focus while it is open: not a leave.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            emit filtersChosen();
        return false;
    }
    return WizardPage::eventFilter(watched, event);
}

void LectureInfoPage::titleChanged() {
    // A title pasted with line breaks becomes one line at once, as the lecture shows it.
    if (const QString line = oneLine(Title_->text()); line != Title_->text()) {
        Title_->setText(line);
        return;
    }
    titleGiven_ = !Title_->text().isEmpty();
    showCodePageWarning();
    emit completeChanged();
}

void LectureInfoPage::showPresentation(const QString& title, const QStringList& lostInSlides) {
    lostInSlides_ = lostInSlides;
    Title_->setText(title);
    Title_->setCursorPosition(0); // a long title shows its beginning
    showCodePageWarning();
}

// Says which characters of the title and the slides will reach the server as "?"; hidden when
// none will.
void LectureInfoPage::showCodePageWarning() {
    const QString warning = codePageWarning(Title_->text(), lostInSlides_);
    codePageNote_->setText(warning);
    codePageNote_->setVisible(!warning.isEmpty());
}

void LectureInfoPage::beginListing() {
    listedTerm_ = Term_->currentText();
    listedYear_ = cbYear_->currentText();
}

bool LectureInfoPage::filtersChangedSinceListing() const {
    return Term_->currentText() != listedTerm_ || cbYear_->currentText() != listedYear_;
}

void LectureInfoPage::showClasses(const QStringList& classes) {
    const QString keep = Classes_->currentText();
    Classes_->setClasses(classes);
    const int kept =
        Classes_->findText(classToKeep(classes, keep), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (kept >= 0)
        Classes_->setCurrentIndex(kept);
}

void LectureInfoPage::loadFilters() {
    wizardSettings::chooseEntry(Term_, programSettings::termFilter);
    wizardSettings::chooseEntry(cbYear_, programSettings::yearFilter);
}

void LectureInfoPage::loadClass() {
    const QString remembered = programSettings::className.read();
    const int listed = Classes_->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    // A class the server does not list is never chosen: the lecture could not be uploaded to it.
    Classes_->setCurrentIndex(listed);
    const bool missingClass = listed < 0 && !remembered.isEmpty();
    if (missingClass)
        classNote_->setText(QStringLiteral("The class %1 you chose last time is not on this "
                                           "server; choose one from the list.")
                                .arg(remembered));
    classNote_->setVisible(missingClass);
}

bool LectureInfoPage::classChosen() const {
    return Classes_->currentIndex() >= 0;
}

// A class chosen from the list answers the note about the remembered one.
void LectureInfoPage::classChanged() {
    if (classChosen())
        classNote_->setVisible(false);
    emit completeChanged();
}

void LectureInfoPage::saveSettings() const {
    programSettings::className.write(Classes_->currentText());
    programSettings::termFilter.write(Term_->currentText());
    programSettings::yearFilter.write(cbYear_->currentText());
}

// The date lists offer 31 days for every month: a day the month does not have is refused here,
// before it could name a lecture directory such as "Feb.31.2026.1".
bool LectureInfoPage::lectureDateExists() {
    const int month = comboMonth_->currentIndex() + 1;
    const int day = comboDay_->currentText().toInt();
    const int year = comboYear_->currentText().toInt();
    if (QDate(year, month, day).isValid())
        return true;
    const QString monthName = QLocale::c().standaloneMonthName(month);
    messages::showCritical(
        QStringLiteral("The lecture date %1 %2 %3 does not exist: %4 %3 has %5 days. "
                       "Choose another day.")
            .arg(comboMonth_->currentText(), comboDay_->currentText(), comboYear_->currentText(),
                 monthName)
            .arg(QDate(year, month, 1).daysInMonth()),
        QStringLiteral("Error!"));
    comboDay_->setFocus(Qt::OtherFocusReason);
    return false;
}

void LectureInfoPage::setSession(const QString& session) {
    Session_->setText(session);
}

void LectureInfoPage::setTitle(const QString& title) {
    Title_->setText(title);
}

QString LectureInfoPage::missing() const {
    if (!classChosen() && Classes_->count() == 0)
        return QStringLiteral("To go on, choose a term and year that list your class.");
    if (!classChosen())
        return QStringLiteral("To go on, choose the class from the list.");
    return QStringLiteral("To go on, enter the lecture title.");
}

QWidget* LectureInfoPage::fieldToFocus() const {
    return firstEmpty({Classes_, Title_, Session_}, Title_);
}

void LectureInfoPage::fillLecture(LectureRecord& r) const {
    r.termFilter = Term_->currentText();
    r.yearFilter = cbYear_->currentText();
    r.className = Classes_->currentText();
    r.title = Title_->text();
    r.month = comboMonth_->currentText();
    r.day = comboDay_->currentText();
    r.year = comboYear_->currentText();
    r.session = Session_->text();
}
