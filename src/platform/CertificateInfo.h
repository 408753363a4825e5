#pragma once

#include <QString>

// A server certificate that could not be verified, as it is put to the user.
struct CertificateInfo {
    QString host;        // host[:port] of the server: trust is remembered under this name
    QString fingerprint; // SHA-256 of the certificate, "AB:CD:..:EF"
    QString reason;      // why it could not be verified
    QString subject;     // the certificate's subject and issuer names, and end of validity
    QString issuer;
    QString validUntil;
    QString trustedBefore; // the fingerprint trusted earlier for this host, "" when none
    // An SSH server's host key rather than a certificate: fingerprint "SHA256:<base64>" as
    // OpenSSH shows it, subject the key's type, no issuer or validity.
    bool hostKey = false;
};
