#include "windows/FrmHelp.h"

#include "platform/ProgramSettings.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <algorithm>
#include <cmath>

// The guide is compiled into the program; the resource lives in a static library, so it has to
// be registered explicitly (outside any namespace).
static void registerHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace {

// Outer sizes are kept within these bounds (pixels) whatever the store holds.
constexpr int minOuterWidth = 120;
constexpr int minOuterHeight = 100;
constexpr int maxOuterSize = 16000;
// At least this much of the window's top edge has to lie on a screen, or it is moved onto one.
constexpr int visibleStripWidth = 60;
constexpr int visibleStripHeight = 20;

int toPixels(double twips) {
    return static_cast<int>(std::lround(twips / FrmHelp::twipsPerPixel));
}
double toTwips(int pixels) {
    return pixels * FrmHelp::twipsPerPixel;
}

QPointer<FrmHelp>& theInstance() {
    static QPointer<FrmHelp> instance;
    return instance;
}

// Moves a window rectangle onto the primary screen when its top edge is on none of the screens
// (for example after a monitor was removed since the position was stored).
QRect keepOnScreen(QRect rect) {
    const QRect strip(rect.left(), rect.top(), rect.width(),
                      std::min(visibleStripHeight, rect.height()));
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        const QRect shown = screen->availableGeometry().intersected(strip);
        if (shown.width() >= std::min(visibleStripWidth, rect.width()) &&
            shown.height() >= strip.height())
            return rect;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return rect;
    const QRect area = primary->availableGeometry();
    const int left = std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width()));
    const int top = std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height()));
    rect.moveTo(left, top);
    return rect;
}

} // namespace

FrmHelp::Layout FrmHelp::layoutFor(double outerWidth, double outerHeight) {
    Layout l{};
    l.browserLeft = 120;
    l.browserTop = 120;
    // A window smaller than the margins (for instance while minimised) gives empty controls
    // rather than negative sizes.
    l.browserWidth = std::max(0.0, outerWidth - 240);
    l.browserHeight = std::max(0.0, outerHeight - 1245);
    l.buttonWidth = 735;
    l.buttonHeight = 375;
    l.buttonLeft = std::max(0.0, (outerWidth - 735) / 2);
    l.buttonTop = std::max(0.0, outerHeight - 900);
    return l;
}

QUrl FrmHelp::guideUrl() {
    return QUrl(QStringLiteral("qrc:/help/user_guide.html"));
}

FrmHelp* FrmHelp::instance() {
    QPointer<FrmHelp>& instance = theInstance();
    if (instance.isNull())
        instance = new FrmHelp;
    return instance.data();
}

FrmHelp* FrmHelp::existing() {
    return theInstance().data();
}

void FrmHelp::showHelp() {
    FrmHelp* help = instance();
    if (!help->isVisible()) {
        // Placed before it shows, so that it does not appear elsewhere first; activation applies
        // the same values again.
        help->applyStoredGeometry();
    }
    if (help->isMinimized())
        help->setWindowState(help->windowState() & ~Qt::WindowMinimized);
    help->show();
    // The frame's size is known once the window is on screen; place it again by its outer size.
    help->applyStoredGeometry();
    help->raise();
    help->activateWindow();
}

void FrmHelp::showHelp(QWidget* beside) {
    FrmHelp* help = instance();
    if (beside != nullptr && !help->isVisible() && !programSettings::helpLeft.isStored())
        help->storeGeometryBeside(beside);
    showHelp();
}

void FrmHelp::storeGeometryBeside(const QWidget* beside) {
    // Wide enough for the guide's lines, as tall as the owner or a little more; on the side of
    // the owner with room, and over it only when the screen has room on neither side.
    constexpr int gap = 8, preferred = 720, least = 480;
    const QRect owner = beside->window()->frameGeometry();
    const QScreen* screen = beside->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 900);
    const int rightRoom = area.right() - owner.right() - gap;
    const int leftRoom = owner.left() - gap - area.left();
    int width = std::min(preferred, area.width());
    int left = area.right() + 1 - width;
    if (rightRoom >= preferred || (rightRoom >= least && rightRoom >= leftRoom)) {
        width = std::min(preferred, rightRoom);
        left = owner.right() + 1 + gap;
    } else if (leftRoom >= least) {
        width = std::min(preferred, leftRoom);
        left = owner.left() - gap - width;
    }
    const int height = std::min(std::max(owner.height(), 600), area.height());
    const int top = std::clamp(owner.top(), area.top(), area.bottom() + 1 - height);
    programSettings::helpLeft.write(toTwips(left));
    programSettings::helpTop.write(toTwips(top));
    programSettings::helpWidth.write(toTwips(width));
    programSettings::helpHeight.write(toTwips(height));
}

