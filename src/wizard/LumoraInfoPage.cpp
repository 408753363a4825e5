#include "wizard/LumoraInfoPage.h"

#include "lecture/LectureRecord.h"
#include "platform/ProgramSettings.h"
#include "wizard/BusyPointer.h"
#include "wizard/FieldKeys.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <utility>

LumoraInfoPage::LumoraInfoPage(QWidget* parent)
    : WizardPage(parent), FTPMachine_(new QLineEdit(this)), ID_(new QLineEdit(this)),
      Password_(new QLineEdit(this)), CVID_(new QLineEdit(this)), CVPassword_(new QLineEdit(this)),
      requireEncryption_(
          new QCheckBox(QStringLiteral("Never &send the password unencrypted"), this)) {
    auto* v = new QVBoxLayout(this);
    v->addWidget(addHeading(QStringLiteral("Lumora Info:")));
    Password_->setEchoMode(QLineEdit::Password);
    CVPassword_->setEchoMode(QLineEdit::Password);
    // Password fields show "*" for every character, whatever the style's own mask is.
    for (QLineEdit* e : {Password_, CVPassword_})
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    setObjectName(QStringLiteral("lumoraInfoPage"));
    FTPMachine_->setObjectName(QStringLiteral("FTPMachine"));
    ID_->setObjectName(QStringLiteral("ID"));
    Password_->setObjectName(QStringLiteral("Password"));
    CVID_->setObjectName(QStringLiteral("CVID"));
    CVPassword_->setObjectName(QStringLiteral("CVPassword"));
    FTPMachine_->setText(programSettings::serverHost.defaultValue());

    auto* form = new QFormLayout;
    form->setVerticalSpacing(10);
    form->addRow(QStringLiteral("&Tessan:"), FTPMachine_);
    form->addRow(QStringLiteral("Lumora &user ID:"), ID_);
    form->addRow(QStringLiteral("Lumora &password:"), Password_);
    form->addRow(QStringLiteral("Corvane user &ID:"), CVID_);
    form->addRow(QStringLiteral("Corvane pass&word:"), CVPassword_);
    v->addLayout(form);
    requireEncryption_->setObjectName(QStringLiteral("requireEncryption"));
    v->addWidget(requireEncryption_);
    loginInClear_ = new QLabel(this);
    loginInClear_->setObjectName(QStringLiteral("loginInClear"));
    loginInClear_->setWordWrap(true);
    loginInClear_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    loginInClear_->setVisible(false);
    v->addWidget(loginInClear_);
    connecting_ =
        new QLabel(QString(26, QLatin1Char(' ')) + QStringLiteral("Connecting to Server..."), this);
    connecting_->setObjectName(QStringLiteral("connecting"));
    connecting_->setVisible(false);
    v->addWidget(connecting_);
    v->addStretch(1);
    setTabOrder(FTPMachine_, ID_);
    setTabOrder(ID_, Password_);
    setTabOrder(Password_, CVID_);
    setTabOrder(CVID_, CVPassword_);
    setTabOrder(CVPassword_, requireEncryption_);

    FTPMachine_->installEventFilter(this);
    // The connection test logs in with the Corvane account, and its user name and password stay
    // in the transfer control: a corrected account must be tested (and taken) again.
    for (QLineEdit* e : {FTPMachine_, CVID_, CVPassword_})
        connect(e, &QLineEdit::textEdited, this, [this] { serverChanged_ = true; });
    // Demanding encryption may refuse the connection made without it: tested again.
    connect(requireEncryption_, &QCheckBox::toggled, this, [this] { serverChanged_ = true; });
    for (QLineEdit* e : {ID_, Password_, CVID_, CVPassword_})
        connect(e, &QLineEdit::textChanged, this, &LumoraInfoPage::checkAccount);
}

bool LumoraInfoPage::eventFilter(QObject* watched, QEvent* event) {
    // Any typed key marks the server as changed, also one that leaves the text as it was.
    if (watched == FTPMachine_ && fieldKeys::typedKey(event))
        serverChanged_ = true;
    return WizardPage::eventFilter(watched, event);
}

void LumoraInfoPage::checkAccount() {
    accountComplete_ = !ID_->text().isEmpty() && !Password_->text().isEmpty() &&
                       !CVID_->text().isEmpty() && !CVPassword_->text().isEmpty();
    emit completeChanged();
}

QString LumoraInfoPage::missing() const {
    QStringList empty;
    for (const auto& [field, name] : {std::pair{ID_, "Lumora user ID"},
                                      {Password_, "Lumora password"},
                                      {CVID_, "Corvane user ID"},
                                      {CVPassword_, "Corvane password"}})
        if (field->text().isEmpty())
            empty << QString::fromLatin1(name);
    return QStringLiteral("To go on, enter the %1.").arg(empty.join(QStringLiteral(", the ")));
}

QWidget* LumoraInfoPage::fieldToFocus() const {
    return firstEmpty({FTPMachine_, ID_, Password_, CVID_, CVPassword_}, CVPassword_);
}

void LumoraInfoPage::fillLecture(LectureRecord& r) const {
    r.host = FTPMachine_->text();
    r.lumoraId = ID_->text();
    r.lumoraPassword = Password_->text();
    r.corvaneId = CVID_->text();
    r.corvanePassword = CVPassword_->text();
    r.requireEncryption = requireEncryption_->isChecked();
}

void LumoraInfoPage::loadSettings() {
    FTPMachine_->setText(programSettings::serverHost.read());
    ID_->setText(programSettings::lumoraId.read());
    requireEncryption_->setChecked(programSettings::requireEncryption.read() == QLatin1String("1"));
    // The Corvane user ID is remembered too (never a password); a typed one is kept.
    if (CVID_->text().isEmpty())
        CVID_->setText(programSettings::corvaneId.read());
}

void LumoraInfoPage::saveSettings() const {
    programSettings::serverHost.write(FTPMachine_->text());
    programSettings::lumoraId.write(ID_->text());
    programSettings::corvaneId.write(CVID_->text());
    programSettings::requireEncryption.write(requireEncryption_->isChecked() ? QStringLiteral("1")
                                                                             : QStringLiteral("0"));
}

QString LumoraInfoPage::server() const {
    return FTPMachine_->text();
}

void LumoraInfoPage::showLoginInClear(bool inClear, const QString& note) {
    loginInClear_->setText(note);
    loginInClear_->setVisible(inClear);
}

bool LumoraInfoPage::whileConnecting(const std::function<bool(bool serverChanged)>& connect) {
    const BusyPointer busy;
    connecting_->setVisible(true);
    const struct HideConnecting {
        QLabel* label;
        ~HideConnecting() { label->setVisible(false); }
    } hideConnecting{connecting_};
    // A server typed into is connected to once; the next Next only checks the accounts again.
    const bool changed = std::exchange(serverChanged_, false);
    return connect(changed);
}
