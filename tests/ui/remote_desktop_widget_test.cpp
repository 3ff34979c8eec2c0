#include "ui/remote_desktop_widget.h"

#include <random>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "codec/frame_converter.h"
#include "ui/remote_view_scroller.h"
#include "wait_until.h"

namespace nimbral {
namespace {

// A flat NV12 frame of one BGRA colour, converted the way the Target converts.
std::shared_ptr<DecodedFrame> flatFrame(int width, int height, std::uint8_t blue,
                                        std::uint8_t green, std::uint8_t red, int padding = 0) {
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < bgra.size(); i += 4) {
        bgra[i] = blue;
        bgra[i + 1] = green;
        bgra[i + 2] = red;
        bgra[i + 3] = 255;
    }
    std::vector<std::uint8_t> nv12(static_cast<std::size_t>(width) * height * 3 / 2);
    FrameConverter().convert(bgra.data(), width, height, width * 4, nv12.data(), nv12.size());
    auto frame = std::make_shared<DecodedFrame>();
    frame->width = width;
    frame->height = height;
    frame->yStride = width + padding;
    frame->uvStride = width + padding;
    for (int y = 0; y < height; ++y) {
        const auto* row = nv12.data() + static_cast<std::size_t>(y) * width;
        frame->yPlane.insert(frame->yPlane.end(), row, row + width);
        frame->yPlane.insert(frame->yPlane.end(), padding, 0);
    }
    for (int y = 0; y < height / 2; ++y) {
        const auto* row = nv12.data() + static_cast<std::size_t>(width) * height +
                          static_cast<std::size_t>(y) * width;
        frame->uvPlane.insert(frame->uvPlane.end(), row, row + width);
        frame->uvPlane.insert(frame->uvPlane.end(), padding, 0x80);
    }
    return frame;
}

// A frame laid out as the decoder lays it out (rows packed with no alignment, chroma rounded
// up): grey luma, reddish chroma left of `boundary` columns and bluish chroma right of it.
std::shared_ptr<DecodedFrame> splitFrame(int width, int height, int boundary) {
    auto frame = std::make_shared<DecodedFrame>();
    frame->width = width;
    frame->height = height;
    frame->yStride = width;
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    frame->uvStride = 2 * chromaWidth;
    frame->yPlane.assign(static_cast<std::size_t>(width) * height, 0x80);
    frame->uvPlane.resize(static_cast<std::size_t>(frame->uvStride) * chromaHeight);
    for (int row = 0; row < chromaHeight; ++row) {
        for (int column = 0; column < chromaWidth; ++column) {
            const bool left = column * 2 < boundary;
            std::uint8_t* pair = frame->uvPlane.data() +
                                 static_cast<std::size_t>(row) * frame->uvStride + column * 2;
            pair[0] = left ? 0x60 : 0xF0; // U: blue difference
            pair[1] = left ? 0xF0 : 0x60; // V: red difference
        }
    }
    return frame;
}

TEST(RemoteDesktopGeometry, FramesThatDoNotHoldWhatTheyPromiseAreNotDrawn) {
    EXPECT_TRUE(RemotePicture::isDrawable(*splitFrame(1366, 768, 683)));
    EXPECT_TRUE(RemotePicture::isDrawable(*splitFrame(1365, 767, 683)));
    auto shortLuma = splitFrame(64, 36, 32);
    shortLuma->yPlane.pop_back();
    EXPECT_FALSE(RemotePicture::isDrawable(*shortLuma));
    auto shortChroma = splitFrame(65, 37, 32);
    shortChroma->uvPlane.resize(shortChroma->uvPlane.size() - 2);
    EXPECT_FALSE(RemotePicture::isDrawable(*shortChroma));
    auto oddChromaStride = splitFrame(65, 36, 32);
    oddChromaStride->uvStride = 65;
    EXPECT_FALSE(RemotePicture::isDrawable(*oddChromaStride));
    auto narrowStride = splitFrame(64, 36, 32);
    narrowStride->yStride = 63;
    EXPECT_FALSE(RemotePicture::isDrawable(*narrowStride));
    DecodedFrame empty;
    EXPECT_FALSE(RemotePicture::isDrawable(empty));
}

TEST(RemoteDesktopGeometry, TheFittedRectangleAndPointerMappingFollowTheExample) {
    EXPECT_EQ(RemoteDesktopWidget::fittedRect(1920, 1080, 1000, 1000), QRect(0, 218, 1000, 563));
    EXPECT_EQ(RemoteDesktopWidget::fittedRect(1080, 1920, 1000, 1000), QRect(218, 0, 563, 1000));
    EXPECT_EQ(RemoteDesktopWidget::fittedRect(0, 0, 640, 480), QRect(0, 0, 640, 480));
    const QRect r = RemoteDesktopWidget::fittedRect(1920, 1080, 1000, 1000);
    double x = -1;
    double y = -1;
    ASSERT_TRUE(RemoteDesktopWidget::mapToFrame(r, 500, 500, x, y));
    EXPECT_DOUBLE_EQ(x, 0.5);
    EXPECT_NEAR(y, (500.0 - 218) / 563, 1e-12);
    EXPECT_FALSE(RemoteDesktopWidget::mapToFrame(r, 500, 100, x, y)) << "the bar above";
    EXPECT_TRUE(RemoteDesktopWidget::mapToFrame(r, 1000, 781, x, y)) << "edges count";
    EXPECT_FALSE(RemoteDesktopWidget::mapToFrame(QRect(0, 0, 0, 10), 0, 0, x, y));
}

class RemoteDesktopView : public ::testing::Test {
protected:
    void SetUp() override {
        if (qgetenv("QT_QPA_PLATFORM") != "xcb") {
            GTEST_SKIP() << "needs Xvfb";
        }
        show();
    }
    void show() {
        view.resize(1000, 1000);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    // What the view shows once the frames given to it were taken in.
    QImage drawn() {
        QCoreApplication::processEvents();
        return view.grab().toImage();
    }

    RemoteDesktopWidget view;
};

TEST_F(RemoteDesktopView, DrawsTheNewestFrameFittedWithBlackBars) {
    EXPECT_EQ(drawn().pixelColor(500, 500), QColor(Qt::black)) << "black before any frame";
    // Two frames before a repaint: only the second is drawn.
    view.updateFrame(flatFrame(192, 108, 0, 0, 255)); // red
    view.updateFrame(flatFrame(192, 108, 0, 200, 0)); // green
    view.update();
    const QImage image = drawn();
    const QColor middle = image.pixelColor(500, 500);
    EXPECT_NEAR(middle.red(), 0, 8);
    EXPECT_NEAR(middle.green(), 200, 8);
    EXPECT_NEAR(middle.blue(), 0, 8);
    EXPECT_EQ(image.pixelColor(500, 100), QColor(Qt::black)) << "the bar above the picture";
    EXPECT_EQ(image.pixelColor(500, 900), QColor(Qt::black)) << "the bar below";
    EXPECT_EQ(view.framesTaken(), 1) << "the first of the two frames was replaced, not drawn";

    // Stretch fills the widget.
    view.setScaleMode(ScaleMode::StretchToFill);
    view.updateFrame(flatFrame(192, 108, 255, 0, 0)); // blue
    const QImage stretched = drawn();
    EXPECT_GT(stretched.pixelColor(500, 50).blue(), 240);

    // Original size: one frame pixel per widget pixel, the view as large as the remote screen
    // (a scroll area around it shows the rest), and free again in the other modes.
    view.setScaleMode(ScaleMode::OriginalSize);
    view.updateFrame(flatFrame(192, 108, 255, 255, 255));
    const QImage original = drawn();
    EXPECT_EQ(view.size(), QSize(192, 108));
    EXPECT_EQ(view.drawnRect(), QRect(0, 0, 192, 108));
    EXPECT_GT(original.pixelColor(2, 2).red(), 240);
    EXPECT_GT(original.pixelColor(189, 105).red(), 240);
    view.setScaleMode(ScaleMode::FitToWindow);
    view.resize(1000, 1000);
    EXPECT_EQ(view.size(), QSize(1000, 1000));
}

// In Original Size a remote screen larger than the window scrolls, and the pointer resting at an
// edge pans towards it until the end; the moves still reach the partner, where they point.
TEST_F(RemoteDesktopView, AScreenLargerThanTheWindowScrollsAndPansAtTheEdges) {
    auto* scrolling = new RemoteDesktopWidget;
    std::unique_ptr<QScrollArea> area(scrollableView(scrolling, nullptr));
    area->resize(400, 300);
    area->show();
    scrolling->setViewingMode(true);
    scrolling->setScaleMode(ScaleMode::OriginalSize);
    scrolling->updateFrame(flatFrame(1920, 1080, 255, 255, 255));
    ASSERT_WAIT(scrolling->framesTaken() == 1, 2000);
    QScrollBar* horizontal = area->horizontalScrollBar();
    ASSERT_WAIT(horizontal->maximum() > 1000, 2000);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 500);
    auto* panner = area->findChild<EdgePanner*>();
    ASSERT_NE(panner, nullptr);
    const QSize visible = area->viewport()->size();
    EXPECT_EQ(panner->directionAt({visible.width() / 2, visible.height() / 2}), QPoint(0, 0));
    EXPECT_EQ(panner->directionAt({2, 2}), QPoint(0, 0)) << "already at the top left";
    EXPECT_EQ(panner->directionAt({visible.width() - 2, visible.height() - 2}), QPoint(1, 1));

