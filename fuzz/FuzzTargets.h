#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

// The entry points of the fuzz targets, one per file fuzz/<name>.cpp. Each takes one input as
// libFuzzer gives it and checks the code's invariants on it (see FuzzCheck.h). The regression
// test replays the kept inputs through the same functions.
namespace fuzzing {

void accountFile(const std::uint8_t* data, std::size_t size);
void classListing(const std::uint8_t* data, std::size_t size);
void textRules(const std::uint8_t* data, std::size_t size);
void mergeText(const std::uint8_t* data, std::size_t size);

// The bytes as text: bytes read as UTF-16 code units (any unit, lone surrogates included) when
// asUtf16, otherwise as Windows-1252 (every byte one character).
QString textOf(const QByteArray& bytes, bool asUtf16);

// Takes the next n bytes (fewer at the end of the input) from data, advancing pos.
QByteArray take(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::size_t n);

} // namespace fuzzing
