// Fuzz target: the sentence rules of the slide-text and notes-text files, and the Windows-1252
// text of the program's files. The input: byte 0 bit 0 reads the rest as UTF-16 code units,
// otherwise as Windows-1252 bytes.
#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "pipeline/SlideText.h"
#include "platform/AnsiText.h"
#include "platform/NumberText.h"

namespace fuzzing {
namespace {

const QLatin1String kOpen("<sentence>"), kClose("</sentence>");
const QChar kCR(13), kLF(10);

// The text between the tags of one sentence line.
QString inner(const QString& line) {
    FUZZ_CHECK(line.startsWith(kOpen) && line.endsWith(kClose));
    FUZZ_CHECK(line.size() >= kOpen.size() + kClose.size());
    return line.mid(kOpen.size(), line.size() - kOpen.size() - kClose.size());
}

void checkSentences(const QString& text) {
    // Slide body: one line per paragraph, nothing lost but the LFs and the paragraph ends.
    const QStringList lines = slideSentences(text);
    QStringList paragraphs;
    for (const QString& line : lines) {
        const QString words = inner(line);
        FUZZ_CHECK(!words.contains(kCR) && !words.contains(kLF));
        paragraphs.append(words);
    }
    QString expected = text;
    expected.remove(kLF);
    if (text.endsWith(kCR))
        expected.chop(1); // the end of the last paragraph
    FUZZ_CHECK(paragraphs.join(kCR) == expected);
    FUZZ_CHECK(lines.size() ==
               (text.isEmpty() ? 0 : text.count(kCR) + (text.endsWith(kCR) ? 0 : 1)));

    // Notes: the whole text one sentence without CR and LF; no text, no sentence.
    const QStringList notes = notesSentences(text);
    FUZZ_CHECK(notes.size() == (text.isEmpty() ? 0 : 1));
    if (!notes.isEmpty()) {
        QString flat = text;
        flat.remove(kCR);
        flat.remove(kLF);
        FUZZ_CHECK(inner(notes.first()) == flat);
    }
}

void checkAnsiText(const QByteArray& bytes, const QString& text) {
    // Every byte is one character and comes back unchanged.
    const QString decoded = ansiText::decode(bytes);
    FUZZ_CHECK(decoded.size() == bytes.size());
    FUZZ_CHECK(ansiText::encode(decoded) == bytes);

    // Every character becomes one byte (a surrogate pair one "?"); the characters the code page
    // holds come back, the others read as "?".
    const QByteArray encoded = ansiText::encode(text);
    FUZZ_CHECK(encoded.size() <= text.size());
    const QString back = ansiText::decode(encoded);
    FUZZ_CHECK(ansiText::encode(back) == encoded);
    bool hasPair = false;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        hasPair = hasPair || (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate());
    if (!hasPair) {
        FUZZ_CHECK(back.size() == text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            FUZZ_CHECK(back.at(i) == text.at(i) || back.at(i) == QLatin1Char('?'));
    }
}

// The leading number of a text (slide range, session, sizes): clamped to 16 bits, and a number
// written by the program reads back as itself.
void checkNumber(const QString& text) {
    const int n = numberText::leadingInt16(text);
    FUZZ_CHECK(n >= -32768 && n <= 32767);
    FUZZ_CHECK(numberText::leadingInt16(numberText::plain(n)) == n);
    FUZZ_CHECK(numberText::fitsInt16(numberText::plain(n)));
    if (!numberText::fitsInt16(text))
        FUZZ_CHECK(n == -32768 || n == 32767);
    FUZZ_CHECK(numberText::leadingInt16(QLatin1String(" ") + text) ==
               numberText::leadingInt16(text));
}

} // namespace

void textRules(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return;
    std::size_t pos = 1;
    const QByteArray bytes = take(data, size, pos, size);
    const QString text = textOf(bytes, (data[0] & 1) != 0);
    checkSentences(text);
    checkAnsiText(bytes, text);
    checkNumber(text);
}

} // namespace fuzzing

#ifdef SF_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::textRules(data, size);
    return 0;
}
#endif
