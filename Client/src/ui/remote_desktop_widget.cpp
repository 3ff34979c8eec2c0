#include "ui/remote_desktop_widget.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <spdlog/spdlog.h>

#include "capture/captured_frame.h"
#include "input/native_keys.h"

namespace nimbral {

namespace {

std::uint8_t buttonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return kMouseRight;
    case Qt::MiddleButton:
        return kMouseMiddle;
    case Qt::BackButton:
        return kMouseBack;
    case Qt::ForwardButton:
        return kMouseForward;
    default:
        return kMouseLeft;
    }
}

} // namespace

RemoteDesktopWidget::RemoteDesktopWidget(QWidget* parent)
    : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Every pixel is ours to paint: no background is drawn first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

RemoteDesktopWidget::~RemoteDesktopWidget() = default;

void RemoteDesktopWidget::setViewingMode(bool enabled) {
    if (!enabled) {
        releaseHeldInput();
    }
    m_viewingMode = enabled;
    spdlog::info("RemoteDesktopWidget viewing mode {}", enabled ? "enabled" : "disabled");
}

void RemoteDesktopWidget::setScaleMode(ScaleMode mode) {
    m_scaleMode = mode;
    fitSizeToScaleMode();
    updateShownSize();
    update();
}

void RemoteDesktopWidget::fitSizeToScaleMode() {
    if (m_scaleMode == ScaleMode::OriginalSize && !m_picture.isEmpty()) {
        // As large as the remote screen: a scroll area around the view shows the rest.
        const double ratio = devicePixelRatioF();
        setFixedSize(static_cast<int>(std::lround(frameWidth() / ratio)),
                     static_cast<int>(std::lround(frameHeight() / ratio)));
        return;
    }
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void RemoteDesktopWidget::toggleFullScreen() {
    QWidget* top = window();
    if (top->isFullScreen()) {
        top->showNormal();
    } else {
        top->showFullScreen();
    }
}

void RemoteDesktopWidget::updateFrame(std::shared_ptr<DecodedFrame> frame) {
    if (!frame) {
        return;
    }
    bool queue = false;
    {
        const std::lock_guard lock(m_frameMutex);
        m_pendingFrame = std::move(frame); // the newest wins
        queue = !std::exchange(m_takeQueued, true);
    }
    if (queue) {
        QMetaObject::invokeMethod(
            this, [this] { takePendingFrame(); }, Qt::QueuedConnection);
    }
}

void RemoteDesktopWidget::takePendingFrame() {
    std::shared_ptr<DecodedFrame> frame;
    {
        const std::lock_guard lock(m_frameMutex);
        frame = std::move(m_pendingFrame);
        m_pendingFrame.reset();
        m_takeQueued = false;
    }
    if (!frame) {
        return;
    }
    if (!RemotePicture::isDrawable(*frame)) {
        spdlog::error("RemoteDesktopWidget: dropping a malformed frame ({}x{}, strides {}/{}, "
                      "planes {}/{} bytes)",
                      frame->width, frame->height, frame->yStride, frame->uvStride,
                      frame->yPlane.size(), frame->uvPlane.size());
        return;
    }
    const QSize sizeBefore = m_picture.frameSize();
    const QRegion changed = m_picture.apply(std::move(frame));
    ++m_framesTaken;
    if (m_picture.frameSize() != sizeBefore) {
        fitSizeToScaleMode();
        updateShownSize();
        update();
        return;
    }
    // Only what changed is drawn again (and sent to the screen).
    const QRect drawn = drawnRect();
    const double ratio = devicePixelRatioF();
    QRegion dirty;
    for (const QRect& rect : changed) {
        const QRectF shown = m_picture.shownRect(rect);
        dirty += QRectF(drawn.x() + shown.x() / ratio, drawn.y() + shown.y() / ratio,
                        shown.width() / ratio, shown.height() / ratio)
                     .toAlignedRect()
                     .adjusted(-1, -1, 1, 1);
    }
    update(dirty);
}

void RemoteDesktopWidget::updateShownSize() {
    if (m_picture.isEmpty()) {
        return;
    }
    if (m_scaleMode == ScaleMode::OriginalSize) {
        m_picture.setShownSize(m_picture.frameSize());
        return;
    }
    const QRect drawn = drawnRect();
    const double ratio = devicePixelRatioF();
    m_picture.setShownSize(QSize(static_cast<int>(std::lround(drawn.width() * ratio)),
                                 static_cast<int>(std::lround(drawn.height() * ratio))));
}

QRect RemoteDesktopWidget::fittedRect(int frameWidth, int frameHeight, int widgetWidth,
                                      int widgetHeight) {
    if (frameWidth <= 0 || frameHeight <= 0 || widgetHeight <= 0) {
        return QRect(0, 0, widgetWidth, widgetHeight);
    }
    const double aspect = static_cast<double>(frameWidth) / frameHeight;
    int width = widgetWidth;
    int height = widgetHeight;
    if (static_cast<double>(widgetWidth) / widgetHeight > aspect) {
        width = static_cast<int>(std::round(widgetHeight * aspect));
    } else {
        height = static_cast<int>(std::round(widgetWidth / aspect));
    }
    return QRect((widgetWidth - width) / 2, (widgetHeight - height) / 2, width, height);
}

bool RemoteDesktopWidget::mapToFrame(const QRect& fitted, double px, double py, double& x,
                                     double& y) {
    if (fitted.width() < 1 || fitted.height() < 1) {
        return false;
    }
    x = (px - fitted.x()) / fitted.width();
    y = (py - fitted.y()) / fitted.height();
    return x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0;
}

// ------------------------------------------------------------------ drawing

void RemoteDesktopWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect picture = m_picture.isEmpty() ? QRect() : drawnRect();
    for (const QRect& rect : event->region() - QRegion(picture)) {
        painter.fillRect(rect, Qt::black);
    }
    if (picture.isEmpty()) {
        if (!m_notice.isEmpty()) {
            painter.setPen(QColor(0x9a, 0xa5, 0xc4));
            painter.drawText(rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
                             m_notice);
        }
        return;
    }
    // The picture is already at its shown size in device pixels: drawn one to one.
    const QImage& image = m_picture.shown();
    const double ratio = devicePixelRatioF();
    painter.drawImage(
        QRectF(picture.topLeft(), QSizeF(image.width() / ratio, image.height() / ratio)), image,
        QRectF(image.rect()));
}

void RemoteDesktopWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateShownSize();
}

QRect RemoteDesktopWidget::drawnRect() const {
    switch (m_scaleMode) {
    case ScaleMode::StretchToFill:
        return rect();
    case ScaleMode::OriginalSize: {
        const double ratio = devicePixelRatioF();
        return QRect(0, 0, static_cast<int>(std::lround(frameWidth() / ratio)),
                     static_cast<int>(std::lround(frameHeight() / ratio)));
    }
    case ScaleMode::FitToWindow:
        break;
    }
    return fittedRect(frameWidth(), frameHeight(), width(), height());
}

void RemoteDesktopWidget::clearFrame() {
    {
        const std::lock_guard lock(m_frameMutex);
        m_pendingFrame.reset();
    }
    m_picture.clear();
    m_notice.clear();
    fitSizeToScaleMode();
    update();
}

void RemoteDesktopWidget::setNotice(const QString& text) {
    m_notice = text;
    update();
}

// ------------------------------------------------------------------ input

bool RemoteDesktopWidget::focusNextPrevChild(bool next) {
    // While viewing, Tab and Shift+Tab are keys for the remote, not a walk through our widgets
    // (which would take the focus, and every key after it, to the tool bar).
    if (m_viewingMode) {
        return false;
    }
    return QWidget::focusNextPrevChild(next);
}

void RemoteDesktopWidget::emitPointer(QMouseEvent* event, InputEventType type) {
    InputEvent input;
    const bool inside =
        mapToFrame(drawnRect(), event->position().x(), event->position().y(), input.x, input.y);
    const std::uint8_t button = buttonCode(event->button());
    // A release goes out wherever it happens when the Target holds that button for us (it
    // would stay down otherwise), and never when it does not. Outside the picture the moves of a
    // drag go out too, at the edge.
    if (type == InputEventType::MouseButtonRelease) {
        if (m_heldButtons.count(button) == 0) {
            return;
        }
    } else if (!inside && (type == InputEventType::MouseButtonPress || m_heldButtons.empty())) {
        return;
    }
    input.x = std::clamp(input.x, 0.0, 1.0);
    input.y = std::clamp(input.y, 0.0, 1.0);
    m_lastX = input.x;
    m_lastY = input.y;
    input.type = static_cast<std::uint8_t>(type);
    input.timestamp = static_cast<std::uint64_t>(monotonicMilliseconds());
    if (type == InputEventType::MouseButtonPress) {
        input.button = button;
        m_heldButtons.insert(button);
    } else if (type == InputEventType::MouseButtonRelease) {
        input.button = button;
        m_heldButtons.erase(button);
    }
    emit inputEvent(input);
}