    QSignalSpy moves(scrolling, &RemoteDesktopWidget::inputEvent);
    const QPoint rightEdge(visible.width() - 3, visible.height() / 2);
    const QPointF inView = scrolling->mapFrom(area->viewport(), rightEdge);
    QMouseEvent move(QEvent::MouseMove, inView, scrolling->mapToGlobal(inView), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(scrolling, &move);
    EXPECT_TRUE(panner->isPanning());
    ASSERT_WAIT(horizontal->value() == horizontal->maximum(), 10000);
    ASSERT_WAIT(!panner->isPanning(), 1000);
    EXPECT_EQ(area->verticalScrollBar()->value(), 0);
    ASSERT_GE(moves.count(), 1);
    EXPECT_NEAR(moves.constFirst().at(0).value<InputEvent>().x, (visible.width() - 3.0) / 1920,
                0.01);
}

TEST_F(RemoteDesktopView, PaddedRowsAreReadWithTheirStride) {
    view.updateFrame(flatFrame(64, 36, 0, 0, 255, /*padding=*/32));
    EXPECT_GT(drawn().pixelColor(500, 500).red(), 240);
    view.updateFrame(flatFrame(128, 72, 255, 0, 0));
    const QImage image = drawn();
    EXPECT_EQ(view.frameWidth(), 128);
    EXPECT_GT(image.pixelColor(500, 500).blue(), 240) << "a new size is drawn whole";
}

// A frame of noise in luma and chroma, so any pixel converted from the wrong place shows.
std::shared_ptr<DecodedFrame> noiseFrame(int width, int height, unsigned seed) {
    auto frame = splitFrame(width, height, 0);
    std::mt19937 noise(seed);
    for (auto* plane : {&frame->yPlane, &frame->uvPlane}) {
        for (auto& byte : *plane) {
            byte = static_cast<std::uint8_t>(noise() >> 24);
        }
    }
    return frame;
}

std::shared_ptr<DecodedFrame> withChanges(const DecodedFrame& from,
                                          const std::vector<QPoint>& lumaPixels,
                                          const std::vector<QPoint>& chromaPairs) {
    auto frame = std::make_shared<DecodedFrame>(from);
    for (const QPoint& p : lumaPixels) {
        frame->yPlane[static_cast<std::size_t>(p.y()) * frame->yStride + p.x()] ^= 0x5A;
    }
    for (const QPoint& p : chromaPairs) { // p: a chroma column pair and row
        frame->uvPlane[static_cast<std::size_t>(p.y()) * frame->uvStride + 2 * p.x() + 1] ^= 0x33;
    }
    return frame;
}

TEST(RemotePictureChanges, OnlyTheTilesThatChangedAreConvertedAgain) {
    RemotePicture picture;
    const auto first = noiseFrame(1365, 767, 7); // odd sizes: chroma rounded up
    EXPECT_EQ(picture.apply(first), QRegion(0, 0, 1365, 767)) << "a first frame is all new";
    EXPECT_TRUE(picture.apply(std::make_shared<DecodedFrame>(*first)).isEmpty());
    // One luma pixel; one chroma pair of the last (odd) column on the last chroma row.
    const auto changed = withChanges(*first, {{130, 40}}, {{682, 383}});
    const QRegion region = picture.apply(changed);
    EXPECT_EQ(region, QRegion(128, 32, 64, 16) + QRegion(1344, 752, 21, 15));
    EXPECT_EQ(picture.apply(noiseFrame(640, 360, 1)), QRegion(0, 0, 640, 360)) << "a new size";
}

// Frames converted and scaled piece by piece must look exactly like the same frame taken whole,
// at one to one and scaled (where the filter blends neighbours across tile edges).
TEST(RemotePictureChanges, PiecewiseUpdatesMatchAWholeConversion) {
    for (const QSize shown : {QSize(1365, 767), QSize(1000, 562), QSize(1600, 900)}) {
        RemotePicture piecewise;
        piecewise.setShownSize(shown);
        piecewise.apply(noiseFrame(1365, 767, 3));
        auto frame = noiseFrame(1365, 767, 3);
        for (int step = 0; step < 4; ++step) {
            std::vector<QPoint> luma;
            for (int i = 0; i < 6; ++i) {
                luma.emplace_back((step * 389 + i * 211) % 1365, (step * 97 + i * 151) % 767);
            }
            frame = withChanges(*frame, luma, {{(step * 131) % 683, (step * 53) % 384}});
            EXPECT_FALSE(piecewise.apply(frame).isEmpty());
        }
        RemotePicture whole;
        whole.setShownSize(shown);
        whole.apply(frame);
        ASSERT_EQ(piecewise.shown().size(), shown);
        EXPECT_TRUE(piecewise.shown() == whole.shown())
            << "shown at " << shown.width() << "x" << shown.height();
    }
}

TEST_F(RemoteDesktopView, PointerAndKeysBecomeInputEventsOnlyWhileViewing) {
    view.updateFrame(flatFrame(192, 108, 0, 0, 255));
    drawn();
    QSignalSpy events(&view, &RemoteDesktopWidget::inputEvent);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(500, 500));
    EXPECT_EQ(events.count(), 0) << "viewing mode is off";

