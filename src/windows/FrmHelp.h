#pragma once

#include <QRect>
#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

// The help window: the program's user guide in the browser `WB1` and a `Closebtn` that hides the
// window. It is resizable, lays out its two controls on every resize, and remembers its place
// and size with the program's settings (twips, outer window geometry; see ProgramSettings.h):
// restored on every activation, stored on every deactivation unless minimised and when closed
// from the frame. Closing from the frame destroys the window; showHelp() then creates a new one.
class FrmHelp : public QWidget {
    Q_OBJECT
public:
    // 15 twips to a pixel (96 dots per inch).
    static constexpr double twipsPerPixel = 15.0;

    // Where the controls go for an outer window size of W x H twips (all values in twips).
    struct Layout {
        double browserLeft, browserTop, browserWidth, browserHeight;
        double buttonLeft, buttonTop, buttonWidth, buttonHeight;
    };
    static Layout layoutFor(double outerWidth, double outerHeight);

    // The window's single instance, created on first use.
    static FrmHelp* instance();
    // The instance if one exists, else nullptr (nothing is created).
    static FrmHelp* existing();
    // What the wizard's Help button does: shows the single instance (not modal), in front.
    static void showHelp();
    // The same, for a window the help belongs to: the first time (nothing stored yet) the help
    // opens beside that window, wide enough for a page of the guide, instead of over it.
    static void showHelp(QWidget* beside);

    // Navigates the browser to the guide's start page, then applies the stored geometry.
    void onActivate();
    // Stores the current geometry unless the window is minimised.
    void onDeactivate();

    // The window's outer geometry in twips, as it is stored.
    double leftTwips() const;
    double topTwips() const;
    double widthTwips() const;
    double heightTwips() const;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override; // Escape presses Close

private:
    explicit FrmHelp(QWidget* parent = nullptr);
    ~FrmHelp() override;

    // The address of the guide page.
    static QUrl guideUrl();

    void storeGeometryBeside(const QWidget* beside);
    void navigateToGuide();
    void applyStoredGeometry();
    void storeGeometry();
    void layoutControls();

    QTextBrowser* WB1;
    QPushButton* Closebtn;
};
