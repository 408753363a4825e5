#pragma once

#include "wizard/WizardPage.h"

#include <functional>

class QCheckBox;
class QLineEdit;

// The Lumora Info page: the server, the Lumora account that owns the lecture and the Corvane
// account that logs in to the server. Next tests the connection (again only when the server or
// the Corvane account changed) and checks the Lumora account against the server's account file.
// A check box refuses servers that would get the password in clear text; a login that went in
// clear text leaves a note on the page.
class LumoraInfoPage : public WizardPage {
    Q_OBJECT
public:
    explicit LumoraInfoPage(QWidget* parent = nullptr);

    bool complete() const override { return accountComplete_; }
    QString missing() const override;
    QWidget* fieldToFocus() const override;
    void fillLecture(LectureRecord& r) const override;
    void saveSettings() const override;

    // System and UserID, and the remembered Corvane ID unless one was typed.
    void loadSettings();
    // Next on this page: runs `connect` (told whether the server changed since the last
    // connection) with the busy pointer and the "connecting" note shown; its result or failure.
    bool whileConnecting(const std::function<bool(bool serverChanged)>& connect);

    // The server as typed into its field.
    QString server() const;
    // Shows or hides the note that the last login sent the Corvane password in clear text.
    void showLoginInClear(bool inClear, const QString& note);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The tests read and set serverChanged_ through this class, which only they define.
    friend class WizardProbe;

    void checkAccount();

    QLineEdit* FTPMachine_;
    QLineEdit* ID_;
    QLineEdit* Password_;
    QLineEdit* CVID_;
    QLineEdit* CVPassword_;
    QCheckBox* requireEncryption_;
    QLabel* connecting_;
    QLabel* loginInClear_;
    bool serverChanged_ = true; // the server or the Corvane account changed since the last test
    bool accountComplete_ = false;
};
