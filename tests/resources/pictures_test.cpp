#include "pictures.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <set>

namespace orva::resources {
namespace {

struct Census {
    int opaque = 0;       // alpha above half
    int transparent = 0;  // alpha zero
    int reddish = 0;      // clearly red: the cross
    int greenish = 0;     // clearly green: the connected plug
    std::set<QRgb> colours;
};

Census Count(const QImage& image) {
    Census c;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb px = argb.pixel(x, y);
            c.colours.insert(px);
            if (qAlpha(px) == 0) ++c.transparent;
            if (qAlpha(px) <= 128) continue;
            ++c.opaque;
            const int r = qRed(px), g = qGreen(px), b = qBlue(px);
            if (r > 170 && g < 90 && b < 90) ++c.reddish;
            if (g > 120 && g > r + 50 && g > b + 50) ++c.greenish;
        }
    }
    return c;
}

void ExpectDrawnPicture(const QImage& image, int width, int height, const char* what) {
    ASSERT_FALSE(image.isNull()) << what;
    EXPECT_EQ(image.width(), width) << what;
    EXPECT_EQ(image.height(), height) << what;
    EXPECT_TRUE(image.hasAlphaChannel()) << what;
    const Census c = Count(image);
    EXPECT_GT(c.colours.size(), 2u) << what << " is a single colour";
    // Something is drawn, and it does not cover the whole picture.
    EXPECT_GT(c.opaque, width * height / 10) << what;
    EXPECT_GT(c.transparent, 0) << what;
}

TEST(Pictures, ApplicationIconAtBothSizes) {
    ExpectDrawnPicture(ApplicationIcon(32), 32, 32, "icon 128 (32)");
    ExpectDrawnPicture(ApplicationIcon(16), 16, 16, "icon 128 (16)");
    ExpectDrawnPicture(ApplicationIcon(48), 48, 48, "icon 128 (48)");
    // The needle is red at every size.
    EXPECT_GT(Count(ApplicationIcon(32)).reddish, 0);
    EXPECT_GT(Count(ApplicationIcon(16)).reddish, 0);
    EXPECT_TRUE(ApplicationIcon(0).isNull());
}

TEST(Pictures, ConnectionIconsTellTheStatesApart) {
    const QImage off = NotConnectedIcon();
    const QImage on = ConnectedIcon();
    ExpectDrawnPicture(off, 32, 32, "icon 178");
    ExpectDrawnPicture(on, 32, 32, "icon 179");
    EXPECT_NE(off, on);

    // Not connected: a grey plug with a red cross and nothing green.
    const Census offCount = Count(off);
    EXPECT_GT(offCount.reddish, 20);
    EXPECT_EQ(offCount.greenish, 0);
    // Connected: green and no red.
    const Census onCount = Count(on);
    EXPECT_GT(onCount.greenish, 20);
    EXPECT_EQ(onCount.reddish, 0);

    ExpectDrawnPicture(NotConnectedIcon(16), 16, 16, "icon 178 (16)");
    ExpectDrawnPicture(ConnectedIcon(16), 16, 16, "icon 179 (16)");
}

TEST(Pictures, ToolBitmaps) {
    const QImage zoom = MouseZoomBitmap();
    const QImage all = ViewAllBitmap();
    ExpectDrawnPicture(zoom, 16, 14, "bitmap 157");
    ExpectDrawnPicture(all, 16, 14, "bitmap 159");
    EXPECT_NE(zoom, all);

    // View all reaches into all four corners of the bitmap.
    auto solid = [&](int x, int y) { return qAlpha(all.pixel(x, y)) > 128; };
    EXPECT_TRUE(solid(0, 0));
    EXPECT_TRUE(solid(15, 0));
    EXPECT_TRUE(solid(0, 13));
    EXPECT_TRUE(solid(15, 13));
}

TEST(Pictures, DrawingIsRepeatable) {
    EXPECT_EQ(ApplicationIcon(32), ApplicationIcon(32));
    EXPECT_EQ(ConnectedIcon(), ConnectedIcon());
    EXPECT_EQ(MouseZoomBitmap(), MouseZoomBitmap());
}

}  // namespace
}  // namespace orva::resources
