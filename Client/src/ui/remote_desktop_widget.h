#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

#include <QRect>
#include <QWidget>

#include "codec/video_decoder.h"
#include "input/input_event.h"
#include "ui/remote_picture.h"

namespace nimbral {

enum class ScaleMode { FitToWindow = 0, StretchToFill = 1, OriginalSize = 2 };

// The Master's view of the remote screen, in one of three scale modes; while viewing, local
// mouse, wheel and keys become InputEvents relative to the remote frame. Drawn in plain memory
// (RemotePicture) and only where the picture changed: no GPU needed, and a small change costs
// little. updateFrame may be called from any thread; a frame that arrives before the last one
// was drawn replaces it. Everything else runs on the GUI thread.
class RemoteDesktopWidget : public QWidget {
    Q_OBJECT

public:
    explicit RemoteDesktopWidget(QWidget* parent = nullptr);
    ~RemoteDesktopWidget() override;

    void setViewingMode(bool enabled);
    // In OriginalSize the view takes the remote screen's size (put it in a scroll area).
    void setScaleMode(ScaleMode mode);
    ScaleMode scaleMode() const { return m_scaleMode; }
    void toggleFullScreen();
    // Forgets the last picture (a new session must not show the previous partner's screen) and
    // the notice.
    void clearFrame();
    // A text shown where the picture would be while there is none (why none comes).
    void setNotice(const QString& text);
    QString notice() const { return m_notice; }

    // Where the frame is drawn in FitToWindow (top-left origin, widget pixels); the whole
    // widget before the first frame.
    static QRect fittedRect(int frameWidth, int frameHeight, int widgetWidth, int widgetHeight);
    // A widget position as fractions of the frame, or false when it lies outside it.
    static bool mapToFrame(const QRect& fitted, double px, double py, double& x, double& y);

    int frameWidth() const { return m_picture.frameSize().width(); }
    int frameHeight() const { return m_picture.frameSize().height(); }
    // Where the picture is in widget (logical) pixels for the current scale mode.
    QRect drawnRect() const;
    // For tests: the picture as drawn, and how many frames were taken in.
    const RemotePicture& picture() const { return m_picture; }
    int framesTaken() const { return m_framesTaken; }

public slots:
    void updateFrame(std::shared_ptr<nimbral::DecodedFrame> frame);

signals:
    void inputEvent(nimbral::InputEvent event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Takes the newest frame in and asks for the part of the view it changed to be drawn.
    void takePendingFrame();
    // The picture's size on screen follows the view's size, scale mode and pixel ratio.
    void updateShownSize();
    void fitSizeToScaleMode();
    void emitPointer(QMouseEvent* event, InputEventType type);
    // False when the event is not ours (viewing mode off).
    bool emitKey(QKeyEvent* event, InputEventType type);
    // Lets go of every button and key the Target holds down for us.
    void releaseHeldInput();

    RemotePicture m_picture;
    QString m_notice;
    int m_framesTaken = 0;

    std::mutex m_frameMutex;
    std::shared_ptr<DecodedFrame> m_pendingFrame;
    bool m_takeQueued = false;

    // What the Target holds down for us: the buttons by wire code, the keys by scan code and
    // virtual key (by Qt's key when the platform names neither), each with the event that
    // pressed it.
    using HeldKey = std::tuple<std::uint32_t, std::uint32_t, int>;
    std::set<std::uint8_t> m_heldButtons;
    std::map<HeldKey, InputEvent> m_heldKeys;
    double m_lastX = 0.5;
    double m_lastY = 0.5;

    bool m_viewingMode = false;
    ScaleMode m_scaleMode = ScaleMode::FitToWindow;
};

} // namespace nimbral
