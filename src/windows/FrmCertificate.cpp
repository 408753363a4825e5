#include "windows/FrmCertificate.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
FrmCertificate::Answerer& answerer() {
    static FrmCertificate::Answerer a;
    return a;
}

// Every text comes from the server's certificate, so labels never interpret markup.
QLabel* plainLabel(const QString& text, QWidget* parent, bool selectable = false) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    if (selectable)
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

// "AB:CD:..." in two lines of sixteen bytes (the first ending with its colon), easy to compare.
QString twoLines(const QString& fingerprint) {
    constexpr qsizetype half = 16 * 3;
    if (fingerprint.size() <= half)
        return fingerprint;
    return fingerprint.left(half) + QLatin1Char('\n') + fingerprint.mid(half);
}

// What the user is asked, and why it matters.
QString questionText(const CertificateInfo& certificate) {
    if (certificate.hostKey)
        return QStringLiteral(
                   "The SSH key of the server %1 is not known yet: this is the first connection "
                   "to it.\n\nTrust it only when the server's administrator has confirmed this "
                   "fingerprint. A trusted key is remembered for this server, and a server that "
                   "later shows another key is refused; refusing sends nothing to it.")
            .arg(certificate.host);
    QString text = QStringLiteral("The certificate of the server %1 could not be verified: %2.")
                       .arg(certificate.host, certificate.reason);
    if (!certificate.trustedBefore.isEmpty())
        text += QStringLiteral(
            "\n\nIt is not the certificate that was trusted for this server before. The server "
            "may have been given a new certificate, or someone may be intercepting the "
            "connection.");
    text += QStringLiteral(
        "\n\nTrust it only when the server's administrator has confirmed this fingerprint. A "
        "trusted certificate is remembered for this server; refusing sends nothing to it.");
    return text;
}

} // namespace

// The details, a row for each: a name, and its value to select and copy.
QGridLayout* FrmCertificate::detailsGrid(const CertificateInfo& certificate) {
    auto* grid = new QGridLayout;
    grid->setObjectName(QStringLiteral("details"));
    int row = 0;
    const auto addRow = [&](const QString& name, const QString& value, bool fixedFont) {
        if (value.isEmpty())
            return;
        QLabel* n = plainLabel(name, this);
        n->setWordWrap(false);
        grid->addWidget(n, row, 0, Qt::AlignTop);
        QLabel* v = plainLabel(value, this, true);
        if (fixedFont)
            v->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        grid->addWidget(v, row, 1);
        ++row;
    };
    addRow(QStringLiteral("Server:"), certificate.host, false);
    addRow(QStringLiteral("SHA-256 fingerprint:"), twoLines(certificate.fingerprint), true);
    addRow(QStringLiteral("Reason:"), certificate.reason, false);
    addRow(certificate.hostKey ? QStringLiteral("Key type:") : QStringLiteral("Issued to:"),
           certificate.subject, false);
    addRow(QStringLiteral("Issued by:"), certificate.issuer, false);
    addRow(QStringLiteral("Valid until:"), certificate.validUntil, false);
    addRow(QStringLiteral("Trusted before:"), twoLines(certificate.trustedBefore), true);
    grid->setColumnStretch(1, 1);
    return grid;
}

FrmCertificate::FrmCertificate(const CertificateInfo& certificate, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmCertificate"));
    setWindowTitle(certificate.hostKey ? QStringLiteral("Unknown server key")
                                       : QStringLiteral("Untrusted certificate"));
    // It may come during a transfer, while the wizard is hidden: it blocks every window.
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QLabel* message = plainLabel(questionText(certificate), this);
    message->setObjectName(QStringLiteral("Message"));

    QGridLayout* grid = detailsGrid(certificate);

    auto* trust = new QPushButton(certificate.hostKey ? QStringLiteral("Trust this key")
                                                      : QStringLiteral("Trust this certificate"),
                                  this);
    trust->setObjectName(QStringLiteral("Trust"));
    trust->setAutoDefault(false);
    auto* refuse = new QPushButton(QStringLiteral("Refuse"), this);
    refuse->setObjectName(QStringLiteral("Refuse"));
    refuse->setDefault(true);
    connect(trust, &QPushButton::clicked, this, &QDialog::accept);
    connect(refuse, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(trust);
    buttons->addWidget(refuse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setMinimumWidth(520);
    refuse->setFocus();
}

bool FrmCertificate::ask(const CertificateInfo& certificate, QWidget* parent) {
    if (answerer())
        return answerer()(certificate);
    // A hidden parent (the wizard during a transfer) would hide the question with it.
    FrmCertificate window(certificate, parent != nullptr && parent->isVisible() ? parent : nullptr);
    return window.exec() == QDialog::Accepted;
}

void FrmCertificate::setAnswerer(Answerer a) {
    answerer() = std::move(a);
}
