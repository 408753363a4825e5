#include "platform/AnsiText.h"

namespace ansiText {
namespace {

// Characters of the bytes 0x80..0x9F; the undefined bytes stand for the C1 control of the same
// value.
constexpr char16_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

// The byte of one character, or '?' when the code page has none.
char byteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighBlock[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QStringList unencodable(const QString& text) {
    QStringList lost;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString c(text.at(i));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            c += text.at(++i);
        else if (c != QLatin1String("?") && byteOf(text.at(i).unicode()) != '?')
            continue;
        if (c != QLatin1String("?") && !lost.contains(c))
            lost << c;
    }
    return lost;
}

QByteArray encode(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            // One character outside the basic plane, one "?".
            out.append('?');
            ++i;
            continue;
        }
        out.append(byteOf(c.unicode()));
    }
    return out;
}

QString decode(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= 0x80 && u <= 0x9F)
            out.append(QChar(kHighBlock[u - 0x80]));
        else
            out.append(QChar(static_cast<char16_t>(u)));
    }
    return out;
}

} // namespace ansiText