void RemoteDesktopWidget::releaseHeldInput() {
    const auto now = static_cast<std::uint64_t>(monotonicMilliseconds());
    for (const std::uint8_t button : std::exchange(m_heldButtons, {})) {
        emit inputEvent(InputEvent::buttonRelease(button, m_lastX, m_lastY, now));
    }
    for (const auto& [key, press] : std::exchange(m_heldKeys, {})) {
        emit inputEvent(InputEvent::keyRelease(press, now));
    }
}

void RemoteDesktopWidget::focusOutEvent(QFocusEvent* event) {
    // Whatever is down now would never see its release: the keys go to another window.
    releaseHeldInput();
    QWidget::focusOutEvent(event);
}

void RemoteDesktopWidget::hideEvent(QHideEvent* event) {
    releaseHeldInput();
    QWidget::hideEvent(event);
}

void RemoteDesktopWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_viewingMode) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    emitPointer(event, InputEventType::MouseMove);
}

void RemoteDesktopWidget::mousePressEvent(QMouseEvent* event) {
    if (!m_viewingMode) {
        QWidget::mousePressEvent(event);
        return;
    }
    emitPointer(event, InputEventType::MouseButtonPress);
}

void RemoteDesktopWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_viewingMode) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    emitPointer(event, InputEventType::MouseButtonRelease);
}

void RemoteDesktopWidget::wheelEvent(QWheelEvent* event) {
    if (!m_viewingMode) {
        QWidget::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    const QRect r = drawnRect();
    InputEvent input;
    if (delta == 0 ||
        !mapToFrame(r, event->position().x(), event->position().y(), input.x, input.y)) {
        return;
    }
    input.type = static_cast<std::uint8_t>(InputEventType::MouseWheel);
    input.timestamp = static_cast<std::uint64_t>(monotonicMilliseconds());
    input.wheelDelta = static_cast<std::int16_t>(std::clamp(delta, -32768, 32767));
    emit inputEvent(input);
}

bool RemoteDesktopWidget::emitKey(QKeyEvent* event, InputEventType type) {
    if (!m_viewingMode) {
        return false;
    }
    if (event->isAutoRepeat()) {
        // The Target repeats a held key by itself. Not accepted either: a repeat is not ours.
        event->ignore();
        return true;
    }
    const WindowsKey key = windowsKeyFromNative(event->nativeScanCode(), event->nativeVirtualKey());
    InputEvent input;
    input.type = static_cast<std::uint8_t>(type);
    input.timestamp = static_cast<std::uint64_t>(monotonicMilliseconds());
    input.keyCode = key.virtualKey;
    input.scanCode = key.scanCode;
    input.extended = (key.scanCode & 0xE000) != 0;
    event->accept();
    // Like a button, a key is released on the Target only if it was pressed there: one that
    // was already down when the view took the focus, or was let go of for us, is not.
    const HeldKey identity{key.scanCode, key.virtualKey,
                           key.scanCode == 0 && key.virtualKey == 0 ? event->key() : 0};
    if (type == InputEventType::KeyPress) {
        m_heldKeys[identity] = input;
    } else if (m_heldKeys.erase(identity) == 0) {
        return true;
    }
    emit inputEvent(input);
    return true;
}

void RemoteDesktopWidget::keyPressEvent(QKeyEvent* event) {
    if (!emitKey(event, InputEventType::KeyPress)) {
        QWidget::keyPressEvent(event);
    }
}

void RemoteDesktopWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!emitKey(event, InputEventType::KeyRelease)) {
        QWidget::keyReleaseEvent(event);
    }
}

} // namespace nimbral
