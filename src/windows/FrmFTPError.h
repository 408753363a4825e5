#pragma once

#include "lecture/ExistingLecture.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct LectureRecord;

// The dialog shown when the lecture directory for the chosen class, date and session already
// exists on the server. It names the class and date, tells what the lecture holds (its title,
// author, date and number of slides, "unknown" where the server did not say) and offers four
// ways on; it only records the
// choice. `Done` hides it, so the choice stays selected for the next showing in the same run.
// Closing it from its frame (or with Escape) discards the choice: the showing reports none and
// the next showing starts with no option selected.
class FrmFTPError : public QDialog {
    Q_OBJECT
public:
    // The option indices, in the order the caller tests them.
    enum Option { ChangeDate = 0, NewSession = 1, AppendSlides = 2, Abort = 3 };
    static constexpr int optionCount = 4;

    // fields must outlive the dialog; the message is read from it at every showing. The dialog
    // blocks its parent (the wizard) while it is shown, or the whole program without a parent.
    explicit FrmFTPError(const LectureRecord& fields, QWidget* parent = nullptr);

    // Shows the dialog modally, telling what the lecture holds, and returns the index of the
    // first selected option, or -1 when none is selected (Done with no choice, or the dialog
    // closed from its frame).
    int choose(const ExistingLecture& lecture = {});
    // What the lecture holds, as the next showing tells it.
    void showFacts(const ExistingLecture& lecture);

public slots:
    // Closing without Done: back to the design state, nothing selected.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The first selected option, or -1.
    int selectedOption() const;
    // "A lecture for <class> already exists on <month> <day> <year>" from the current fields.
    QString collisionMessage() const;
    void rebuildMessage();
    void clearSelection();

    const LectureRecord& fields_;
    QLabel* Label1;
    QLabel* facts_;
    QGroupBox* Frame1;
    std::array<QRadioButton*, optionCount> ErrorOption{};
    QButtonGroup* group_;
    QPushButton* Done;
};
