#pragma once

#include <memory>
#include <mutex>

#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QRect>

#include "codec/video_decoder.h"
#include "input/input_event.h"

namespace nimbral {

enum class ScaleMode { FitToWindow = 0, StretchToFill = 1, OriginalSize = 2 };

// The Master's view of the remote screen: NV12 frames drawn through a shader, in one of three
// scale modes; while viewing, local mouse, wheel and keys become InputEvents relative to the
// remote frame. updateFrame may be called from any thread (the newest frame wins); everything
// else runs on the GUI thread.
class RemoteDesktopWidget : public QOpenGLWidget, protected QOpenGLExtraFunctions {
    Q_OBJECT

public:
    explicit RemoteDesktopWidget(QWidget* parent = nullptr);
    ~RemoteDesktopWidget() override;

    void setViewingMode(bool enabled);
    void setScaleMode(ScaleMode mode);
    void toggleFullScreen();
    // Forgets the last picture (a new session must not show the previous partner's screen).
    void clearFrame();

    // Whether the planes hold what the frame's size and strides promise.
    static bool isUploadable(const DecodedFrame& frame);

    // Where the frame is drawn in FitToWindow (top-left origin, widget pixels); the whole
    // widget before the first frame.
    static QRect fittedRect(int frameWidth, int frameHeight, int widgetWidth, int widgetHeight);
    // A widget position as fractions of the frame, or false when it lies outside it.
    static bool mapToFrame(const QRect& fitted, double px, double py, double& x, double& y);

    // For tests: what has been drawn.
    bool glReady() const { return m_glReady; }
    int textureCreations() const { return m_textureCreations; }
    int frameWidth() const { return m_frameWidth; }
    int frameHeight() const { return m_frameHeight; }
    int uploads() const { return m_uploads; }
    // The GL viewport (device pixels, bottom-left origin) of the last picture drawn.
    QRect lastViewport() const { return m_lastViewport; }
    // Where the picture is in widget (logical) pixels for the current scale mode.
    QRect drawnRect() const;
    // For tests, before the widget is first shown: go straight to the GLSL 1.30 variant.
    void useFallbackShadersOnly() { m_fallbackOnly = true; }
    bool usingFallbackShaders() const { return m_usingFallback; }

public slots:
    void updateFrame(std::shared_ptr<nimbral::DecodedFrame> frame);

signals:
    void inputEvent(nimbral::InputEvent event);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool buildProgram();
    void createTextures(int width, int height, int yStride, int uvStride);
    // Puts the frame's planes into the textures, making them anew when its size changed.
    void uploadFrame(const DecodedFrame& frame);
    void deleteTextures();
    void checkErrors(const char* label);
    bool emitPointer(QMouseEvent* event, InputEventType type);
    // False when the event is not ours (viewing mode off).
    bool emitKey(QKeyEvent* event, InputEventType type);

    std::unique_ptr<QOpenGLShaderProgram> m_program;
    GLuint m_vertexArray = 0;
    GLuint m_vertexBuffer = 0;
    GLuint m_yTexture = 0;
    GLuint m_uvTexture = 0;
    int m_yUniform = -1;
    int m_uvUniform = -1;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    int m_textureYStride = 0;
    int m_textureUvStride = 0;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    int m_textureCreations = 0;
    int m_uploads = 0;
    QRect m_lastViewport;
    bool m_fallbackOnly = false;
    bool m_usingFallback = false;

    std::mutex m_frameMutex;
    std::shared_ptr<DecodedFrame> m_pendingFrame;

    bool m_viewingMode = false;
    bool m_glReady = false;
    ScaleMode m_scaleMode = ScaleMode::FitToWindow;
};

} // namespace nimbral
