#pragma once
// Commands that show progress pump events. Whatever asked for them (a
// pop-up menu's key or mouse handler, a socket's read handler, a drop, a
// timer) may be deleted while they run, and Qt goes on using it once the
// command returns. Such commands therefore run after the asking handler
// has returned, from the event loop.

#include <QAction>
#include <QMetaObject>
#include <QObject>
#include <utility>

namespace pix {

// Runs f from the event loop, once the current handler has returned;
// nothing happens when context is gone by then.
template <typename F>
void RunAfterReturn(QObject* context, F&& f)
{
    QMetaObject::invokeMethod(context, std::forward<F>(f), Qt::QueuedConnection);
}

// Connects action so that f runs after the handler that triggered it.
template <typename F>
QMetaObject::Connection ConnectAfterReturn(QAction* action, QObject* context, F f)
{
    return QObject::connect(action, &QAction::triggered, context, [context, f = std::move(f)] { RunAfterReturn(context, f); });
}

}  // namespace pix
