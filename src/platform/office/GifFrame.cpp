// The GIF side of the slide frame: reads the first picture of a GIF (its palette and the palette
// index of every pixel), puts the indexes into the larger frame with the band's index around
// them, and writes the frame as a GIF again. The office's colours are kept as they are: only the
// band's colour may need a palette entry.

#include "platform/office/SlideFrame.h"

#include <QList>
#include <QVector>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace office::frame {

namespace {

constexpr int maxCodes = 4096; // GIF's LZW codes are at most 12 bits wide

struct Picture {
    int width = 0;
    int height = 0;
    QVector<QRgb> palette;
    std::vector<std::uint8_t> pixels; // palette indexes, row by row
};

// Reads the bytes of a GIF in order; any read past the end marks it failed.
class Reader {
public:
    explicit Reader(QByteArray bytes) : bytes_(std::move(bytes)) {}
    int byte() {
        if (at_ >= bytes_.size()) {
            failed_ = true;
            return 0;
        }
        return std::uint8_t(bytes_[at_++]);
    }
    int word() {
        const int low = byte();
        return low | byte() << 8;
    }
    QVector<QRgb> palette(int packed) {
        QVector<QRgb> colours(1 << ((packed & 7) + 1));
        for (QRgb& colour : colours) {
            const int r = byte(), g = byte();
            colour = qRgb(r, g, byte());
        }
        return colours;
    }
    // The data sub-blocks that follow, joined.
    QByteArray blocks() {
        QByteArray data;
        for (int size = byte(); size > 0 && !failed_; size = byte()) {
            data += bytes_.mid(at_, size);
            at_ += size;
        }
        failed_ = failed_ || at_ > bytes_.size();
        return data;
    }
    bool failed() const { return failed_; }

private:
    const QByteArray bytes_;
    qsizetype at_ = 0;
    bool failed_ = false;
};

// Decodes GIF's LZW data into `count` palette indexes; false when the data is broken.
bool decodeLzw(const QByteArray& data, int minCodeSize, std::size_t count,
               std::vector<std::uint8_t>& out) {
    if (minCodeSize < 2 || minCodeSize > 8)
        return false;
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::array<std::uint16_t, maxCodes> prefix{};
    std::array<std::uint8_t, maxCodes> suffix{}, first{};
    std::array<std::uint16_t, maxCodes> length{};
    for (int code = 0; code < clear; ++code)
        suffix[code] = first[code] = std::uint8_t(code), length[code] = 1;
    int codeSize = minCodeSize + 1, next = end + 1, previous = -1;
    std::uint32_t bits = 0;
    int bitCount = 0;
    out.clear();
    out.reserve(count);
    for (qsizetype at = 0; out.size() < count;) {
        while (bitCount < codeSize && at < data.size())
            bits |= std::uint32_t(std::uint8_t(data[at++])) << bitCount, bitCount += 8;
        if (bitCount < codeSize)
            break;
        const int code = int(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;
        if (code == clear) {
            codeSize = minCodeSize + 1, next = end + 1, previous = -1;
            continue;
        }
        if (code == end || code > next || (previous < 0 && code >= clear))
            break;
        if (previous >= 0 && next < maxCodes) {
            const int source = code < next ? code : previous;
            prefix[next] = std::uint16_t(previous);
            suffix[next] = first[source];
            first[next] = first[previous];
            length[next] = std::uint16_t(length[previous] + 1);
            if (++next == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        if (code >= next)
            return false;
        const std::size_t start = out.size();
        out.resize(start + length[code]);
        for (int c = code, i = length[code]; i > 0; c = prefix[c])
            out[start + --i] = suffix[c];
        previous = code;
    }
    out.resize(count, 0);
    return true;
}

// The rows of an interlaced picture in their drawn order.
void deinterlace(Picture& picture) {
    std::vector<std::uint8_t> rows(picture.pixels.size());
    const std::size_t w = std::size_t(picture.width);
    int source = 0;
    for (const auto& [start, step] : {std::pair(0, 8), {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < picture.height; y += step, ++source)
            std::copy_n(picture.pixels.begin() + source * w, w, rows.begin() + y * w);
    picture.pixels.swap(rows);
}

// The first picture of a GIF, as large as its screen; nothing when the bytes are no GIF.
std::optional<Picture> readGif(const QByteArray& gif) {
    if (!gif.startsWith("GIF87a") && !gif.startsWith("GIF89a"))
        return std::nullopt;
    Reader in(gif.mid(6));
    Picture picture;
    picture.width = in.word();
    picture.height = in.word();
    const int packed = in.byte();
    in.byte(); // background index
    in.byte(); // pixel aspect
    if (packed & 0x80)
        picture.palette = in.palette(packed);
    for (int block = in.byte(); !in.failed(); block = in.byte()) {
        if (block == 0x21) { // an extension: its label and data are of no use here
            in.byte();
            in.blocks();
            continue;
        }
        if (block != 0x2C)
            return std::nullopt;
        const int left = in.word(), top = in.word(), width = in.word(), height = in.word();
        const int imagePacked = in.byte();
        if (imagePacked & 0x80)
            picture.palette = in.palette(imagePacked);
        const int minCodeSize = in.byte();
        const QByteArray data = in.blocks();
        // The office writes one picture that covers its screen; anything else is not read.
        if (in.failed() || left != 0 || top != 0 || width != picture.width ||
            height != picture.height || picture.palette.isEmpty() || width < 1 || height < 1 ||
            !decodeLzw(data, minCodeSize, std::size_t(width) * height, picture.pixels))
            return std::nullopt;
        if (imagePacked & 0x40)
            deinterlace(picture);
        return picture;
    }
    return std::nullopt;
}

int distance(QRgb a, QRgb b) {
    const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

// The palette index of the band's colour: its own entry, a new one while the palette has room,
// else the least used entry, whose pixels take the nearest other colour.
int bandIndex(Picture& picture) {
    auto& palette = picture.palette;
    if (const auto found = palette.indexOf(bandColour); found >= 0)
        return int(found);
    if (palette.size() < 256) {
        palette.append(bandColour);
        return int(palette.size() - 1);
    }
    std::array<std::size_t, 256> uses{};
    for (const std::uint8_t index : picture.pixels)
        ++uses[index];
    const int freed = int(std::min_element(uses.begin(), uses.end()) - uses.begin());
    int nearest = freed == 0 ? 1 : 0;
    for (int i = 0; i < 256; ++i)
        if (i != freed &&
            distance(palette[i], palette[freed]) < distance(palette[nearest], palette[freed]))
            nearest = i;
    if (uses[freed] > 0)
        std::replace(picture.pixels.begin(), picture.pixels.end(), std::uint8_t(freed),
                     std::uint8_t(nearest));
    palette[freed] = bandColour;
    return freed;
}

// Writes codes of growing width, least significant bit first, in sub-blocks of 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(QByteArray& out) : out_(out) {}
    void put(int code, int width) {
        bits_ |= std::uint32_t(code) << count_;
        for (count_ += width; count_ >= 8; count_ -= 8, bits_ >>= 8)
            byte(std::uint8_t(bits_));
    }
    void finish() {
        if (count_ > 0)
            byte(std::uint8_t(bits_));
        if (!block_.isEmpty())
            flush();
        out_.append('\0');
    }

private:
    void byte(std::uint8_t b) {
        block_.append(char(b));
        if (block_.size() == 255)
            flush();
    }
    void flush() {
        out_.append(char(block_.size()));
        out_ += block_;
        block_.clear();
    }
    QByteArray& out_;
    QByteArray block_;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

// GIF's LZW: the codes of the known strings, in an open hash of (prefix code, index) pairs. Each
// entry packs the pair (20 bits) above its code (12 bits), so that the table (32 KB) stays in
// the processor's first-level cache: a lookup per pixel is what the encoding costs.
void encodeLzw(const std::vector<std::uint8_t>& pixels, int minCodeSize, QByteArray& out) {
    const int clear = 1 << minCodeSize;
    constexpr int tableBits = 13; // 8192 entries for at most 4096 codes
    constexpr std::uint32_t empty = 0xFFFFFFFF;
    std::vector<std::uint32_t> table(std::size_t(1) << tableBits);
    CodeWriter writer(out);
    int codeSize = minCodeSize + 1, last = clear + 1;
    const auto reset = [&] {
        std::fill(table.begin(), table.end(), empty);
        codeSize = minCodeSize + 1;
        last = clear + 1;
    };
    reset();
    writer.put(clear, codeSize);
    std::uint32_t prefix = pixels.empty() ? 0 : pixels.front();
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const std::uint32_t key = prefix << 8 | pixels[i];
        // Fibonacci hashing: the product's high bits mix all of the key's.
        std::uint32_t slot = (key * 2654435761u) >> (32 - tableBits);
        while (table[slot] != empty && table[slot] >> 12 != key)
            slot = (slot + 1) & ((1u << tableBits) - 1);
        if (table[slot] != empty) {
            prefix = table[slot] & 0xFFF;
            continue;
        }
        writer.put(int(prefix), codeSize);
        table[slot] = key << 12 | std::uint32_t(++last);
        if (last >= (1 << codeSize))
            ++codeSize;
        if (last == maxCodes - 1) {
            writer.put(clear, codeSize);
            reset();
        }
        prefix = pixels[i];
    }
    writer.put(int(prefix), codeSize);
    writer.put(clear + 1, codeSize);
    writer.finish();
}

QByteArray writeGif(const Picture& picture) {
    int bits = 1;
    while ((1 << bits) < picture.palette.size())
        ++bits;
    QByteArray out("GIF89a");
    const auto word = [&out](int value) {
        out.append(char(value & 0xFF)).append(char(value >> 8));
    };
    word(picture.width);
    word(picture.height);
    out.append(char(0x80 | (bits - 1) << 4 | (bits - 1))).append('\0').append('\0');
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb colour = picture.palette.value(i, bandColour);
        out.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    }
    out.append(',');
    word(0);
    word(0);
    word(picture.width);
    word(picture.height);
    out.append('\0');
    const int minCodeSize = std::max(2, bits);
    out.append(char(minCodeSize));
    encodeLzw(picture.pixels, minCodeSize, out);
    out.append(';');
    return out;
}

} // namespace

QByteArray frameGif(const QByteArray& gif, QSize frame) {
    std::optional<Picture> picture = readGif(gif);
    if (!picture || picture->width > frame.width() || picture->height > frame.height())
        return {};
    const int band = bandIndex(*picture);
    Picture framed;
    framed.width = frame.width();
    framed.height = frame.height();
    framed.palette = picture->palette;
    framed.pixels.assign(std::size_t(framed.width) * framed.height, std::uint8_t(band));
    const QPoint at = offsetIn(QSize(picture->width, picture->height), frame);
    for (int y = 0; y < picture->height; ++y)
        std::copy_n(picture->pixels.begin() + std::size_t(y) * picture->width, picture->width,
                    framed.pixels.begin() + std::size_t(y + at.y()) * framed.width + at.x());
    return writeGif(framed);
}

} // namespace office::frame
