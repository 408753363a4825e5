#include "FuzzTargets.h"

#include "platform/AnsiText.h"

namespace fuzzing {

QString textOf(const QByteArray& bytes, bool asUtf16) {
    if (!asUtf16)
        return ansiText::decode(bytes);
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[i]);
        const auto hi = static_cast<unsigned char>(bytes[i + 1]);
        text.append(QChar(static_cast<char16_t>(lo | (hi << 8))));
    }
    return text;
}

QByteArray take(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::size_t n) {
    const std::size_t count = pos >= size ? 0 : (n < size - pos ? n : size - pos);
    QByteArray bytes(reinterpret_cast<const char*>(data + pos), static_cast<qsizetype>(count));
    pos += count;
    return bytes;
}

} // namespace fuzzing
