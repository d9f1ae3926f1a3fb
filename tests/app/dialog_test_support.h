#pragma once

// Driving the program's modal dialogs: the dialog runs its own loop, so the
// test hands over what to do once it is up.

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs `drive` once on the next modal window of type T, from inside its
// loop.
template <class T> void OnNextModal(std::function<void(T&)> drive) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, drive] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (w == nullptr || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        drive(*w);
    });
    timer->start();
}
