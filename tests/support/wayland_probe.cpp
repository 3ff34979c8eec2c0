// A window on a Wayland desktop for the capture and input tests: it fills the screen with a
// colour, paints what it is told on stdin, and reports on stdout what reaches it.
//   stdin:  "fill #rrggbb" | "square X Y W H #rrggbb"
//   stdout: "shown W H", "enter X Y", "focus", "move X Y", "press X Y BUTTON", "release X Y
//   BUTTON", "wheel DY",
//           "key SCANCODE TEXT" (presses), "keyup SCANCODE"
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

class ProbeWindow : public QRasterWindow {
public:
    explicit ProbeWindow(QColor fill)
        : m_fill(fill) {}

    void command(const QString& line) {
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.size() == 2 && words[0] == "fill") {
            m_fill = QColor(words[1]);
            m_square = {};
        } else if (words.size() == 6 && words[0] == "square") {
            m_square =
                QRect(words[1].toInt(), words[2].toInt(), words[3].toInt(), words[4].toInt());
            m_squareColour = QColor(words[5]);
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(QPoint(), size()), m_fill);
        if (!m_square.isEmpty()) {
            painter.fillRect(m_square, m_squareColour);
        }
    }
    void exposeEvent(QExposeEvent* event) override {
        QRasterWindow::exposeEvent(event);
        if (isExposed() && !m_saidShown) {
            m_saidShown = true;
            say(QStringLiteral("shown %1 %2").arg(width()).arg(height()));
        }
    }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            say(QStringLiteral("focus"));
        } else if (event->type() == QEvent::Enter) {
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
    QRect m_square;
    QColor m_squareColour;
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
