#pragma once

#include "windows/ProgressSink.h"

#include <QWidget>
#include <functional>

class QGroupBox;
class QListWidget;
class QProgressBar;
class QPushButton;

// The progress window: one line per transfer step in the list `Progress`, a bar showing how far
// the transfer has got, and the `Done` button that appears when the transfer has finished.
//
// Closing the window from its frame:
// - while a transfer runs (setTransferRunning(true)) the close is ignored, because ending the
//   program in the middle of an upload would leave a half-written lecture and the working files
//   behind; the transfer runs to its end and then shows `Done`;
// - otherwise (finished, or a transfer that stopped early without showing `Done`) the close calls
//   onClose, or ends the program when onClose is empty. The settings are not saved: only `Done`
//   saves them.
class FrmProgress : public QWidget, public ProgressSink {
    Q_OBJECT
public:
    explicit FrmProgress(QWidget* parent = nullptr);

    // Appends one line (an empty text gives an empty line), selects it and scrolls it into view.
    // Each call also advances the bar by one step, up to the expected number of steps.
    void Add(const QString& text) override;

    // How many Add calls the whole transfer is expected to make; shows the bar. n <= 0 hides it.
    void setExpectedSteps(int n);

    // Shows `Done` (the window's default button: Enter presses it), gives it the focus and fills
    // the bar. Also ends the running state.
    void showDone();

    // While true, closing the window from its frame is ignored.
    void setTransferRunning(bool running);
    bool transferRunning() const { return running_; }

    // Called when `Done` is pressed; the program sets it to "save the settings, then end".
    std::function<void()> onDone;
    // Called when the window is closed from its frame while no transfer runs; when empty the
    // program ends.
    std::function<void()> onClose;

    QListWidget* progressList() const { return Progress; }
    QPushButton* doneButton() const { return Done; }
    QProgressBar* progressBar() const { return bar_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void pressDone();

    QGroupBox* Frame1;
    QListWidget* Progress;
    QPushButton* Done;
    QProgressBar* bar_;
    int expectedSteps_ = 0;
    int stepsDone_ = 0;
    bool running_ = false;
    bool inDone_ = false;
};
