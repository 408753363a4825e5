#include "wizard/AdvancedPage.h"

#include "lecture/LectureRecord.h"
#include "platform/NumberText.h"
#include "wizard/DigitsValidator.h"
#include "wizard/FieldKeys.h"
#include "wizard/WizardSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

AdvancedPage::AdvancedPage(QWidget* parent)
    : WizardPage(parent), Resolution_(new QComboBox(this)), imageWidth_(new QLineEdit(this)),
      imageHeight_(new QLineEdit(this)),
      imageWidthText_(new QLabel(QStringLiteral("&Width:"), this)),
      imageHeightText_(new QLabel(QStringLiteral("H&eight:"), this)),
      imageFormat_(new QComboBox(this)),
      ExportPath_(new QLineEdit(programSettings::exportPath.defaultValue(), this)),
      rangeFrame_(new QGroupBox(QStringLiteral("Slide Range"), this)),
      firstSlide_(new QComboBox(rangeFrame_)), lastSlide_(new QComboBox(rangeFrame_)),
      skipHidden_(new QCheckBox(QStringLiteral("Lea&ve out hidden slides"), this)),
      allText_(new QCheckBox(
          QStringLiteral("All slide te&xt (title box, every text box, tables, groups)"), this)) {
    auto* v = new QVBoxLayout(this);
    v->addWidget(addHeading(QStringLiteral("Advanced features:")));
    imageFormat_->setEditable(true);
    nameFields();
    for (QLineEdit* e : {imageWidth_, imageHeight_}) {
        e->setMaximumWidth(70);
        // The custom size is a 16-bit number: up to 32767, in five digits at most.
        DigitsValidator::apply(e, 32767);
        e->setVisible(false);
    }
    imageWidthText_->setVisible(false);
    imageHeightText_->setVisible(false);

    layOutFields(*v);
    for (const char* r : ImageSizes::names)
        Resolution_->addItem(QString::fromLatin1(r));
    Resolution_->setCurrentIndex(3);
    imageFormat_->addItems({QStringLiteral("GIF"), QStringLiteral("JPG")});
    imageFormat_->setCurrentIndex(0);

    wireFields();
}

// The names tests and screen readers find the fields by.
void AdvancedPage::nameFields() {
    setObjectName(QStringLiteral("advancedPage"));
    Resolution_->setObjectName(QStringLiteral("Resolution"));
    imageWidth_->setObjectName(QStringLiteral("imageWidth"));
    imageHeight_->setObjectName(QStringLiteral("imageHeight"));
    imageWidthText_->setObjectName(QStringLiteral("imageWidthText"));
    imageHeightText_->setObjectName(QStringLiteral("imageHeightText"));
    imageWidthText_->setBuddy(imageWidth_);
    imageHeightText_->setBuddy(imageHeight_);
    imageFormat_->setObjectName(QStringLiteral("imageFormat"));
    ExportPath_->setObjectName(QStringLiteral("ExportPath"));
    rangeFrame_->setObjectName(QStringLiteral("rangeFrame"));
    firstSlide_->setObjectName(QStringLiteral("firstSlide"));
    lastSlide_->setObjectName(QStringLiteral("lastSlide"));
    skipHidden_->setObjectName(QStringLiteral("skipHidden"));
    allText_->setObjectName(QStringLiteral("allText"));
    // The fields without a label of their own are named for a screen reader.
    Resolution_->setAccessibleName(QStringLiteral("Lumora Resolution"));
    imageWidth_->setAccessibleName(QStringLiteral("Width"));
    imageHeight_->setAccessibleName(QStringLiteral("Height"));
    firstSlide_->setAccessibleName(QStringLiteral("First Slide"));
    lastSlide_->setAccessibleName(QStringLiteral("Last Slide"));
    imageFormat_->lineEdit()->setAccessibleName(QStringLiteral("Image Format"));
}

void AdvancedPage::layOutFields(QVBoxLayout& v) {
    auto* form = form_ = new QFormLayout;
    form->setVerticalSpacing(10);
    auto* resolution = new QHBoxLayout;
    resolution->addWidget(Resolution_);
    resolution->addStretch(1);
    form->addRow(fieldLabel(QStringLiteral("Lumora &Resolution:"), Resolution_), resolution);
    // The custom size on a row of its own below the list, so that its boxes have room for five
    // digits (beside the list they were squeezed, and kept the window from fitting a screen at
    // 200%). Each label stands apart from its box, as the style spaces its controls.
    auto* size = new QHBoxLayout;
    size->setSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
    size->addWidget(imageWidthText_);
    size->addWidget(imageWidth_);
    size->addSpacing(8);
    size->addWidget(imageHeightText_);
    size->addWidget(imageHeight_);
    size->addStretch(1);
    form->addRow(QString(), size);
    form->setRowVisible(1, false);
    form->addRow(QStringLiteral("Image F&ormat:"), imageFormat_);
    form->addRow(QStringLiteral("Local te&mporary file path:"), ExportPath_);
    v.addLayout(form);

    auto* range = new QHBoxLayout(rangeFrame_);
    range->addWidget(fieldLabel(QStringLiteral("First &Slide:"), firstSlide_));
    range->addWidget(firstSlide_, 1);
    range->addSpacing(16);
    range->addWidget(fieldLabel(QStringLiteral("&Last Slide:"), lastSlide_));
    range->addWidget(lastSlide_, 1);
    v.addWidget(rangeFrame_);
    v.addWidget(skipHidden_);
    v.addWidget(allText_);
    v.addStretch(1);
}

