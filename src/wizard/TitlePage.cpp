#include "wizard/TitlePage.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// The decorative picture: a slide flying to a server. It is drawn for the screen's pixel
// density, so that it stays sharp on a scaled display (it would be blurred if enlarged).
QLabel* picture(QWidget* parent) {
    const qreal ratio = qGuiApp->devicePixelRatio();
    QPixmap pm(QSize(120, 90) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(6, 14, 62, 46);
    p.setBrush(QColor(0, 120, 215));
    p.drawRect(12, 20, 50, 8);
    p.setPen(QPen(QColor(120, 120, 120), 2));
    for (int y = 36; y <= 52; y += 8)
        p.drawLine(14, y, 58, y);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(84, 20, 28, 56);
    for (int y = 28; y <= 60; y += 10)
        p.drawLine(88, y, 108, y);
    p.setPen(QPen(QColor(0, 160, 0), 3));
    p.drawLine(70, 40, 80, 40);
    p.drawLine(76, 35, 81, 40);
    p.drawLine(76, 45, 81, 40);
    p.end();
    auto* l = new QLabel(parent);
    l->setPixmap(pm);
    return l;
}
} // namespace

TitlePage::TitlePage(const QString& pictureName, const QString& textName, const QString& text,
                     bool last, QWidget* parent)
    : WizardPage(parent), last_(last) {
    auto* v = new QVBoxLayout(this);
    v->addStretch(1);
    auto* pic = picture(this);
    pic->setObjectName(pictureName);
    v->addWidget(pic, 0, Qt::AlignHCenter);
    QLabel* title = addHeading(QStringLiteral("Slide-Ferry Wizard"));
    title->setAlignment(Qt::AlignHCenter);
    v->addWidget(title);
    auto* label = new QLabel(text, this);
    label->setObjectName(textName);
    label->setAlignment(Qt::AlignHCenter);
    v->addWidget(label);
    if (last) {
        plan_ = new QLabel(this);
        plan_->setObjectName(QStringLiteral("finishSummary"));
        plan_->setAccessibleName(QStringLiteral("What Finish will do"));
        plan_->setTextFormat(Qt::PlainText);
        plan_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        v->addSpacing(8);
        v->addWidget(plan_, 0, Qt::AlignHCenter);
    }
    v->addStretch(2);
}

void TitlePage::showPlan(const QList<std::pair<QString, QString>>& plan) {
    if (!plan_)
        return;
    // The values come partly from the server and the presentation: plain text, and no wider
    // than the page allows, so that the wizard keeps its size.
    const QFontMetrics metrics = plan_->fontMetrics();
    // The page area's width: the page itself may not have been laid out yet.
    const QWidget* area = parentWidget() ? parentWidget() : this;
    const int widest = std::max(200, area->width() - 40);
    QStringList lines, whole;
    for (const auto& [label, value] : plan) {
        const QString line = label + QStringLiteral(": ") + value;
        lines << metrics.elidedText(line, Qt::ElideRight, widest);
        whole << line;
    }
    plan_->setText(lines.join(QLatin1Char('\n')));
    plan_->setToolTip(lines == whole ? QString() : whole.join(QLatin1Char('\n')));
}

TitlePage* TitlePage::startPage(QWidget* parent) {
    auto* page = new TitlePage(QStringLiteral("Picture1_1"), QStringLiteral("Label2"),
                               QStringLiteral("The Slide-Ferry Wizard allows\n"
                                              "users to easly transfer PowerPoint\n"
                                              "presentations into Lumora"),
                               false, parent);
    page->setObjectName(QStringLiteral("startPage"));
    return page;
}

TitlePage* TitlePage::finishPage(QWidget* parent) {
    auto* page = new TitlePage(QStringLiteral("Picture1_0"), QStringLiteral("Label14"),
                               QStringLiteral("Press finish to create lecture."), true, parent);
    page->setObjectName(QStringLiteral("finishPage"));
    return page;
}
