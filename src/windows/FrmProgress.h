#pragma once

#include "lecture/ProgressSink.h"

#include <QWidget>
#include <functional>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// The progress window: one line per transfer step in the list `Progress`, a bar showing how far
// the transfer has got with the status line `transferStatus` under it, the `Cancel` button while
// the transfer runs and the `Done` button that appears when the transfer has finished.
//
// Closing the window from its frame:
// - while a transfer runs (setTransferRunning(true)) the close does what `Cancel` and Escape do:
//   it asks the transfer to stop at its next step (cancelRequested()), which then cleans up and
//   ends the program; the window itself stays until then, so that the program is never ended
//   in the middle of an upload;
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

    // A transfer starts: the expected steps, the running state, the window shown.
    void begin(int expectedSteps) override;
    // It has ended well: the summary, then Done.
    void finish(const QString& summary) override;

    // How many Add calls the whole transfer is expected to make; shows the bar. n <= 0 hides it.
    void setExpectedSteps(int n);

    // Shows `Done` (the window's default button: Enter presses it), gives it the focus and fills
    // the bar. Also ends the running state.
    void showDone();

    // While true, `Cancel` shows and closing the window asks the transfer to stop.
    void setTransferRunning(bool running);
    bool transferRunning() const { return running_; }

    // Asks the running transfer to stop at its next step; nothing when no transfer runs.
    void requestCancel();
    bool cancelRequested() const override { return cancelRequested_; }

    // The transfer's status under the bar ("Slide 12 of 68 · 3.1 of 12 MB sent · about 20 s
    // left"); from the first status on, the bar shows its share of the work done instead of
    // counting lines.
    void showStatus(const TransferStatus& status) override;

    // The transfer failed or was stopped: `Back to the wizard` (onBack) and `Quit` (a close of
    // the window) show in place of Cancel, the lines stay for reading.
    void offerWayBack();
    // Empty again for another transfer: no lines, no status, no summary, no buttons.
    void clear();

    // A line above the buttons saying where the finished lecture went.
    void showSummary(const QString& text);

    // Called when `Done` is pressed; the program sets it to "save the settings, then end".
    std::function<void()> onDone;
    // Called when the window is closed from its frame (or by `Quit`) while no transfer runs;
    // when empty the program ends.
    std::function<void()> onClose;
    // Called by `Back to the wizard`.
    std::function<void()> onBack;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QHBoxLayout* buildButtons();
    void pressDone();

    QGroupBox* Frame1;
    QListWidget* Progress;
    QPushButton* Done;
    QPushButton* Cancel;
    QPushButton* back_;
    QPushButton* quit_;
    QLabel* summary_;
    QProgressBar* bar_;
    QLabel* status_;
    bool barFollowsStatus_ = false;
    int expectedSteps_ = 0;
    int stepsDone_ = 0;
    bool running_ = false;
    bool inDone_ = false;
    bool cancelRequested_ = false;
};
