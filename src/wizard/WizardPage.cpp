#include "wizard/WizardPage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

WizardPage::WizardPage(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

QLabel* WizardPage::addHeading(const QString& text) {
    auto* label = new QLabel(text, this);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.15);
    label->setFont(f);
    return label;
}

QLabel* WizardPage::fieldLabel(const QString& text, QWidget* field) {
    auto* label = new QLabel(text, this);
    label->setBuddy(field);
    return label;
}

QWidget* WizardPage::firstEmpty(std::initializer_list<QWidget*> fields, QWidget* whenFilled) {
    for (QWidget* f : fields) {
        const auto* edit = qobject_cast<QLineEdit*>(f);
        const auto* combo = qobject_cast<QComboBox*>(f);
        const auto* list = qobject_cast<QListWidget*>(f);
        const bool empty = (edit && edit->text().isEmpty()) ||
                           (combo && combo->currentText().isEmpty()) ||
                           (list && list->selectedItems().isEmpty());
        if (empty)
            return f;
    }
    return whenFilled;
}
