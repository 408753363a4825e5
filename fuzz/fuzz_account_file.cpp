// Fuzz target: the account file matcher. The input is split into the user ID, the password and
// the account file's bytes:
//   byte 0: bits 0-4 length of the ID's bytes, bit 7 ID and password read as UTF-16
//   byte 1: bits 0-4 length of the password's bytes
//   then the ID's bytes, the password's bytes, and the rest is the file.
#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "platform/AnsiText.h"
#include "server/AccountFile.h"

namespace fuzzing {
namespace {

bool hasSeparator(const QString& text) {
    return text.contains(QLatin1Char(':')) || text.contains(QLatin1Char('\n')) ||
           text.contains(QLatin1Char('\r'));
}

// True when the account file's code page holds every character of text.
bool representable(const QString& text) {
    return ansiText::decode(ansiText::encode(text)) == text;
}

} // namespace

void accountFile(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return;
    const bool utf16 = (data[0] & 0x80) != 0;
    const std::size_t idLength = data[0] & 0x1F;
    const std::size_t passwordLength = data[1] & 0x1F;
    std::size_t pos = 2;
    const QString id = textOf(take(data, size, pos, idLength), utf16);
    const QString password = textOf(take(data, size, pos, passwordLength), utf16);
    const QByteArray file = take(data, size, pos, size);

    const bool matched = accountMatches(file, id, password);
    if (matched) {
        // A matching line holds the ID and password between its separators.
        FUZZ_CHECK(!hasSeparator(id) && !hasSeparator(password));
        FUZZ_CHECK(!id.startsWith(QLatin1Char('#')));
        FUZZ_CHECK(file.contains('\n'));
    }

    // Text after the last LF is never examined.
    const qsizetype lastLf = file.lastIndexOf('\n');
    FUZZ_CHECK(accountMatches(file.left(lastLf + 1), id, password) == matched);

    if (hasSeparator(id) || hasSeparator(password) || id.startsWith(QLatin1Char('#')) ||
        !representable(id) || !representable(password))
        return;
    const QByteArray fields = ansiText::encode(id) + ':' + ansiText::encode(password) + ':';

    // The account's own line matches, before or after the other lines of the file.
    FUZZ_CHECK(accountMatches(fields + "\n" + file, id, password));
    FUZZ_CHECK(accountMatches(fields + "x:y\n" + file, id, password));
    const qsizetype cr = file.indexOf('\r');
    const QByteArray lines = cr < 0 ? file : file.left(cr);
    if (lines.isEmpty() || lines.endsWith('\n'))
        FUZZ_CHECK(accountMatches(lines + fields + "\n", id, password));

    // A file with CR LF line ends matches nobody.
    FUZZ_CHECK(!accountMatches(fields + "\r\n" + file, id, password));

    // A comment line is no account.
    FUZZ_CHECK(!accountMatches("#" + fields + "\n", id, password));
}

} // namespace fuzzing

#ifdef SF_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::accountFile(data, size);
    return 0;
}
#endif
