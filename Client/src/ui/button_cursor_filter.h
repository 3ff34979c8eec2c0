#pragma once

#include <QObject>

namespace nimbral {

// Gives every push button the pointing-hand cursor as it is polished, so no window has to set it
// button by button. Installed once on the application; never consumes an event.
class ButtonCursorFilter : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace nimbral
