// The construction of the wizard window: the step panel, the six pages and the buttons, with
// the object names the user guide and the tests know them by.
#include "wizard/FrmMain.h"

#include "wizard/AdvancedPage.h"
#include "wizard/LectureInfoPage.h"
#include "wizard/LumoraInfoPage.h"
#include "wizard/PowerPointFilePage.h"
#include "wizard/TitlePage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace {
const char* const kStepNames[6] = {"Start",        "Lumora Info", "PowerPoint File",
                                   "Lecture Info", "Advanced",    "Finish"};

void setBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}
} // namespace

void FrmMain::buildWindow() {
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(buildStepPanel());

    top->addWidget(buildPageArea(), 1);

    QHBoxLayout* bottom = buildButtonRow();

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(top, 1);
    outer->addWidget(line);
    outer->addLayout(bottom);
    // A screen too small for the usual size (or enlarged by a scale factor) gets a window that
    // fits on it, leaving room for the window frame.
    resize(QSize(660, 440).boundedTo(screen()->availableGeometry().size() - QSize(8, 40)));
}

// The pages, one above the other with only the current one shown, and the hint below them.
QWidget* FrmMain::buildPageArea() {
    auto* pageArea = new QWidget(this);
    auto* stack = new QGridLayout(pageArea);
    stack->setContentsMargins(16, 12, 16, 8);
    lumoraInfo_ = new LumoraInfoPage(pageArea);
    powerPointFile_ = new PowerPointFilePage(pageArea);
    lectureInfo_ = new LectureInfoPage(pageArea);
    advanced_ = new AdvancedPage(pageArea);
    pages_ = {TitlePage::startPage(pageArea), lumoraInfo_, powerPointFile_, lectureInfo_, advanced_,
              TitlePage::finishPage(pageArea)};
    for (size_t i = 0; i < pages_.size(); ++i) {
        stack->addWidget(pages_[i], 0, 0);
        pages_[i]->setVisible(i == 0);
    }
    setBackground(pages_[Start], Qt::white);
    nextHint_ = new QLabel(pageArea);
    nextHint_->setObjectName(QStringLiteral("nextHint"));
    nextHint_->setWordWrap(true);
    nextHint_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stack->addWidget(nextHint_, 1, 0);
    stack->setRowStretch(0, 1);
    return pageArea;
}

// Help on the left; Cancel, Back, Next and Finish on the right.
QHBoxLayout* FrmMain::buildButtonRow() {
    // Alt and the underlined letter presses a button; the page labels use other letters.
    Help_ = new QPushButton(QStringLiteral("&Help"), this);
    Cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    buttonBack_ = new QPushButton(QStringLiteral("< &Back"), this);
    buttonNext_ = new QPushButton(QStringLiteral("&Next >"), this);
    Finish_ = new QPushButton(QStringLiteral("&Finish"), this);
    for (QPushButton* b : {Help_, Cancel_, buttonBack_, buttonNext_, Finish_}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
    }
    Help_->setObjectName(QStringLiteral("Help"));
    Cancel_->setObjectName(QStringLiteral("Cancel"));
    buttonBack_->setObjectName(QStringLiteral("buttonBack"));
    buttonNext_->setObjectName(QStringLiteral("buttonNext"));
    Finish_->setObjectName(QStringLiteral("Finish"));
    buttonNext_->setDefault(true);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(12, 8, 12, 10);
    bottom->addWidget(Help_);
    bottom->addStretch(1);
    bottom->addWidget(Cancel_);
    bottom->addSpacing(10);
    bottom->addWidget(buttonBack_);
    bottom->addWidget(buttonNext_);
    bottom->addSpacing(10);
    bottom->addWidget(Finish_);
    return bottom;
}

QWidget* FrmMain::buildStepPanel() {
    auto* boxes = new QFrame(this);
    boxes->setObjectName(QStringLiteral("boxes"));
    setBackground(boxes, Qt::black);
    boxes->setFixedWidth(172);
    auto* grid = new QGridLayout(boxes);
    grid->setContentsMargins(10, 30, 8, 30);
    grid->setVerticalSpacing(22);
    for (size_t i = 0; i < box_.size(); ++i) {
        box_[i] = new QFrame(boxes);
        box_[i]->setObjectName(QStringLiteral("box%1").arg(i));
        box_[i]->setFixedSize(14, 14);
        box_[i]->setFrameShape(QFrame::Box);
        setBackground(box_[i], i == 5 ? QColor(0xFF, 0x00, 0x00) : QColor(0xC0, 0xC0, 0xC0));
        boxText_[i] = new QLabel(QString::fromLatin1(kStepNames[i]), boxes);
        boxText_[i]->setObjectName(QStringLiteral("boxText%1").arg(i));
        QPalette p = boxText_[i]->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        boxText_[i]->setPalette(p);
        // Squares 0 and 5 stand a little further left than the others.
        const int indent = (i == 0 || i == 5) ? 0 : 8;
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        row->addSpacing(indent);
        row->addWidget(box_[i]);
        row->addWidget(boxText_[i], 1);
        grid->addLayout(row, static_cast<int>(i), 0);
    }
    grid->setRowStretch(6, 1);
    return boxes;
}

// The step of the current page is marked green and bold; a step left behind turns grey.
void FrmMain::highlightStep(bool on) {
    const size_t i = static_cast<size_t>(currentPage_);
    QPalette p = box_[i]->palette();
    p.setColor(QPalette::Window, on ? QColor(0x00, 0xFF, 0x00) : QColor(0x80, 0x80, 0x80));
    box_[i]->setPalette(p);
    QFont f = boxText_[i]->font();
    f.setBold(on);
    boxText_[i]->setFont(f);
}

void FrmMain::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    placeOnScreen();
    // The window manager gives the window its frame once it is shown: placed again by it.
    QTimer::singleShot(0, this, &FrmMain::placeOnScreen);
}

// The dialog is centred on its screen by its inner size; at a large scale (or on a small screen)
// that can leave the title bar above the top of the screen, out of reach. The frame is known
// once the window manager has framed the window; before that a title bar is assumed.
void FrmMain::placeOnScreen() {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr || !isVisible())
        return;
    const QRect area = shownOn->availableGeometry();
    QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull())
        frame.setTop(style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    const QSize room = area.size().shrunkBy(frame);
    const QSize inner = size().boundedTo(room).expandedTo(minimumSize());
    const QRect outer = QRect(geometry().topLeft(), inner).marginsAdded(frame);
    const int left =
        std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width()));
    const int top = std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height()));
    const QRect placed(QPoint(left + frame.left(), top + frame.top()), inner);
    if (placed != geometry())
        setGeometry(placed);
}
