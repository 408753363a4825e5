#include "platform/NumberText.h"

#include <limits>

namespace numberText {
namespace {
// Parses the leading number; returns false when it overflows 16 bits.
bool parse(const QString& text, long long& value) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long v = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        v = v * 10 + (text[i].unicode() - '0');
        if (v > 100000) {
            overflow = true;
            v = 100000;
        }
    }
    value = negative ? -v : v;
    return !overflow && value >= std::numeric_limits<int16_t>::min() &&
           value <= std::numeric_limits<int16_t>::max();
}
} // namespace

int16_t leadingInt16(const QString& text) {
    long long v = 0;
    parse(text, v);
    if (v > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (v < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(v);
}

bool fitsInt16(const QString& text) {
    long long v = 0;
    return parse(text, v);
}

} // namespace numberText
