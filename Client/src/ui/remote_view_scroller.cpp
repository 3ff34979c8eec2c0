#include "ui/remote_view_scroller.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include "ui/remote_desktop_widget.h"

namespace nimbral {

QScrollArea* scrollableView(RemoteDesktopWidget* view, QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setObjectName(QStringLiteral("remoteScroller"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true); // the view fills the window unless it asks for its own size
    area->setAlignment(Qt::AlignCenter);
    area->setFocusPolicy(Qt::NoFocus); // the keys belong to the view
    QPalette black = area->viewport()->palette();
    black.setColor(QPalette::Window, Qt::black);
    area->viewport()->setPalette(black);
    area->viewport()->setAutoFillBackground(true);
    area->setWidget(view);
    new EdgePanner(area);
    return area;
}

EdgePanner::EdgePanner(QScrollArea* area)
    : QObject(area)
    , m_area(area) {
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &EdgePanner::pan);
    if (area->widget() != nullptr) {
        area->widget()->installEventFilter(this);
    }
}

QPoint EdgePanner::directionAt(const QPoint& point) const {
    const QSize visible = m_area->viewport()->size();
    const auto along = [](int position, int length, const QScrollBar* bar) {
        if (position < kEdge && bar->value() > bar->minimum()) {
            return -1;
        }
        if (position >= length - kEdge && bar->value() < bar->maximum()) {
            return 1;
        }
        return 0;
    };
    return {along(point.x(), visible.width(), m_area->horizontalScrollBar()),
            along(point.y(), visible.height(), m_area->verticalScrollBar())};
}

bool EdgePanner::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && watched == m_area->widget()) {
        const auto* move = static_cast<QMouseEvent*>(event);
        m_pointer = m_area->widget()->mapTo(m_area->viewport(), move->position().toPoint());
        m_direction = directionAt(m_pointer);
        if (m_direction.isNull()) {
            m_timer.stop();
        } else if (!m_timer.isActive()) {
            m_timer.start();
        }
    } else if (event->type() == QEvent::Leave || event->type() == QEvent::Hide) {
        m_timer.stop();
    }
    return false; // the view still sends every move to the partner
}

void EdgePanner::pan() {
    QScrollBar* horizontal = m_area->horizontalScrollBar();
    QScrollBar* vertical = m_area->verticalScrollBar();
    horizontal->setValue(horizontal->value() + m_direction.x() * kStep);
    vertical->setValue(vertical->value() + m_direction.y() * kStep);
    // The pointer stays where it is in the window while the picture moves under it; stop at
    // the end rather than tick on against it.
    m_direction = directionAt(m_pointer);
    if (m_direction.isNull()) {
        m_timer.stop();
    }
}

} // namespace nimbral