void AdvancedPage::wireFields() {
    for (QObject* o : std::initializer_list<QObject*>{Resolution_, firstSlide_, lastSlide_})
        o->installEventFilter(this);
    connect(imageWidth_, &QLineEdit::textChanged, this, &AdvancedPage::customSizeRule);
    connect(imageHeight_, &QLineEdit::textChanged, this, &AdvancedPage::customSizeRule);
    connect(Resolution_, &QComboBox::currentIndexChanged, this, &AdvancedPage::showCustomSize);
    connect(firstSlide_, &QComboBox::currentIndexChanged, this, &AdvancedPage::keepLastAfterFirst);
    connect(lastSlide_, &QComboBox::currentIndexChanged, this, &AdvancedPage::keepFirstBeforeLast);
}

bool AdvancedPage::eventFilter(QObject* watched, QEvent* event) {
    const QKeyEvent* key = fieldKeys::typedKey(event);
    if (!key)
        return WizardPage::eventFilter(watched, event);
    // The lists are chosen from, never typed into; a typed key applies the list's rule again.
    if (watched == Resolution_)
        showCustomSize();
    else if (watched == firstSlide_)
        keepLastAfterFirst();
    else if (watched == lastSlide_)
        keepFirstBeforeLast();
    return true;
}

void AdvancedPage::showCustomSize() {
    const bool custom = Resolution_->currentIndex() == 0;
    form_->setRowVisible(1, custom); // a hidden row takes no room
    for (QWidget* w : std::initializer_list<QWidget*>{imageWidth_, imageHeight_, imageWidthText_,
                                                      imageHeightText_})
        w->setVisible(custom);
    emit completeChanged(); // Next follows the size chosen
}

void AdvancedPage::customSizeRule() {
    imageSizes_.rows[0].width = numberText::leadingInt16(imageWidth_->text());
    imageSizes_.rows[0].height = numberText::leadingInt16(imageHeight_->text());
    customSizeValid_ = imageSizes_.rows[0].width >= 1 && imageSizes_.rows[0].height >= 1;
    emit completeChanged();
}

void AdvancedPage::keepLastAfterFirst() {
    if (firstSlide_->currentIndex() > lastSlide_->currentIndex())
        lastSlide_->setCurrentIndex(firstSlide_->currentIndex());
}

void AdvancedPage::keepFirstBeforeLast() {
    if (lastSlide_->currentIndex() < firstSlide_->currentIndex())
        firstSlide_->setCurrentIndex(lastSlide_->currentIndex());
}

int AdvancedPage::getWidth() const {
    const int p = Resolution_->currentIndex();
    return p < 0 ? 0 : imageSizes_.rows[static_cast<size_t>(p)].width;
}

int AdvancedPage::getHeight() const {
    const int p = Resolution_->currentIndex();
    return p < 0 ? 0 : imageSizes_.rows[static_cast<size_t>(p)].height;
}

void AdvancedPage::showSlideCount(int slideCount) {
    // A second visit refills the range lists from scratch.
    firstSlide_->clear();
    lastSlide_->clear();
    for (int i = 1; i <= slideCount; ++i)
        firstSlide_->addItem(QStringLiteral(" ") + QString::number(i));
    for (int i = 1; i <= slideCount; ++i)
        lastSlide_->addItem(QStringLiteral(" ") + QString::number(i));
    firstSlide_->setCurrentIndex(0);
    lastSlide_->setCurrentIndex(lastSlide_->count() - 1);
}

void AdvancedPage::loadSettings() {
    ExportPath_->setText(programSettings::exportPath.read());
    imageFormat_->setEditText(programSettings::imageFormat.read());
    const programSettings::ImageSize size = programSettings::imageSize.read();
    wizardSettings::chooseEntry(Resolution_, size.name,
                                programSettings::imageSize.name.defaultValue());
    imageWidth_->setText(size.width);
    imageHeight_->setText(size.height);
    // Filling the boxes counts as typing into them, also when the text stays the same.
    customSizeRule();
    skipHidden_->setChecked(programSettings::skipHiddenSlides.read());
    allText_->setChecked(programSettings::allSlideText.read());
}

void AdvancedPage::saveSettings() const {
    programSettings::imageFormat.write(imageFormat_->currentText());
    programSettings::imageSize.write(
        {Resolution_->currentText(), imageWidth_->text(), imageHeight_->text()});
    programSettings::exportPath.write(ExportPath_->text());
    programSettings::skipHiddenSlides.write(skipHidden_->isChecked());
    programSettings::allSlideText.write(allText_->isChecked());
}

bool AdvancedPage::sizeValid() const {
    // A named size is always complete; the custom one needs both boxes.
    const int p = Resolution_->currentIndex();
    return p > 0 || (p == 0 && customSizeValid_);
}

QString AdvancedPage::missing() const {
    return QStringLiteral("To go on, enter a custom width and height of at least 1 pixel.");
}

QWidget* AdvancedPage::fieldToFocus() const {
    if (Resolution_->currentIndex() == 0)
        return firstEmpty({imageWidth_, imageHeight_, ExportPath_}, Resolution_);
    return firstEmpty({ExportPath_}, Resolution_);
}

void AdvancedPage::fillLecture(LectureRecord& r) const {
    r.workDir = ExportPath_->text();
    r.imageFormat = imageFormat_->currentText();
    r.firstSlide = firstSlide_->currentIndex() + 1;
    r.lastSlide = lastSlide_->currentIndex() + 1;
    r.width = getWidth();
    r.height = getHeight();
    r.skipHiddenSlides = skipHidden_->isChecked();
    r.allSlideText = allText_->isChecked();
}
