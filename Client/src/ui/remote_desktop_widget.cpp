#include "ui/remote_desktop_widget.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <spdlog/spdlog.h>

#include "capture/captured_frame.h"
#include "input/native_keys.h"

namespace nimbral {

namespace {

// Two triangles over the viewport: clip x, clip y, texture u, texture v. Texture row 0 (the
// top of the remote screen) is drawn at the top.
constexpr GLfloat kQuad[24] = {-1, 1, 0, 0, -1, -1, 0, 1, 1, -1, 1, 1,
                               -1, 1, 0, 0, 1,  -1, 1, 1, 1, 1,  1, 0};

constexpr const char* kVertex330 = R"(#version 330 core
layout(location = 0) in vec2 aPosition;
layout(location = 1) in vec2 aTexCoord;
out vec2 vTexCoord;
void main() {
    gl_Position = vec4(aPosition, 0.0, 1.0);
    vTexCoord = aTexCoord;
}
)";

// Full-range BT.601, the inverse of the Target's conversion.
constexpr const char* kFragment330 = R"(#version 330 core
in vec2 vTexCoord;
out vec4 fragColor;
uniform sampler2D yTexture;
uniform sampler2D uvTexture;
void main() {
    float y = texture(yTexture, vTexCoord).r;
    vec2 uv = texture(uvTexture, vTexCoord).rg - vec2(0.5, 0.5);
    float r = y + 1.402 * uv.y;
    float g = y - 0.344 * uv.x - 0.714 * uv.y;
    float b = y + 1.772 * uv.x;
    fragColor = vec4(clamp(vec3(r, g, b), 0.0, 1.0), 1.0);
}
)";

constexpr const char* kVertex130 = R"(#version 130
in vec2 aPosition;
in vec2 aTexCoord;
out vec2 vTexCoord;
void main() {
    gl_Position = vec4(aPosition, 0.0, 1.0);
    vTexCoord = aTexCoord;
}
)";

constexpr const char* kFragment130 = R"(#version 130
in vec2 vTexCoord;
uniform sampler2D yTexture;
uniform sampler2D uvTexture;
void main() {
    float y = texture2D(yTexture, vTexCoord).r;
    vec2 uv = texture2D(uvTexture, vTexCoord).rg - vec2(0.5, 0.5);
    float r = y + 1.402 * uv.y;
    float g = y - 0.344 * uv.x - 0.714 * uv.y;
    float b = y + 1.772 * uv.x;
    gl_FragColor = vec4(clamp(vec3(r, g, b), 0.0, 1.0), 1.0);
}
)";

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
    : QOpenGLWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    spdlog::debug("RemoteDesktopWidget created");
}

RemoteDesktopWidget::~RemoteDesktopWidget() {
    makeCurrent();
    deleteTextures();
    if (m_glReady || m_vertexBuffer != 0) {
        glDeleteBuffers(1, &m_vertexBuffer);
        glDeleteVertexArrays(1, &m_vertexArray);
    }
    m_program.reset();
    doneCurrent();
    spdlog::debug("RemoteDesktopWidget destroyed");
    const std::lock_guard lock(m_frameMutex);
    m_pendingFrame.reset();
}

void RemoteDesktopWidget::setViewingMode(bool enabled) {
    m_viewingMode = enabled;
    spdlog::info("RemoteDesktopWidget viewing mode {}", enabled ? "enabled" : "disabled");
}

void RemoteDesktopWidget::setScaleMode(ScaleMode mode) {
    m_scaleMode = mode;
    update();
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
    {
        const std::lock_guard lock(m_frameMutex);
        m_pendingFrame = std::move(frame); // the newest wins
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
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

// ------------------------------------------------------------------ OpenGL

void RemoteDesktopWidget::checkErrors(const char* label) {
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        spdlog::error("OpenGL error in {}: 0x{:04X}", label, error);
    }
}

bool RemoteDesktopWidget::buildProgram() {
    m_program = std::make_unique<QOpenGLShaderProgram>();
    if (!m_fallbackOnly && m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertex330) &&
        m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragment330) &&
        m_program->link()) {
        spdlog::info("Using GLSL 3.30 shaders");
        return true;
    }
    if (!m_fallbackOnly) {
        spdlog::warn("GLSL 3.30 shaders failed, trying 1.30 fallback");
    }
    m_program = std::make_unique<QOpenGLShaderProgram>();
    if (!m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertex130)) {
        spdlog::error("Vertex shader 1.30 failed: {}", m_program->log().toStdString());
        return false;
    }
    if (!m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragment130)) {
        spdlog::error("Fragment shader 1.30 failed: {}", m_program->log().toStdString());
        return false;
    }
    m_program->bindAttributeLocation("aPosition", 0);
    m_program->bindAttributeLocation("aTexCoord", 1);
    if (!m_program->link()) {
        spdlog::error("Shader 1.30 link failed: {}", m_program->log().toStdString());
        return false;
    }
    spdlog::info("Using GLSL 1.30 fallback shaders");
    m_usingFallback = true;
    return true;
}

