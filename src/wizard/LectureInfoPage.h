#pragma once

#include "wizard/WizardPage.h"

#include <QStringList>

class ClassList;
class QComboBox;
class QLineEdit;

// The Lecture Info page: the class (listed from the server, filtered by term and year), the
// lecture's title, date and session. It warns when the title or the slides hold characters that
// will reach the server as "?".
class LectureInfoPage : public WizardPage {
    Q_OBJECT
public:
    explicit LectureInfoPage(QWidget* parent = nullptr);

    bool complete() const override { return titleGiven_ && classChosen(); }
    QString missing() const override;
    QWidget* fieldToFocus() const override;
    void fillLecture(LectureRecord& r) const override;
    void saveSettings() const override;

    // Term and Year, then (once the classes are listed) Class.
    void loadFilters();
    // Chooses the remembered class when the server listed it; else nothing is chosen and the
    // note beside the list says why.
    void loadClass();

    // The opened presentation's title, and the characters of its slides that the code page
    // cannot hold.
    void showPresentation(const QString& title, const QStringList& lostInSlides);

    // The class list: the filters it is read with are taken when a listing begins; a filter
    // changed meanwhile asks for another listing.
    void beginListing();
    bool filtersChangedSinceListing() const;
    // Fills the class list, keeping the class shown now while the new list holds it.
    void showClasses(const QStringList& classes);

    // Next and Finish on this page: false, with the user told, for a day its month does not have.
    bool lectureDateExists();
    // A session number the server session chose.
    void setSession(const QString& session);
    // The title of the lecture the slides are appended to.
    void setTitle(const QString& title);

    bool titleGiven() const { return titleGiven_; }
    // True when a class of the server's list is chosen.
    bool classChosen() const;

signals:
    // A class filter was chosen or left after a change: the class list is to be read again.
    void filtersChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameFields();
    void fillLists();
    void titleChanged();
    void showCodePageWarning();
    void classChanged();

    QComboBox* Term_;
    QComboBox* cbYear_;
    ClassList* Classes_;
    QLabel* classNote_;
    QLineEdit* Title_;
    QLabel* codePageNote_;
    QComboBox* comboMonth_;
    QComboBox* comboDay_;
    QComboBox* comboYear_;
    QLineEdit* Session_;
    bool titleGiven_ = false;
    QStringList lostInSlides_;
    QString listedTerm_, listedYear_; // the filters the class list was last read with
};
