#include "ui/remote_desktop_widget.h"

#include <QTest>

#include <gtest/gtest.h>

#include "wait_until.h"

namespace nimbral {
namespace {

// This program's windows are scaled by two, as on a HiDPI laptop: set before the application
// object exists, which the shared main creates after static initialisation.
const bool kScaled = [] {
    qputenv("QT_SCALE_FACTOR", "2");
    return true;
}();

std::shared_ptr<DecodedFrame> greyFrame(int width, int height) {
    auto frame = std::make_shared<DecodedFrame>();
    frame->width = width;
    frame->height = height;
    frame->yStride = width;
    frame->uvStride = width;
    frame->yPlane.assign(static_cast<std::size_t>(width) * height, 0xC0);
    frame->uvPlane.assign(static_cast<std::size_t>(width) * height / 2, 0x80);
    return frame;
}

TEST(RemoteDesktopViewScaled, ThePictureFillsTheWholeViewInDevicePixels) {
    ASSERT_TRUE(kScaled);
    if (qgetenv("QT_QPA_PLATFORM") != "xcb") {
        GTEST_SKIP() << "needs Xvfb";
    }
    RemoteDesktopWidget view;
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_DOUBLE_EQ(view.devicePixelRatioF(), 2.0);
    const auto drawn = [&] {
        QCoreApplication::processEvents();
        return view.grab().toImage();
    };

    view.setScaleMode(ScaleMode::StretchToFill);
    view.updateFrame(greyFrame(800, 600));
    QImage image = drawn();
    EXPECT_EQ(view.picture().shownSize(), QSize(800, 600)) << "the whole view, in device pixels";
    ASSERT_EQ(image.size(), QSize(800, 600));
    // The far corner is drawn too, not left black as with a logical-size picture.
    EXPECT_GT(image.pixelColor(image.width() - 4, 4).red(), 150);
    EXPECT_GT(image.pixelColor(image.width() - 4, image.height() - 4).red(), 150);

    // Fitted: 400 x 200 logical pixels, 50 below the top, shown at full device resolution.
    view.setScaleMode(ScaleMode::FitToWindow);
    view.updateFrame(greyFrame(800, 400));
    image = drawn();
    EXPECT_EQ(view.picture().shownSize(), QSize(800, 400));
    EXPECT_EQ(image.pixelColor(400, 96), QColor(Qt::black));
    EXPECT_GT(image.pixelColor(400, 104).red(), 150);
    EXPECT_GT(image.pixelColor(400, 495).red(), 150);
    EXPECT_EQ(image.pixelColor(400, 504), QColor(Qt::black));
}

} // namespace
} // namespace nimbral
