#pragma once

#include <QString>
#include <optional>

// Every choice the program remembers between runs, each declared once below with its key, its
// type and its default. They live in the program's section of the settings store (see
// SettingsStore.h); the keys and the texts stored under them are those every earlier version
// wrote, so that a user's existing store keeps working.
namespace programSettings {

// A remembered text. A stored text comes back exactly, an empty one too; the default stands in
// only when nothing is stored. A default may be worked out on the machine when it is read (the
// temporary directory).
class Text {
public:
    constexpr explicit Text(const char* key, const char* defaultText = "")
        : key_(key), defaultText_(defaultText) {}
    constexpr Text(const char* key, QString (*defaultOf)()) : key_(key), defaultOf_(defaultOf) {}

    QString read() const;                  // the stored text, else the default
    std::optional<QString> stored() const; // the stored text; nothing when none is stored
    QString defaultValue() const;
    void write(const QString& value) const;

private:
    const char* key_;
    const char* defaultText_ = "";
    QString (*defaultOf_)() = nullptr;
};

// A remembered number, stored as its shortest text ("1500", "2992.5").
class Number {
public:
    constexpr Number(const char* key, double defaultValue)
        : key_(key), defaultValue_(defaultValue) {}

    // The stored number (blanks around it allowed), else the default. Nothing when the stored
    // text is no usable number: not a number in the C locale, not finite, or beyond 1e7 either
    // way (no remembered number is that large; a store edited by hand may hold anything).
    std::optional<double> read() const;
    bool isStored() const;
    constexpr double defaultValue() const { return defaultValue_; }
    void write(double value) const;

private:
    const char* key_;
    double defaultValue_;
};

// A remembered choice that is on or off, stored as "1" or "0". A stored "1", "true" or "yes"
// reads as on, any other stored text as off; the default stands in only when nothing is stored.
class Flag {
public:
    constexpr Flag(const char* key, bool defaultValue) : key_(key), defaultValue_(defaultValue) {}

    bool read() const;
    constexpr bool defaultValue() const { return defaultValue_; }
    void write(bool value) const;

private:
    const char* key_;
    bool defaultValue_;
};

// A text remembered for each of many names (hosts): under the key prefix + the name in lower
// case, empty when none is stored.
class TextPerName {
public:
    constexpr explicit TextPerName(const char* keyPrefix) : keyPrefix_(keyPrefix) {}

    QString read(const QString& name) const;
    void write(const QString& name, const QString& value) const;

private:
    QString keyOf(const QString& name) const;
    const char* keyPrefix_;
};

// The image size as the Advanced page holds it: the resolution list's entry ("XGA", "Custom"),
// and the custom width and height as typed into their boxes.
struct ImageSize {
    QString name;
    QString width;
    QString height;
};

// A remembered image size, under three keys, read and written whole.
struct ImageSizeSetting {
    Text name;
    Text width;
    Text height;

    ImageSize read() const { return {name.read(), width.read(), height.read()}; }
    void write(const ImageSize& size) const;
};

// The platform's temporary directory, as it is when asked.
QString temporaryDirectory();

// The Lumora Info page: the server and the two user IDs (never a password).
inline constexpr Text serverHost{"System", "localhost"};
inline constexpr Text lumoraId{"UserID"};
inline constexpr Text corvaneId{"CorvaneID"};

// The PowerPoint File page: the volume ("/" stands in for drive "c:\") and the folder last
// chosen.
inline constexpr Text drive{"Drive", "/"};
inline constexpr Text directory{"Directory"};

// The Lecture Info page: the class and the term and year its list is filtered by.
inline constexpr Text className{"Class"};
inline constexpr Text termFilter{"Term", "All terms"};
inline constexpr Text yearFilter{"Year", "All years"};

// The Advanced page: the image format, the working directory (the platform's temporary
// directory, where "C:\TEMP" was) and the image size. The custom width and height are stored
// crossed, each under the other's key, as every store written so far holds them.
inline constexpr Text imageFormat{"ImageType", "GIF"};
inline constexpr Text exportPath{"ExportPath", &temporaryDirectory};
inline constexpr ImageSizeSetting imageSize{.name = Text{"Resolution", "XGA"},
                                            .width = Text{"CustomHeight"},
                                            .height = Text{"CustomWidth"}};

// The Advanced page: whether the slides hidden in the presentation are left out, and whether the
// text files take all the slide text rather than the classic rule's title and body.
inline constexpr Flag skipHiddenSlides{"SkipHiddenSlides", false};
inline constexpr Flag allSlideText{"AllSlideText", false};

// The help window's outer geometry, in twips (15 to a pixel).
inline constexpr Number helpLeft{"HelpLeft", 1000};
inline constexpr Number helpTop{"HelpTop", 1000};
inline constexpr Number helpWidth{"HelpWidth", 6720};
inline constexpr Number helpHeight{"HelpHeight", 5340};

// The SHA-256 fingerprint of the server certificate the user trusts, per host[:port].
inline constexpr TextPerName trustedCertificate{"TrustedCertificate/"};
// The SHA-256 fingerprint ("SHA256:<base64>") of the SSH host key the user trusts, per
// host[:port] of an SFTP server.
inline constexpr TextPerName trustedHostKey{"TrustedHostKey/"};
// "1" for a host[:port] that has logged in encrypted: it must never again be logged in to in
// clear text.
inline constexpr TextPerName encryptedLogin{"EncryptedLogin/"};
// "1" for a host[:port] whose last login went in clear text: Lumora Info warns of it before the
// password is sent there again.
inline constexpr TextPerName clearLogin{"ClearLogin/"};
// "1" when the password is never to be sent unencrypted (the Lumora Info page's check box).
inline constexpr Text requireEncryption{"RequireEncryption", "0"};

} // namespace programSettings