    view.setViewingMode(true);
    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(500, 500));
    QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(500, 100)); // released in the bar
    ASSERT_EQ(events.count(), 2) << "a release outside the picture still reaches the Target";
    const auto press = events.at(0).at(0).value<InputEvent>();
    EXPECT_EQ(press.type, static_cast<std::uint8_t>(InputEventType::MouseButtonPress));
    EXPECT_EQ(press.button, kMouseRight);
    EXPECT_DOUBLE_EQ(press.x, 0.5);
    EXPECT_NEAR(press.y, (500.0 - 218) / 563, 1e-9);
    EXPECT_GT(press.timestamp, 0u);
    const auto release = events.at(1).at(0).value<InputEvent>();
    EXPECT_EQ(release.type, static_cast<std::uint8_t>(InputEventType::MouseButtonRelease));
    EXPECT_EQ(release.button, kMouseRight);
    EXPECT_DOUBLE_EQ(release.x, 0.5);
    EXPECT_DOUBLE_EQ(release.y, 0.0) << "at the picture's edge";

    // A press outside the picture is not the Target's, and neither is its release.
    events.clear();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(500, 100));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(500, 500));
    for (const auto& event : events) {
        EXPECT_EQ(event.at(0).value<InputEvent>().type,
                  static_cast<std::uint8_t>(InputEventType::MouseMove));
    }

    events.clear();
    QTest::keyPress(&view, Qt::Key_A);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a", /*autorep=*/true);
    QApplication::sendEvent(&view, &repeat);
    QTest::keyRelease(&view, Qt::Key_A);
    ASSERT_EQ(events.count(), 2) << "the auto-repeat is not forwarded";
    EXPECT_EQ(events.at(0).at(0).value<InputEvent>().type,
              static_cast<std::uint8_t>(InputEventType::KeyPress));
    EXPECT_EQ(events.at(1).at(0).value<InputEvent>().type,
              static_cast<std::uint8_t>(InputEventType::KeyRelease));
}

