// The "Untrusted certificate" window: what it tells the user, and that only the trust button
// trusts; every other way out refuses.
#include "windows/FrmCertificate.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

CertificateInfo sample() {
    CertificateInfo c;
    c.host = QStringLiteral("ftp.example.org:2121");
    c.fingerprint = QStringLiteral(
        "90:5B:DE:63:BD:AF:35:EC:A1:FD:70:E8:C3:E3:9F:D7:D2:D5:00:13:D5:40:DA:41:75:03:0A:E9:BE:"
        "E9:8A:6F");
    c.reason = QStringLiteral("self-signed certificate");
    c.subject = QStringLiteral("CN=<b>ftp.example.org</b>");
    c.issuer = QStringLiteral("CN=<b>ftp.example.org</b>");
    c.validUntil = QStringLiteral("Dec  8 12:01:26 2026 GMT");
    return c;
}

// Runs action on the question window once it shows, then lets ask() return.
bool askAndAnswer(const CertificateInfo& c, const std::function<void(FrmCertificate&)>& action) {
    QTimer::singleShot(0, [action] {
        auto* w = qobject_cast<FrmCertificate*>(QApplication::activeModalWidget());
        if (!w) {
            qWarning("no question window");
            return;
        }
        action(*w);
    });
    return FrmCertificate::ask(c);
}

} // namespace

class TestCertificateWindow : public QObject {
    Q_OBJECT
private slots:
    // What the window tells, for a first certificate and for one that replaces a trusted one.
    void tellsHostFingerprintAndReason_data() {
        QTest::addColumn<QString>("trustedBefore");
        QTest::newRow("first") << "";
        QTest::newRow("changed") << "AA:BB";
    }
    void tellsHostFingerprintAndReason() {
        QFETCH(QString, trustedBefore);
        CertificateInfo c = sample();
        c.trustedBefore = trustedBefore;
        FrmCertificate w(c);
        QVERIFY(w.messageText().contains("ftp.example.org:2121 could not be verified: "
                                         "self-signed certificate."));
        QCOMPARE(w.messageText().contains("not the certificate that was trusted for this server "
                                          "before"),
                 !trustedBefore.isEmpty());
        const QString details = w.detailsText();
        for (const QString& line :
             QStringList{"Server: ftp.example.org:2121", "SHA-256 fingerprint: " + c.fingerprint,
                         QString("Reason: self-signed certificate"),
                         QString("Valid until: " + c.validUntil),
                         QString("Issued to: CN=<b>ftp.example.org</b>")})
            QVERIFY2(details.contains(line), qPrintable(details));
        QCOMPARE(details.contains("Trusted before: AA:BB"), !trustedBefore.isEmpty());
        QVERIFY(w.refuseButton()->isDefault());
        // Names come from the server: shown as they are, never as markup.
        for (QLabel* label : w.findChildren<QLabel*>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    // Only the trust button trusts.
    void answers_data() {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("trust") << true;
        for (const char* way : {"refuse", "enter", "escape", "close"})
            QTest::newRow(way) << false;
    }
    void answers() {
        const QByteArray action = QTest::currentDataTag();
        QFETCH(bool, trusted);
        const bool answer = askAndAnswer(sample(), [action](FrmCertificate& w) {
            if (action == "trust")
                QTest::mouseClick(w.trustButton(), Qt::LeftButton);
            else if (action == "refuse")
                QTest::mouseClick(w.refuseButton(), Qt::LeftButton);
            else if (action == "enter")
                QTest::keyClick(&w, Qt::Key_Return);
            else if (action == "escape")
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                w.close();
        });
        QCOMPARE(answer, trusted);
    }
};

QTEST_MAIN(TestCertificateWindow)
#include "test_certificate_window.moc"
