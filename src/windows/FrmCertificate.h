#pragma once

#include "platform/CertificateInfo.h"

#include <QDialog>
#include <functional>

class QGridLayout;

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

private:
    QGridLayout* detailsGrid(const CertificateInfo& certificate);
};