void RemoteDesktopWidget::initializeGL() {
    initializeOpenGLFunctions();
    spdlog::info("OpenGL initialised: vendor={}, renderer={}",
                 reinterpret_cast<const char*>(glGetString(GL_VENDOR)),
                 reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // The decoder's rows are tightly packed; GL's default 4-byte row alignment would shear
    // (and read past) any plane whose width is not a multiple of four, such as 1366.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!buildProgram()) {
        return;
    }
    m_yUniform = m_program->uniformLocation("yTexture");
    m_uvUniform = m_program->uniformLocation("uvTexture");
    if (m_yUniform < 0 || m_uvUniform < 0) {
        spdlog::error("Failed to locate texture uniforms (yTexture={}, uvTexture={})", m_yUniform,
                      m_uvUniform);
        return;
    }
    glGenVertexArrays(1, &m_vertexArray);
    checkErrors("glGenVertexArrays");
    glBindVertexArray(m_vertexArray);
    glGenBuffers(1, &m_vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof kQuad, kQuad, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat),
                          reinterpret_cast<const void*>(2 * sizeof(GLfloat)));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    m_glReady = true;
    spdlog::info("RemoteDesktopWidget GL initialisation complete");
}

void RemoteDesktopWidget::deleteTextures() {
    if (m_yTexture != 0) {
        glDeleteTextures(1, &m_yTexture);
        m_yTexture = 0;
    }
    if (m_uvTexture != 0) {
        glDeleteTextures(1, &m_uvTexture);
        m_uvTexture = 0;
    }
}

void RemoteDesktopWidget::createTextures(int width, int height, int yStride, int uvStride) {
    deleteTextures();
    m_textureWidth = width;
    m_textureHeight = height;
    m_textureYStride = yStride;
    m_textureUvStride = uvStride;
    auto makeTexture = [this](GLuint& texture, int rowLength, GLint internalFormat, GLenum format,
                              int w, int h, const char* label) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, w, h, 0, format, GL_UNSIGNED_BYTE, nullptr);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        checkErrors(label);
    };
    makeTexture(m_yTexture, yStride, GL_R8, GL_RED, width, height, "create Y texture");
    makeTexture(m_uvTexture, uvStride / 2, GL_RG8, GL_RG, (width + 1) / 2, (height + 1) / 2,
                "create UV texture");
    glBindTexture(GL_TEXTURE_2D, 0);
    ++m_textureCreations;
    spdlog::info("Created NV12 textures: {}x{} (yStride={}, uvStride={})", width, height, yStride,
                 uvStride);
}

void RemoteDesktopWidget::resizeGL(int width, int height) {
    spdlog::debug("RemoteDesktopWidget resized to {}x{}", width, height);
}

void RemoteDesktopWidget::uploadFrame(const DecodedFrame& frame) {
    if (frame.width != m_frameWidth || frame.height != m_frameHeight ||
        frame.yStride != m_textureYStride || frame.uvStride != m_textureUvStride ||
        m_yTexture == 0) {
        createTextures(frame.width, frame.height, frame.yStride, frame.uvStride);
        m_frameWidth = frame.width;
        m_frameHeight = frame.height;
    }
    ++m_uploads;
    glBindTexture(GL_TEXTURE_2D, m_yTexture);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.yStride);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame.width, frame.height, GL_RED, GL_UNSIGNED_BYTE,
                    frame.yPlane.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    checkErrors("upload Y texture");
    glBindTexture(GL_TEXTURE_2D, m_uvTexture);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.uvStride / 2);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, (frame.width + 1) / 2, (frame.height + 1) / 2, GL_RG,
                    GL_UNSIGNED_BYTE, frame.uvPlane.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    checkErrors("upload UV texture");
}

