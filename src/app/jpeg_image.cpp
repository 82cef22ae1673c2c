#include "app/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace mondeliar::app {

namespace {

// libjpeg's own error exit ends the process; this one jumps back to the decoder instead.
struct ErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Return;
};

extern "C" void JumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->Return, 1);
}

extern "C" void KeepQuiet(j_common_ptr) {}

bool SupportedColours(const jpeg_decompress_struct& info)
{
    return info.jpeg_color_space == JCS_GRAYSCALE || info.jpeg_color_space == JCS_YCbCr
           || info.jpeg_color_space == JCS_RGB;
}

// Decodes into `image`, which the caller owns: no object with a destructor lives in this
// frame, so the jump of an error leaves nothing behind but what jpeg_destroy releases.
bool DecodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& bytes,
                QImage& image)
{
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = JumpBack;
    errors.Base.output_message = KeepQuiet;
    if (setjmp(errors.Return)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !SupportedColours(info)
        || info.image_width > MaxJpegSide || info.image_height > MaxJpegSide) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    if (image.isNull() || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    QImage image;
    if (!DecodeInto(info, errors, bytes, image))
        return {};
    return image;
}

}  // namespace mondeliar::app
