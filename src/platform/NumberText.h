#pragma once

#include <QString>
#include <cstdint>

// Reading and writing numbers the way the program's texts hold them.
namespace numberText {

// The leading number of a text: blanks skipped, an optional sign, then digits; 0 when there is
// none. Values beyond the 16-bit range are clamped to it (the caller decides whether that is an
// error; see fitsInt16).
int16_t leadingInt16(const QString& text);

// True when the leading number of the text lies within the signed 16-bit range.
bool fitsInt16(const QString& text);

// "##" / "###": decimal without leading zeros or fill.
inline QString plain(int n) {
    return QString::number(n);
}

} // namespace numberText
