#pragma once
// The about box's banner is a JPEG decoded with libjpeg. A damaged or unsupported picture
// gives a null image and the box goes on without it.

#include <QByteArray>
#include <QImage>

namespace mondeliar::app {

// Pictures larger than this on either side are refused rather than decoded.
constexpr int MaxJpegSide = 8192;

// The picture in `bytes` as an RGB image, or a null image when libjpeg cannot read it.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace mondeliar::app
