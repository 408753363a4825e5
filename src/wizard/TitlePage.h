#pragma once

#include "wizard/WizardPage.h"

#include <QList>
#include <utility>

class QLabel;

// The Start and the Finish page: a picture, the wizard's name and a few centred lines.
class TitlePage : public WizardPage {
    Q_OBJECT
public:
    // `pictureName` and `textName` are the object names of the picture and the text label.
    TitlePage(const QString& pictureName, const QString& textName, const QString& text, bool last,
              QWidget* parent = nullptr);

    // Next leaves the Start page at once; the Finish page has no page after it.
    bool complete() const override { return !last_; }

    static TitlePage* startPage(QWidget* parent);
    static TitlePage* finishPage(QWidget* parent);

    // The Finish page: what Finish will do, under its caption, one "label: value" line each
    // (`finishSummary`); a value too wide for the page is elided, its whole text the tooltip.
    void showPlan(const QList<std::pair<QString, QString>>& plan);

private:
    bool last_;
    QLabel* plan_ = nullptr;
};
