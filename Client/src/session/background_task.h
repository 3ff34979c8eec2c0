#pragma once

#include <type_traits>
#include <utility>

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>

namespace nimbral {

// Runs `work` on Qt's thread pool and hands its result to `done` on the thread of `context`,
// unless `context` is gone by then. The work must own everything it touches (capture by value):
// the password exchange's key stretching takes a few hundred milliseconds that the main thread
// must not spend.
template <typename Work, typename Done>
void runInBackground(QObject* context, Work work, Done done) {
    using Result = std::invoke_result_t<Work>;
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)]() mutable {
                         done(watcher->future().takeResult());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace nimbral
