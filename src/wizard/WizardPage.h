#pragma once

#include <QFrame>
#include <initializer_list>

struct LectureRecord;
class QLabel;

// One page of the wizard: it builds its own widgets, keeps the rules of its fields, shows and
// saves the choices it remembers, and gives its part of the lecture record. The window around it
// moves between the pages and owns the buttons; a page tells it when it becomes ready or not
// ready for Next by completeChanged().
class WizardPage : public QFrame {
    Q_OBJECT
public:
    explicit WizardPage(QWidget* parent = nullptr);

    // True when the page holds all that Next needs.
    virtual bool complete() const { return true; }
    // While the page is not complete: one line that says what Next still needs.
    virtual QString missing() const { return {}; }
    // Where the cursor goes when the page opens: its first empty field, or its main field when
    // all are filled; null leaves it to the window (the pages without fields).
    virtual QWidget* fieldToFocus() const { return nullptr; }
    // Writes the page's values into the record that the server session and the pipeline read.
    virtual void fillLecture(LectureRecord&) const {}
    // Stores the page's remembered choices (when a transfer is closed with Done).
    virtual void saveSettings() const {}

signals:
    void completeChanged();

protected:
    // The page's bold heading line.
    QLabel* addHeading(const QString& text);
    // A field's label; the letter after "&" in `text` (Alt and the letter) puts the cursor in
    // `field`.
    QLabel* fieldLabel(const QString& text, QWidget* field);
    // The first field that is empty (a line edit without text, a list without a choice), else
    // `whenFilled`.
    static QWidget* firstEmpty(std::initializer_list<QWidget*> fields, QWidget* whenFilled);
};
