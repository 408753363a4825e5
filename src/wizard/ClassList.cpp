#include "wizard/ClassList.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {
// The box is as wide as this many characters (with the other fields of the page, often wider):
// a class name never widens the wizard past its screen.
constexpr int kShownCharacters = 24;
} // namespace

ClassList::ClassList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(kShownCharacters);
    view()->setTextElideMode(Qt::ElideRight);
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void ClassList::setClasses(const QStringList& classes) {
    clear();
    for (const QString& name : classes)
        addItem(name);
    for (int i = 0; i < count(); ++i)
        setItemData(i, itemText(i), Qt::ToolTipRole);
    setCurrentIndex(-1);
    setToolTip(QString());
}

void ClassList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    opt.currentText = fontMetrics().elidedText(opt.currentText, Qt::ElideRight, field.width() - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}
