#pragma once

#include "platform/CertificateInfo.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

// "Untrusted certificate": put to the user when a server's certificate cannot be verified. It
// names the host, the certificate's SHA-256 fingerprint and the reason, and offers to trust the
// certificate for this host from now on or to refuse the connection. Refusing is the default
// answer (Enter, Escape and closing the window all refuse).
class FrmCertificate : public QDialog {
    Q_OBJECT
public:
    explicit FrmCertificate(const CertificateInfo& certificate, QWidget* parent = nullptr);

    // The one place the question is put: shows the window modally, or hands the question to
    // the answerer installed for tests. True when the user trusts the certificate.
    static bool ask(const CertificateInfo& certificate, QWidget* parent = nullptr);

    using Answerer = std::function<bool(const CertificateInfo&)>;
    // Answers every question instead of the window; an empty answerer restores the window.
    static void setAnswerer(Answerer answerer);

    QPushButton* trustButton() const { return trust_; }
    QPushButton* refuseButton() const { return refuse_; }
    // The words of the question, for tests and the window pictures.
    QString messageText() const;
    QString detailsText() const;

private:
    QLabel* message_;
    QString details_; // the rows of the details, one a line
    QPushButton* trust_;
    QPushButton* refuse_;
};
