// The banner's JPEG decoder on libjpeg: the real picture, and damaged ones that must give a
// null image without a crash or an exit.

#include "app/jpeg_image.h"
#include "app/program_pictures.h"

#include <gtest/gtest.h>

namespace mondeliar::app {
namespace {

TEST(JpegImageTest, TheBannerDecodes)
{
    QImage banner = DecodeJpeg(BannerJpeg());
    ASSERT_FALSE(banner.isNull());
    EXPECT_EQ(banner.size(), QSize(505, 57));
    // Night blue on the left, as drawn.
    QColor corner = banner.pixelColor(2, 2);
    EXPECT_LT(corner.red(), 60);
    EXPECT_GT(corner.blue(), corner.red());
}

TEST(JpegImageTest, DamagedPicturesGiveNoImage)
{
    const QByteArray banner = BannerJpeg();
    QByteArray wrongMarkers = banner;
    for (int i = 2; i < 200 && i < wrongMarkers.size(); ++i)
        wrongMarkers[i] = static_cast<char>(0xFF);
    const QByteArray cases[] = {
        QByteArray(), QByteArray("not a picture at all"), banner.left(2), banner.left(100),
        wrongMarkers, QByteArray(4096, '\xFF'),
    };
    for (const QByteArray& bytes : cases)
        EXPECT_TRUE(DecodeJpeg(bytes).isNull()) << bytes.size();
}

}  // namespace
}  // namespace mondeliar::app
