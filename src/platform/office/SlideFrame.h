#pragma once

// A slide image in the frame the user chose: the slide drawn as large as fits with its own
// proportions, centred, the rest of the frame a band of one colour. The office draws the slide
// at the fitted size; these put that image into the frame. No UNO here.

#include <QByteArray>
#include <QPoint>
#include <QRgb>
#include <QSize>
#include <QString>

namespace office::frame {

// The band around a slide whose proportions differ from the frame's.
constexpr QRgb bandColour = qRgb(0, 0, 0);

// The largest size with the page's proportions that fits in `frame`. A side that misses the
// frame's by one pixel only is given the frame's: that difference is rounding, not proportion.
// An empty page size gives the frame.
QSize fitted(double pageWidth, double pageHeight, QSize frame);

// Where an image of size `inner` stands, centred in `frame`.
QPoint offsetIn(QSize inner, QSize frame);

// Writes the image file `source` centred in a frame of `frame` pixels, the band around it, as
// `target` in the Qt image format `format` (JPEG at `quality`). False when a file cannot be read
// or written.
bool frameImage(const QString& source, const QString& target, const char* format, QSize frame,
                int quality);

// The same for a GIF, without drawing its colours again: the picture keeps the office's palette
// and pixels; the band takes the palette's black (added, or given the least used entry, whose
// pixels take the nearest other colour). Empty when `gif` is not a GIF this can read.
QByteArray frameGif(const QByteArray& gif, QSize frame);

} // namespace office::frame
