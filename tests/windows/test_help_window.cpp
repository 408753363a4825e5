#include "platform/SettingsStore.h"
#include "support/NamedChild.h"
#include "windows/FrmHelp.h"

#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace {
const QString absent = QStringLiteral("<absent>");
// Where the program keeps its user guide.
const QUrl guide(QStringLiteral("qrc:/help/user_guide.html"));
const QStringList keys = {"HelpLeft", "HelpTop", "HelpWidth", "HelpHeight"};

QStringList storedGeometry() {
    QStringList values;
    for (const QString& key : keys)
        values << settingsStore::read("Slide-Ferry", "Settings", key, absent);
    return values;
}
void storeGeometry(const QStringList& values) {
    for (int i = 0; i < keys.size(); ++i)
        settingsStore::write("Slide-Ferry", "Settings", keys[i], values[i]);
}

// Places the window by its outer (frame) geometry, as the user sees and the window stores it.
void setOuter(QWidget* w, const QRect& outer) {
    const QSize extra = w->frameGeometry().size() - w->size();
    w->move(outer.topLeft());
    w->resize(outer.size() - extra);
}

QTextBrowser* browserOf(const FrmHelp* help) {
    return testUi::named<QTextBrowser>(help, "WB1");
}
QPushButton* closeButtonOf(const FrmHelp* help) {
    return testUi::named<QPushButton>(help, "Closebtn");
}

FrmHelp* shownHelp(QWidget* beside = nullptr) {
    FrmHelp::showHelp(beside);
    FrmHelp* help = FrmHelp::existing();
    return help != nullptr && QTest::qWaitForWindowExposed(help) ? help : nullptr;
}

// Closes the window from its frame and lets it be destroyed; true when it is gone.
bool closeFromFrame(FrmHelp* help) {
    QPointer<FrmHelp> watched(help);
    help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return watched.isNull() && FrmHelp::existing() == nullptr;
}
} // namespace

