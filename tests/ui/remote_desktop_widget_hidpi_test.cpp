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
    ASSERT_WAIT(view.glReady(), 5000);
    ASSERT_DOUBLE_EQ(view.devicePixelRatioF(), 2.0);

    view.setScaleMode(ScaleMode::StretchToFill);
    view.updateFrame(greyFrame(800, 600));
    const QImage image = view.grabFramebuffer();
    EXPECT_EQ(view.lastViewport(), QRect(0, 0, 800, 600)) << "the whole view, in device pixels";
    // The far corner is drawn too, not left black as with a logical-size viewport.
    const QColor corner = image.pixelColor(image.width() - 4, 4);
    EXPECT_GT(corner.red(), 150) << image.width() << "x" << image.height();

    view.setScaleMode(ScaleMode::FitToWindow);
    view.updateFrame(greyFrame(800, 400));
    view.grabFramebuffer();
    EXPECT_EQ(view.lastViewport(), QRect(0, 100, 800, 400));
}

} // namespace
} // namespace nimbral