FrmHelp::FrmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    registerHelpResource();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setAttribute(Qt::WA_DeleteOnClose);

    WB1 = new QTextBrowser(this);
    WB1->setObjectName(QStringLiteral("WB1"));
    WB1->setOpenLinks(true);
    // Links that leave the guide open in the desktop's own browser.
    WB1->setOpenExternalLinks(true);

    Closebtn = new QPushButton(QStringLiteral("Close"), this);
    Closebtn->setObjectName(QStringLiteral("Closebtn"));
    connect(Closebtn, &QPushButton::clicked, this, [this] {
        storeGeometry();
        hide();
    });

    resize(toPixels(programSettings::helpWidth.defaultValue()),
           toPixels(programSettings::helpHeight.defaultValue()));
    move(toPixels(programSettings::helpLeft.defaultValue()),
         toPixels(programSettings::helpTop.defaultValue()));
    navigateToGuide();
}

FrmHelp::~FrmHelp() = default;

void FrmHelp::navigateToGuide() {
    const QUrl url = guideUrl();
    WB1->setSource(url);
    WB1->verticalScrollBar()->setValue(0);
    WB1->horizontalScrollBar()->setValue(0);
}

double FrmHelp::leftTwips() const {
    return toTwips(frameGeometry().x());
}
double FrmHelp::topTwips() const {
    return toTwips(frameGeometry().y());
}
double FrmHelp::widthTwips() const {
    return toTwips(frameGeometry().width());
}
double FrmHelp::heightTwips() const {
    return toTwips(frameGeometry().height());
}

void FrmHelp::applyStoredGeometry() {
    const QRect frame = frameGeometry();
    const int frameExtraWidth = frame.width() - width();
    const int frameExtraHeight = frame.height() - height();

    // A value that is not a number leaves that edge or size as it is.
    QRect target = frame;
    if (const auto left = programSettings::helpLeft.read())
        target.moveLeft(toPixels(*left));
    if (const auto top = programSettings::helpTop.read())
        target.moveTop(toPixels(*top));
    if (const auto w = programSettings::helpWidth.read())
        target.setWidth(std::clamp(toPixels(*w), minOuterWidth, maxOuterSize));
    if (const auto h = programSettings::helpHeight.read())
        target.setHeight(std::clamp(toPixels(*h), minOuterHeight, maxOuterSize));
    target = keepOnScreen(target);

    move(target.topLeft());
    resize(std::max(1, target.width() - frameExtraWidth),
           std::max(1, target.height() - frameExtraHeight));
}

void FrmHelp::storeGeometry() {
    if (isMinimized())
        return;
    programSettings::helpLeft.write(leftTwips());
    programSettings::helpTop.write(topTwips());
    programSettings::helpWidth.write(widthTwips());
    programSettings::helpHeight.write(heightTwips());
}

void FrmHelp::onActivate() {
    navigateToGuide();
    applyStoredGeometry();
}

void FrmHelp::onDeactivate() {
    storeGeometry();
}

void FrmHelp::layoutControls() {
    const Layout l = layoutFor(widthTwips(), heightTwips());
    WB1->setGeometry(toPixels(l.browserLeft), toPixels(l.browserTop), toPixels(l.browserWidth),
                     toPixels(l.browserHeight));
    Closebtn->setGeometry(toPixels(l.buttonLeft), toPixels(l.buttonTop), toPixels(l.buttonWidth),
                          toPixels(l.buttonHeight));
}

bool FrmHelp::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        onActivate();
    else if (event->type() == QEvent::WindowDeactivate)
        onDeactivate();
    return QWidget::event(event);
}

void FrmHelp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void FrmHelp::closeEvent(QCloseEvent* event) {
    storeGeometry();
    event->accept();
}