// The settings store, and the help window: the guide it shows, and the geometry it stores there
// (in twips, 15 a pixel here) and restores.
class TestHelpWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

    static QString readOr(const QString& app, const QString& section, const QString& key) {
        return settingsStore::read(app, section, key, QStringLiteral("<default>"));
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        settingsStore::useDirectory(dir_->path());
    }
    void cleanup() {
        if (FrmHelp* help = FrmHelp::existing())
            QVERIFY(closeFromFrame(help));
    }

    // Whatever text is stored comes back exactly.
    void valuesComeBackExactly_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QString("  two  blanks  ");
        QTest::newRow("backslashes") << QString("C:\\TEMP\\deep\\");
        QTest::newRow("non-ascii")
            << QString::fromUtf8("Vorlesung \xc3\xa4\xe2\x82\xac \xe4\xb8\xad");
        QTest::newRow("ini syntax") << QString("a=b;c,d \"q\" [s] #x");
        QTest::newRow("newline") << QString("one\ntwo\r\n");
    }
    void valuesComeBackExactly() {
        QFETCH(QString, value);
        settingsStore::write("Slide-Ferry", "Settings", "Directory", value);
        QCOMPARE(readOr("Slide-Ferry", "Settings", "Directory"), value);
    }

    // A key is told apart by application, section and name (in its case); a missing one gives
    // the default, a second write replaces.
    void keysAreSeparatedByApplicationSectionAndKey() {
        QCOMPARE(readOr("Slide-Ferry", "Settings", "Term"), QString("<default>"));
        settingsStore::write("Slide-Ferry", "Settings", "Term", "Fall");
        settingsStore::write("Other", "Settings", "Term", "Winter");
        settingsStore::write("Slide-Ferry", "Else", "Term", "Spring");
        settingsStore::write("Slide-Ferry", "Settings", "Term", "Summer");
        QCOMPARE(
            (QStringList{readOr("Slide-Ferry", "Settings", "Term"),
                         readOr("Other", "Settings", "Term"), readOr("Slide-Ferry", "Else", "Term"),
                         readOr("Slide-Ferry", "Settings", "term")}),
            (QStringList{"Summer", "Winter", "Spring", "<default>"}));
    }

    // Activation restores the stored geometry and the guide's start, scrolled to the top; the
    // window's own activation events do the same, and its deactivation stores.
    void activationRestoresGeometryAndStartPage() {
        storeGeometry({"3000", "1500", "7500", "4500"});
        FrmHelp* help = shownHelp();
        QVERIFY(help);
        setOuter(help, QRect(10, 10, 300, 300));
        // The user followed a link inside the guide and scrolled.
        QScrollBar* scroll = browserOf(help)->verticalScrollBar();
        browserOf(help)->setSource(QUrl(guide.toString() + "#finish"));
        scroll->setValue(scroll->maximum());
        help->onActivate();
        QCOMPARE(help->frameGeometry(), QRect(200, 100, 500, 300));
        QCOMPARE(browserOf(help)->source(), guide);
        QCOMPARE(scroll->value(), 0);

        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        storeGeometry({"1500", "1500", "6000", "4500"});
        help->activateWindow();
        if (!QTest::qWaitForWindowActive(help, 2000))
            QSKIP("this platform does not activate windows");
        QCOMPARE(help->frameGeometry(), QRect(100, 100, 400, 300));
        help->move(150, 120);
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(storedGeometry(), (QStringList{"2250", "1800", "6000", "4500"}));
    }

    // Stored texts that are no usable numbers never break the window.
    void unusableStoredValues_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QRect>("expected"); // null: only checked to be sane and on screen
        QTest::newRow("not numbers")
            << QStringList{"abc", "", "wide", "1,5"} << QRect(10, 20, 300, 250);
        QTest::newRow("blanks, fractions")
            << QStringList{" 1507.5 ", "1200", "2992.5 ", "6000"} << QRect(101, 80, 200, 400);
        QTest::newRow("negative size") << QStringList{"1500", "1200", "-6000", "0"} << QRect();
        QTest::newRow("huge") << QStringList{"1e30", "99999999", "1e300", "inf"} << QRect();
        QTest::newRow("off screen") << QStringList{"900000", "-900000", "3000", "3000"} << QRect();
    }
    void unusableStoredValues() {
        QFETCH(QStringList, values);
        QFETCH(QRect, expected);
        FrmHelp* help = shownHelp();
        QVERIFY(help);
        storeGeometry(values);
        setOuter(help, QRect(10, 20, 300, 250));
        help->onActivate();
        const QRect frame = help->frameGeometry();
        if (!expected.isNull()) {
            QCOMPARE(frame, expected);
        } else {
            QVERIFY(frame.width() >= 100 && frame.height() >= 100);
            QVERIFY(frame.width() <= 16000 && frame.height() <= 16000);
            QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().intersects(frame));
        }
    }

    // Close hides the window (the next Help shows the same one); a frame close destroys it
    // (the next Help makes a new one). Both store the geometry the next showing uses, but not
    // while the window is minimised, nor does a deactivation then. The guide follows the
    // window's size.
    void closingStoresTheGeometry_data() {
        QTest::addColumn<bool>("fromFrame");
        QTest::newRow("Close button") << false;
        QTest::newRow("frame") << true;
    }
    void closingStoresTheGeometry() {
        QFETCH(bool, fromFrame);
        QPointer<FrmHelp> first(shownHelp());
        QVERIFY(first);
        // The guide is part of the program.
        for (const char* part : {"Lumora Info", "Lecture Info", "Bad user id or password"})
            QVERIFY2(browserOf(first)->toPlainText().contains(QLatin1String(part)), part);
        setOuter(first, QRect(100, 80, 600, 400));
        QCOMPARE(browserOf(first)->geometry(), QRect(8, 8, 584, 317));
        if (fromFrame) {
            QVERIFY(closeFromFrame(first));
        } else {
            QTest::mouseClick(closeButtonOf(first), Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(first && !first->isVisible());
        }
        QCOMPARE(storedGeometry(), (QStringList{"1500", "1200", "9000", "6000"}));
        FrmHelp* second = shownHelp();
        QVERIFY(second);
        QCOMPARE(second == first.data(), !fromFrame);
        QCOMPARE(second->frameGeometry(), QRect(100, 80, 600, 400));

        storeGeometry(QStringList(4, absent));
        second->setWindowState(Qt::WindowMinimized);
        second->onDeactivate();
        QVERIFY(closeFromFrame(second));
        QCOMPARE(storedGeometry(), QStringList(4, absent));
    }

    // Opened from a window with nothing stored, the help goes beside that window (not over it),
    // wide enough for the guide; a place the user gives it is kept from then on. Escape closes it.
    void firstShowingGoesBesideItsWindow() {
        QWidget wizard;
        wizard.setGeometry(10, 60, 250, 420); // the test screen is small: 800 x 600
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard));
        FrmHelp* help = shownHelp(&wizard);
        QVERIFY(help);
        const QRect frame = help->frameGeometry();
        QVERIFY(!frame.intersects(wizard.frameGeometry()));
        QVERIFY(frame.width() >= 480 && frame.height() >= wizard.frameGeometry().height());
        QVERIFY(browserOf(help)->horizontalScrollBar()->maximum() == 0);

        setOuter(help, QRect(60, 40, 700, 500));
        help->onDeactivate();
        QTest::mouseClick(closeButtonOf(help), Qt::LeftButton);
        FrmHelp::showHelp(&wizard);
        QCOMPARE(help->frameGeometry(), QRect(60, 40, 700, 500));

        // Escape closes it as Close does, wherever the cursor is in it.
        QTest::keyClick(browserOf(help), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        QCOMPARE(FrmHelp::existing(), help);
    }

    // A stored place partly or wholly off the screen (a smaller screen, a greater scale, a
    // monitor gone) comes back wholly onto it, title bar included, no larger than the screen.
    void placeOffTheScreenComesBackOntoIt_data() {
        QTest::addColumn<QRect>("stored"); // outer geometry in pixels
        QTest::addColumn<QRect>("expected");
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QTest::newRow("past the right edge") << QRect(area.right() - 100, 50, 400, 300)
                                             << QRect(area.right() + 1 - 400, 50, 400, 300);
        QTest::newRow("title bar above the top")
            << QRect(40, area.top() - 30, 400, 300) << QRect(40, area.top(), 400, 300);
        QTest::newRow("larger than the screen")
            << QRect(area.left() - 50, area.top() + 20, area.width() + 300, area.height() + 300)
            << area;
        QTest::newRow("on a screen no longer there")
            << QRect(area.right() + 2000, area.bottom() + 2000, 400, 300)
            << QRect(area.right() + 1 - 400, area.bottom() + 1 - 300, 400, 300);
    }
    void placeOffTheScreenComesBackOntoIt() {
        QFETCH(QRect, stored);
        QFETCH(QRect, expected);
        storeGeometry({QString::number(stored.x() * 15), QString::number(stored.y() * 15),
                       QString::number(stored.width() * 15),
                       QString::number(stored.height() * 15)});
        FrmHelp* help = shownHelp();
        QVERIFY(help);
        QCOMPARE(help->frameGeometry(), expected);
    }
};

QTEST_MAIN(TestHelpWindow)
#include "test_help_window.moc"