// A laptop's 1366 x 768 (rows not a multiple of four bytes) and an odd size whose chroma is
// rounded up: the colour boundary must stand straight from the top row to the bottom one.
TEST_F(RemoteDesktopView, UnalignedAndOddWidthsAreDrawnUnsheared) {
    for (const QSize size : {QSize(1366, 768), QSize(1365, 767)}) {
        const int boundary = 682;
        view.updateFrame(splitFrame(size.width(), size.height(), boundary));
        const QImage image = drawn();
        const QRect r = RemoteDesktopWidget::fittedRect(size.width(), size.height(), 1000, 1000);
        const double scale = double(r.width()) / size.width();
        const int boundaryX = r.x() + int(boundary * scale);
        for (const int y : {r.top() + 3, r.center().y(), r.bottom() - 3}) {
            const QColor left = image.pixelColor(boundaryX - 40, y);
            const QColor right = image.pixelColor(boundaryX + 40, y);
            EXPECT_GT(left.red(), left.blue() + 60)
                << size.width() << "x" << size.height() << " row " << y;
            EXPECT_GT(right.blue(), right.red() + 60)
                << size.width() << "x" << size.height() << " row " << y;
        }
        // The last column's colour is there too (chroma rounded up, not cut off).
        const QColor lastColumn = image.pixelColor(r.right() - 1, r.center().y());
        EXPECT_GT(lastColumn.blue(), lastColumn.red() + 60) << size.width();
    }
}

