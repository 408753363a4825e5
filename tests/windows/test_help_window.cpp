#include "platform/SettingsStore.h"
#include "windows/FrmHelp.h"

#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {
const QString absent = QStringLiteral("<absent>");

QString stored(const QString& key) {
    return settingsStore::read("Slide-Ferry", "Settings", key, absent);
}
void store(const QString& key, const QString& value) {
    settingsStore::write("Slide-Ferry", "Settings", key, value);
}
// Places the window by its outer (frame) geometry, as the user sees and the window stores it.
void setOuter(QWidget* w, const QRect& outer) {
    const QSize extra = w->frameGeometry().size() - w->size();
    w->move(outer.topLeft());
    w->resize(outer.size() - extra);
    QCOMPARE(w->frameGeometry(), outer);
}

QStringList storedGeometry() {
    return {stored("HelpLeft"), stored("HelpTop"), stored("HelpWidth"), stored("HelpHeight")};
}

// Destroys the current instance, so that each test starts without a help window.
void destroyHelp() {
    if (FrmHelp* help = FrmHelp::existing()) {
        QPointer<FrmHelp> gone(help);
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(gone.isNull());
    }
}
} // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT
    QTemporaryDir* dir_ = nullptr;

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        settingsStore::useDirectory(dir_->path());
    }
    void cleanup() {
        destroyHelp();
        delete dir_;
        dir_ = nullptr;
    }

    void layoutNumbers_data() {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<double>("browserWidth");
        QTest::addColumn<double>("browserHeight");
        QTest::addColumn<double>("buttonLeft");
        QTest::addColumn<double>("buttonTop");
        QTest::newRow("default size") << 6720.0 << 5340.0 << 6480.0 << 4095.0 << 2992.5 << 4440.0;
        QTest::newRow("wide") << 15000.0 << 9000.0 << 14760.0 << 7755.0 << 7132.5 << 8100.0;
        QTest::newRow("smaller than margins") << 200.0 << 600.0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("minimised") << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    }
    void layoutNumbers() {
        QFETCH(double, w);
        QFETCH(double, h);
        const FrmHelp::Layout l = FrmHelp::layoutFor(w, h);
        QCOMPARE(l.browserLeft, 120.0);
        QCOMPARE(l.browserTop, 120.0);
        QTEST(l.browserWidth, "browserWidth");
        QTEST(l.browserHeight, "browserHeight");
        QTEST(l.buttonLeft, "buttonLeft");
        QTEST(l.buttonTop, "buttonTop");
        QCOMPARE(l.buttonWidth, 735.0);
    }

    void firstShowingUsesDefaults() {
        FrmHelp::showHelp();
        FrmHelp* help = FrmHelp::existing();
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QCOMPARE(help->windowTitle(), QString("Help"));
        help->onActivate();
        // 1000 twips is not a whole pixel; it lands on the nearest one.
        QVERIFY(qAbs(help->leftTwips() - 1000) <= 7.5);
        QVERIFY(qAbs(help->topTwips() - 1000) <= 7.5);
        QCOMPARE(help->widthTwips(), 6720.0);
        QCOMPARE(help->heightTwips(), 5340.0);
        // The browser fills the window less the margins: 6480 x 4095 twips at 120, 120.
        QCOMPARE(help->browser()->geometry(), QRect(8, 8, 432, 273));
        QCOMPARE(help->closeButton()->geometry().top(), 296);
        QCOMPARE(help->closeButton()->geometry().width(), 49);
        QVERIFY(qAbs(help->closeButton()->geometry().left() - 199.5) <= 0.5);
        QCOMPARE(help->closeButton()->text(), QString("Close"));
        // The guide comes from the program itself.
        const QString text = help->browser()->toPlainText();
        for (const char* page : {"Lumora Info", "PowerPoint File", "Lecture Info", "Advanced",
                                 "Finish", "Slide-Ferry complete", "Bad user id or password"})
            QVERIFY2(text.contains(QLatin1String(page)), page);
    }

    void deactivationStoresGeometry() {
        FrmHelp* help = FrmHelp::instance();
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        setOuter(help, QRect(100, 80, 600, 400));
        help->onDeactivate();
        QCOMPARE(storedGeometry(), (QStringList{"1500", "1200", "9000", "6000"}));
        // The browser follows the size.
        QCOMPARE(help->browser()->geometry(), QRect(8, 8, 584, 317));
    }

    void minimisedWindowStoresNothing() {
        FrmHelp* help = FrmHelp::instance();
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        help->setWindowState(Qt::WindowMinimized);
        QVERIFY(help->isMinimized());
        help->onDeactivate();
        QCOMPARE(storedGeometry(), (QStringList{absent, absent, absent, absent}));

        QPointer<FrmHelp> gone(help);
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(gone.isNull());
        QCOMPARE(storedGeometry(), (QStringList{absent, absent, absent, absent}));
    }

    void activationRestoresGeometryAndStartPage() {
        store("HelpLeft", "3000");
        store("HelpTop", "1500");
        store("HelpWidth", "7500");
        store("HelpHeight", "4500");
        FrmHelp* help = FrmHelp::instance();
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        setOuter(help, QRect(10, 10, 300, 300));
        // The user followed a link inside the guide and scrolled.
        help->browser()->setSource(QUrl(FrmHelp::guideUrl().toString() + "#finish"));
        help->browser()->verticalScrollBar()->setValue(
            help->browser()->verticalScrollBar()->maximum());

        help->onActivate();
        QCOMPARE(help->frameGeometry(), QRect(200, 100, 500, 300));
        QCOMPARE(help->browser()->source(), FrmHelp::guideUrl());
        QCOMPARE(help->browser()->verticalScrollBar()->value(), 0);
        QCOMPARE(storedGeometry(), (QStringList{"3000", "1500", "7500", "4500"}));
    }

    // Stored texts that are not usable numbers never break the window.
    void unusableStoredValues_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QRect>("expected"); // null: only checked to be on screen and sane
        QTest::newRow("not numbers")
            << QStringList{"abc", "", "wide", "1,5"} << QRect(10, 20, 300, 250);
        QTest::newRow("blanks around")
            << QStringList{" 1500 ", "1200", "9000 ", "6000"} << QRect(100, 80, 600, 400);
        QTest::newRow("fractions")
            << QStringList{"1507.5", "1200", "2992.5", "6000"} << QRect(101, 80, 200, 400);
        QTest::newRow("negative size") << QStringList{"1500", "1200", "-6000", "0"} << QRect();
        QTest::newRow("huge") << QStringList{"1e30", "99999999", "1e300", "inf"} << QRect();
        QTest::newRow("far off screen")
            << QStringList{"900000", "-900000", "3000", "3000"} << QRect();
    }
    void unusableStoredValues() {
        QFETCH(QStringList, values);
        QFETCH(QRect, expected);
        store("HelpLeft", values[0]);
        store("HelpTop", values[1]);
        store("HelpWidth", values[2]);
        store("HelpHeight", values[3]);
        FrmHelp* help = FrmHelp::instance();
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        setOuter(help, QRect(10, 20, 300, 250));
        help->onActivate();
        const QRect frame = help->frameGeometry();
        if (!expected.isNull()) {
            QCOMPARE(frame, expected);
        } else {
            QVERIFY(frame.width() >= 100 && frame.height() >= 100);
            QVERIFY(frame.width() <= 16000 && frame.height() <= 16000);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY2(screen.intersects(frame), "window pulled back onto the screen");
        }
        QVERIFY(help->browser()->width() >= 0 && help->browser()->height() >= 0);
    }

    void closeButtonHidesAndSameWindowShowsAgain() {
        FrmHelp::showHelp();
        QPointer<FrmHelp> first(FrmHelp::existing());
        QVERIFY(QTest::qWaitForWindowExposed(first.data()));
        setOuter(first.data(), QRect(120, 90, 450, 360));
        QTest::mouseClick(first->closeButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first.isNull());
        QVERIFY(!first->isVisible());
        QCOMPARE(storedGeometry(), (QStringList{"1800", "1350", "6750", "5400"}));

        FrmHelp::showHelp();
        QCOMPARE(FrmHelp::existing(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(first->frameGeometry(), QRect(120, 90, 450, 360));
    }

    void frameCloseStoresAndDestroys() {
        FrmHelp::showHelp();
        QPointer<FrmHelp> first(FrmHelp::existing());
        QVERIFY(QTest::qWaitForWindowExposed(first.data()));
        setOuter(first.data(), QRect(60, 45, 510, 390));
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(FrmHelp::existing(), nullptr);
        QCOMPARE(storedGeometry(), (QStringList{"900", "675", "7650", "5850"}));

        // The next Help creates a new window at the stored place.
        FrmHelp::showHelp();
        FrmHelp* second = FrmHelp::existing();
        QVERIFY(second);
        QCOMPARE(second->frameGeometry(), QRect(60, 45, 510, 390));
    }

    // The window's own activation events do the same as the calls above, where the platform
    // delivers them.
    void realActivationEvents() {
        store("HelpLeft", "1500");
        store("HelpTop", "1500");
        store("HelpWidth", "6000");
        store("HelpHeight", "4500");
        FrmHelp::showHelp();
        FrmHelp* help = FrmHelp::existing();
        if (!QTest::qWaitForWindowActive(help, 2000))
            QSKIP("this platform does not activate windows");
        QCOMPARE(help->frameGeometry(), QRect(100, 100, 400, 300));
        help->move(150, 120);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(stored("HelpLeft"), QString("2250"));
        QCOMPARE(stored("HelpTop"), QString("1800"));
    }
};

QTEST_MAIN(TestHelpWindow)
#include "test_help_window.moc"
