#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <memory>

namespace nimbral::platform {

// Shares `object`, made on any thread, as one living on the application's main thread, where the
// session bus delivers its signals. It is deleted there too, never beside a call being delivered.
template <typename T> std::shared_ptr<T> onTheMainThread(T* object) {
    std::shared_ptr<T> shared(object, [](QObject* doomed) {
        if (doomed->thread() == QThread::currentThread()) {
            delete doomed;
        } else {
            doomed->deleteLater();
        }
    });
    if (QCoreApplication* application = QCoreApplication::instance()) {
        shared->moveToThread(application->thread());
    }
    return shared;
}

} // namespace nimbral::platform
