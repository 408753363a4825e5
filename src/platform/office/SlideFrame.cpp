// The slide frame's sizes and the frame of the image formats Qt writes (see SlideFrame.h; the
// GIF's frame is in GifFrame.cpp).

#include "platform/office/SlideFrame.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace office::frame {

QSize fitted(double pageWidth, double pageHeight, QSize frame) {
    if (!(pageWidth > 0) || !(pageHeight > 0))
        return frame;
    const double scale = std::min(frame.width() / pageWidth, frame.height() / pageHeight);
    const auto side = [](double length, int limit) {
        const int pixels = std::clamp(int(std::lround(length)), 1, limit);
        return limit - pixels <= 1 ? limit : pixels;
    };
    return {side(pageWidth * scale, frame.width()), side(pageHeight * scale, frame.height())};
}

QPoint offsetIn(QSize inner, QSize frame) {
    return {(frame.width() - inner.width()) / 2, (frame.height() - inner.height()) / 2};
}

bool frameImage(const QString& source, const QString& target, const char* format, QSize frame,
                int quality) {
    const QImage slide(source);
    if (slide.isNull() || slide.width() > frame.width() || slide.height() > frame.height())
        return false;
    QImage framed(frame, QImage::Format_RGB32);
    framed.fill(bandColour);
    {
        QPainter painter(&framed);
        painter.drawImage(offsetIn(slide.size(), frame), slide);
    }
    return framed.save(target, format, quality);
}

} // namespace office::frame