void RemoteDesktopWidget::paintGL() {
    if (!m_glReady) {
        return;
    }
    // GL counts device pixels; on a screen scaled by 2 the logical size covers a quarter.
    const double ratio = devicePixelRatioF();
    const int deviceWidth = static_cast<int>(std::lround(width() * ratio));
    const int deviceHeight = static_cast<int>(std::lround(height() * ratio));
    glViewport(0, 0, deviceWidth, deviceHeight);
    glClear(GL_COLOR_BUFFER_BIT);
    std::shared_ptr<DecodedFrame> frame;
    {
        const std::lock_guard lock(m_frameMutex);
        frame = std::move(m_pendingFrame);
        m_pendingFrame.reset();
    }
    if (frame && !isUploadable(*frame)) {
        spdlog::error("RemoteDesktopWidget: dropping a malformed frame ({}x{}, strides {}/{}, "
                      "planes {}/{} bytes)",
                      frame->width, frame->height, frame->yStride, frame->uvStride,
                      frame->yPlane.size(), frame->uvPlane.size());
        frame.reset();
    }
    if (frame) {
        uploadFrame(*frame);
    }
    if (m_yTexture == 0 || m_uvTexture == 0 || m_frameWidth <= 0 || m_frameHeight <= 0) {
        return;
    }
    switch (m_scaleMode) {
    case ScaleMode::FitToWindow: {
        const QRect r = fittedRect(m_frameWidth, m_frameHeight, deviceWidth, deviceHeight);
        glViewport(r.x(), deviceHeight - r.y() - r.height(), r.width(), r.height());
        break;
    }
    case ScaleMode::StretchToFill:
        glViewport(0, 0, deviceWidth, deviceHeight);
        break;
    case ScaleMode::OriginalSize:
        // One remote pixel per screen pixel, anchored at the bottom-left corner.
        glViewport(0, 0, m_frameWidth, m_frameHeight);
        break;
    }
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    m_lastViewport = QRect(viewport[0], viewport[1], viewport[2], viewport[3]);
    m_program->bind();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_yTexture);
    m_program->setUniformValue(m_yUniform, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, m_uvTexture);
    m_program->setUniformValue(m_uvUniform, 1);
    glBindVertexArray(m_vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    m_program->release();
    checkErrors("paintGL");
}

bool RemoteDesktopWidget::isUploadable(const DecodedFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0 || frame.yStride < frame.width ||
        frame.uvStride < 2 * ((frame.width + 1) / 2) || frame.uvStride % 2 != 0) {
        return false;
    }
    const auto needed = [](std::int64_t stride, std::int64_t rows, std::int64_t lastRow) {
        return stride * (rows - 1) + lastRow;
    };
    const std::int64_t chromaRows = (frame.height + 1) / 2;
    return std::int64_t(frame.yPlane.size()) >= needed(frame.yStride, frame.height, frame.width) &&
           std::int64_t(frame.uvPlane.size()) >=
               needed(frame.uvStride, chromaRows, 2 * ((frame.width + 1) / 2));
}

QRect RemoteDesktopWidget::drawnRect() const {
    switch (m_scaleMode) {
    case ScaleMode::StretchToFill:
        return rect();
    case ScaleMode::OriginalSize: {
        const double ratio = devicePixelRatioF();
        const int drawnHeight = static_cast<int>(std::lround(m_frameHeight / ratio));
        return QRect(0, height() - drawnHeight, static_cast<int>(std::lround(m_frameWidth / ratio)),
                     drawnHeight);
    }
    case ScaleMode::FitToWindow:
        break;
    }
    return fittedRect(m_frameWidth, m_frameHeight, width(), height());
}

void RemoteDesktopWidget::clearFrame() {
    {
        const std::lock_guard lock(m_frameMutex);
        m_pendingFrame.reset();
    }
    m_frameWidth = 0;
    m_frameHeight = 0;
    update();
}

// ------------------------------------------------------------------ input

bool RemoteDesktopWidget::focusNextPrevChild(bool next) {
    // While viewing, Tab and Shift+Tab are keys for the remote, not a walk through our widgets
    // (which would take the focus, and every key after it, to the tool bar).
    if (m_viewingMode) {
        return false;
    }
    return QOpenGLWidget::focusNextPrevChild(next);
}

bool RemoteDesktopWidget::emitPointer(QMouseEvent* event, InputEventType type) {
    const QRect r = drawnRect();
    InputEvent input;
    if (!mapToFrame(r, event->position().x(), event->position().y(), input.x, input.y)) {
        return false;
    }
    input.type = static_cast<std::uint8_t>(type);
    input.timestamp = static_cast<std::uint64_t>(monotonicMilliseconds());
    if (type != InputEventType::MouseMove) {
        input.button = buttonCode(event->button());
    }
    emit inputEvent(input);
    return true;
}

void RemoteDesktopWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_viewingMode) {
        QOpenGLWidget::mouseMoveEvent(event);
        return;
    }
    emitPointer(event, InputEventType::MouseMove);
}

void RemoteDesktopWidget::mousePressEvent(QMouseEvent* event) {
    if (!m_viewingMode) {
        QOpenGLWidget::mousePressEvent(event);
        return;
    }
    emitPointer(event, InputEventType::MouseButtonPress);
}

void RemoteDesktopWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_viewingMode) {
        QOpenGLWidget::mouseReleaseEvent(event);
        return;
    }
    emitPointer(event, InputEventType::MouseButtonRelease);
}

void RemoteDesktopWidget::wheelEvent(QWheelEvent* event) {
    if (!m_viewingMode) {
        QOpenGLWidget::wheelEvent(event);
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
    emit inputEvent(input);
    return true;
}

void RemoteDesktopWidget::keyPressEvent(QKeyEvent* event) {
    if (!emitKey(event, InputEventType::KeyPress)) {
        QOpenGLWidget::keyPressEvent(event);
    }
}

void RemoteDesktopWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!emitKey(event, InputEventType::KeyRelease)) {
        QOpenGLWidget::keyReleaseEvent(event);
    }
}

} // namespace nimbral
