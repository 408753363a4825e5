#include "windows/FrmHelp.h"

#include "platform/ProgramSettings.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
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

// The screen that shows the most of `rect`; the primary screen when none shows any of it.
const QScreen* screenShowing(const QRect& rect) {
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shown = screen->availableGeometry().intersected(rect);
        const qint64 area = qint64(shown.width()) * shown.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best != nullptr ? best : QGuiApplication::primaryScreen();
}

// Fits a window rectangle wholly onto the screen that shows the most of it (the primary screen
// when it lies on none, for example after a monitor was removed since the place was stored, or
// the scale grew): no larger than that screen's free area, and inside it, title bar included.
QRect keepOnScreen(QRect rect) {
    const QScreen* screen = screenShowing(rect);
    if (screen == nullptr)
        return rect;
    const QRect area = screen->availableGeometry();
    rect.setSize(rect.size().boundedTo(area.size()));
    rect.moveTo(std::clamp(rect.left(), area.left(), area.right() + 1 - rect.width()),
                std::clamp(rect.top(), area.top(), area.bottom() + 1 - rect.height()));
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

void FrmHelp::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Closebtn->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmHelp::closeEvent(QCloseEvent* event) {
    storeGeometry();
    event->accept();
}