TEST_F(RemoteDesktopView, ANewSessionStartsBlack) {
    view.updateFrame(splitFrame(192, 108, 96));
    EXPECT_NE(drawn().pixelColor(500, 500), QColor(Qt::black));
    view.clearFrame();
    EXPECT_EQ(drawn().pixelColor(500, 500), QColor(Qt::black)) << "no glimpse of the last partner";
    view.updateFrame(splitFrame(192, 108, 96));
    EXPECT_NE(drawn().pixelColor(500, 500), QColor(Qt::black));
}

// Where no picture will come, the view says why; the next session starts without the notice.
TEST_F(RemoteDesktopView, ANoticeStandsWhereNoPictureComes) {
    auto lit = [](const QImage& image) {
        int count = 0;
        for (int y = 400; y < 600; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) != QColor(Qt::black) ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_EQ(lit(drawn()), 0);
    view.setNotice(QStringLiteral("The partner's screen cannot be shown"));
    EXPECT_GT(lit(drawn()), 50) << "the notice's text is drawn in the middle";
    view.clearFrame();
    EXPECT_TRUE(view.notice().isEmpty());
    EXPECT_EQ(lit(drawn()), 0);
}

// The view in a window beside a tool button, which can take the focus from it.
class RemoteDesktopViewInWindow : public RemoteDesktopView {
protected:
    void SetUp() override {
        if (qgetenv("QT_QPA_PLATFORM") != "xcb") {
            GTEST_SKIP() << "needs Xvfb";
        }
        auto* layout = new QVBoxLayout(&window);
        button = new QPushButton("tool", &window);
        layout->addWidget(button);
        view.setParent(&window);
        layout->addWidget(&view);
        window.resize(1000, 1000);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // The view belongs to the fixture, not to the window.
    void TearDown() override { view.setParent(nullptr); }

    QWidget window;
    QPushButton* button = nullptr;
};

// Tab belongs to the remote while viewing; the focus stays in the view so later keys still
// reach the remote. Auto-repeats are neither forwarded nor accepted.
TEST_F(RemoteDesktopViewInWindow, TabAndRepeatsStayWithTheRemote) {
    view.setViewingMode(true);
    view.setFocus();
    window.activateWindow();
    ASSERT_WAIT(view.hasFocus(), 3000);

    QSignalSpy events(&view, &RemoteDesktopWidget::inputEvent);
    QTest::keyClick(&view, Qt::Key_Tab);
    QTest::keyClick(&view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(view.hasFocus()) << "the focus stayed in the view";
    // Tab press and release; Shift press, Backtab press and release, Shift release.
    EXPECT_EQ(events.count(), 6) << "Tab and Shift+Tab went to the remote";
    QTest::keyClick(&view, Qt::Key_B);
    EXPECT_EQ(events.count(), 8) << "later keys still reach the remote";

    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b", /*autorep=*/true);
    repeat.setAccepted(true);
    QApplication::sendEvent(&view, &repeat);
    EXPECT_EQ(events.count(), 8);
    EXPECT_FALSE(repeat.isAccepted()) << "a repeat is not the view's to accept";

    // Not viewing: Tab walks the widgets as usual.
    view.setViewingMode(false);
    QTest::keyClick(&view, Qt::Key_Tab);
    EXPECT_FALSE(view.hasFocus());
}

// Whatever the Target holds down for the Master is let go when the view loses the focus (the
// releases would go to another window) or stops viewing.
TEST_F(RemoteDesktopViewInWindow, HeldKeysAndButtonsAreReleasedWhenTheFocusLeaves) {
    view.updateFrame(flatFrame(192, 108, 0, 0, 255));
    drawn();
    view.setViewingMode(true);
    view.setFocus();
    window.activateWindow();
    ASSERT_WAIT(view.hasFocus(), 3000);

    std::vector<InputEvent> events; // all but the moves
    QObject::connect(&view, &RemoteDesktopWidget::inputEvent, &view, [&](const InputEvent& event) {
        if (event.type != static_cast<std::uint8_t>(InputEventType::MouseMove)) {
            events.push_back(event);
        }
    });
    QTest::keyPress(&view, Qt::Key_A);
    QTest::mousePress(&view, Qt::LeftButton, {}, view.drawnRect().center());
    ASSERT_EQ(events.size(), 2u);
    const auto key = events.at(0);
    button->setFocus();
    ASSERT_EQ(events.size(), 4u);
    const auto first = events.at(2);
    const auto second = events.at(3);
    EXPECT_EQ(first.type, static_cast<std::uint8_t>(InputEventType::MouseButtonRelease));
    EXPECT_EQ(first.button, kMouseLeft);
    EXPECT_EQ(second.type, static_cast<std::uint8_t>(InputEventType::KeyRelease));
    EXPECT_EQ(second.scanCode, key.scanCode);
    EXPECT_EQ(second.keyCode, key.keyCode);

    // Released once: the real releases that follow are not sent again.
    view.setFocus();
    QTest::keyRelease(&view, Qt::Key_A);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, view.drawnRect().center());
    EXPECT_EQ(events.size(), 4u);

    QTest::keyPress(&view, Qt::Key_B);
    view.setViewingMode(false);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events.at(5).type, static_cast<std::uint8_t>(InputEventType::KeyRelease));
}

} // namespace
} // namespace nimbral
