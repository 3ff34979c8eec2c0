#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>

class QScrollArea;

namespace nimbral {

class RemoteDesktopWidget;

// The view inside a black scroll area: in "Original Size" a remote screen larger than the
// window gets scroll bars, and the pointer held near an edge of the window pans towards it.
QScrollArea* scrollableView(RemoteDesktopWidget* view, QWidget* parent);

// Pans a scroll area while the pointer rests within kEdge pixels of the edge of its visible part
// (and the area can still move that way), kStep pixels per tick.
class EdgePanner : public QObject {
    Q_OBJECT

public:
    static constexpr int kEdge = 16;
    static constexpr int kStep = 24;
    static constexpr int kTickMs = 30;

    explicit EdgePanner(QScrollArea* area);

    // The direction the pointer at `pointInViewport` pans to: -1, 0 or 1 on each axis.
    QPoint directionAt(const QPoint& pointInViewport) const;
    bool isPanning() const { return m_timer.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pan();

    QScrollArea* m_area;
    QTimer m_timer;
    QPoint m_direction;
    QPoint m_pointer; // where the pointer last was, in the visible part's coordinates
};

} // namespace nimbral
