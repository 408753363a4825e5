#pragma once

#include "lecture/ImageSizes.h"
#include "wizard/WizardPage.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;
class QVBoxLayout;

// The Advanced page: the image size (a named one or a custom width and height), the image
// format, the local working directory, the range of slides to send, whether the slides hidden in
// the presentation are left out and whether the text files take all the slide text.
class AdvancedPage : public WizardPage {
    Q_OBJECT
public:
    explicit AdvancedPage(QWidget* parent = nullptr);

    bool complete() const override { return sizeValid(); }
    QString missing() const override;
    QWidget* fieldToFocus() const override;
    void fillLecture(LectureRecord& r) const override;
    void saveSettings() const override;

    // The remembered working directory, image format, image size and the two choices of what is
    // sent.
    void loadSettings();
    // The range lists offer the presentation's slides, all of them chosen; 0 empties them.
    void showSlideCount(int slideCount);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameFields();
    void layOutFields(QVBoxLayout& v);
    void wireFields();
    // The image size chosen: the named size, or the custom one typed.
    int getWidth() const;
    int getHeight() const;
    // The size chosen is complete: a named one, or a custom one of at least 1 x 1.
    bool sizeValid() const;
    void showCustomSize();
    void customSizeRule();
    void keepLastAfterFirst();
    void keepFirstBeforeLast();

    QComboBox* Resolution_;
    QLineEdit* imageWidth_;
    QLineEdit* imageHeight_;
    QLabel* imageWidthText_;
    QLabel* imageHeightText_;
    QComboBox* imageFormat_;
    QLineEdit* ExportPath_;
    QGroupBox* rangeFrame_;
    QComboBox* firstSlide_;
    QComboBox* lastSlide_;
    QCheckBox* skipHidden_;
    QCheckBox* allText_;
    QFormLayout* form_ = nullptr; // its row 1 holds the custom size
    ImageSizes imageSizes_;
    bool customSizeValid_ = false;
};
