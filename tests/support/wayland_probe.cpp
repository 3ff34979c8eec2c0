// A window on a Wayland desktop for the capture and input tests and the bandwidth benchmark: it
// fills the screen with a colour, paints what it is told on stdin (only the part that changes),
// and reports on stdout what reaches it.
//   stdin:  "fill #rrggbb" | "square X Y W H #rrggbb" | "type I" | "scroll OFFSET" | "video I"
//           (the benchmark's scenes: a character typed on a page, a page scrolled, a frame of a
//           480x270 video)
//   stdout: "shown W H", "enter X Y", "move X Y", "press X Y BUTTON", "release X Y BUTTON",
//           "wheel DY", "key SCANCODE TEXT" (presses), "keyup SCANCODE"
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The benchmark's scenes, drawn into the canvas; each returns the area it changed.
QRect typeCharacter(QPainter& painter, int index) {
    static const char text[] = "Typing costs only the glyph it adds. ";
    if (index == 0) {
        painter.fillRect(300, 200, 1200, 600, Qt::white);
        return {300, 200, 1200, 600};
    }
    const QRect cell(310 + (index % 150) * 7, 207 + ((index / 150) % 30) * 18, 7, 18);
    painter.setPen(QColor(0x101010));
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                     QString(QLatin1Char(text[index % (sizeof text - 1)])));
    return cell;
}

QRect scrollPage(QPainter& painter, int offset, int height) {
    for (int y = -(offset % 24); y < height; y += 24) {
        const int row = (y + offset) / 24;
        painter.fillRect(300, y, 1200, 24, QColor(row % 5 == 0 ? 0x3050A0 : 0xF0F0F0));
        painter.setPen(QColor(0x101010));
        painter.drawText(310, y + 17,
                         QStringLiteral("Line %1: the quick brown fox jumps over the lazy dog, %2")
                             .arg(row)
                             .arg(row * 7919 % 10007));
    }
    return {300, 0, 1200, height};
}

QRect videoFrame(QPainter& painter, int frame) {
    for (int by = 0; by < 270; by += 15) {
        for (int bx = 0; bx < 480; bx += 16) {
            const auto seed =
                static_cast<std::uint32_t>(bx * 31 + by * 17 + frame * 5) * 2654435761u;
            painter.fillRect(1400 + bx, 700 + by, 16, 15, QColor((seed >> 8) & 0xFFFFFF));
        }
    }
    return {1400, 700, 480, 270};
}

class ProbeWindow : public QRasterWindow {
public:
    explicit ProbeWindow(QColor fill)
        : m_fill(fill) {}

    void command(const QString& line) {
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || m_canvas.isNull()) {
            return;
        }
        QPainter painter(&m_canvas);
        const int number = words.value(1).toInt();
        if (words.size() == 2 && words[0] == "fill") {
            m_canvas.fill(QColor(words[1]));
            update();
        } else if (words.size() == 6 && words[0] == "square") {
            const QRect square(number, words[2].toInt(), words[3].toInt(), words[4].toInt());
            painter.fillRect(square, QColor(words[5]));
            update(square);
        } else if (words[0] == "type") {
            update(typeCharacter(painter, number));
        } else if (words[0] == "scroll") {
            update(scrollPage(painter, number, m_canvas.height()));
        } else if (words[0] == "video") {
            update(videoFrame(painter, number));
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (m_canvas.size() != size()) {
            m_canvas = QImage(size(), QImage::Format_RGB32);
            m_canvas.fill(m_fill);
        }
        QPainter painter(this);
        painter.drawImage(event->rect(), m_canvas, event->rect());
    }
    void exposeEvent(QExposeEvent* event) override {
        QRasterWindow::exposeEvent(event);
        if (isExposed() && !m_saidShown) {
            m_saidShown = true;
            say(QStringLiteral("shown %1 %2").arg(width()).arg(height()));
        }
    }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Enter) {
            const QPoint at = static_cast<QEnterEvent*>(event)->position().toPoint();
            say(QStringLiteral("enter %1 %2").arg(at.x()).arg(at.y()));
        }
        return QRasterWindow::event(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        say(QStringLiteral("move %1 %2").arg(at.x()).arg(at.y()));
    }
    void mousePressEvent(QMouseEvent* event) override { button("press", event); }
    void mouseReleaseEvent(QMouseEvent* event) override { button("release", event); }
    void wheelEvent(QWheelEvent* event) override {
        say(QStringLiteral("wheel %1").arg(event->angleDelta().y()));
    }
    void keyPressEvent(QKeyEvent* event) override {
        say(QStringLiteral("key %1 %2").arg(event->nativeScanCode()).arg(event->text()));
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        say(QStringLiteral("keyup %1").arg(event->nativeScanCode()));
    }

private:
    void button(const char* what, QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        say(QStringLiteral("%1 %2 %3 %4")
                .arg(QLatin1String(what))
                .arg(at.x())
                .arg(at.y())
                .arg(static_cast<int>(event->button())));
    }

    QColor m_fill;
    QImage m_canvas;
    bool m_saidShown = false;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    QGuiApplication app(argc, argv);
    ProbeWindow window(QColor(argc > 1 ? argv[1] : "#000000"));
    QSocketNotifier input(0, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char chunk[4096];
        const ssize_t got = read(0, chunk, sizeof chunk);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(chunk, static_cast<int>(got));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            window.command(QString::fromUtf8(pending.left(end)));
            pending.remove(0, end + 1);
        }
    });
    window.showFullScreen();
    return app.exec();
}
