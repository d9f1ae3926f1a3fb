#pragma once

// Mouse events with modifier keys held during moves, which QTest's
// mouseMove cannot carry. They go to the widget as the window system's would.

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, modifiers);
    QApplication::sendEvent(w, &e);
}

// Presses the left button at `from`, moves to `to` in one step and releases,
// with `modifiers` held throughout.
inline void Drag(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
    SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
    SendMouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
    SendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
}

// A wheel turn over `at`: `angle` in eighths of a degree (120 a notch), and
// the pixel distance a touchpad reports (none for a mouse wheel).
inline void SendWheel(QWidget* w, QPoint at, QPoint angle, QPoint pixels = {},
                      Qt::KeyboardModifiers modifiers = {}) {
    QWheelEvent e(QPointF(at), w->mapToGlobal(QPointF(at)), pixels, angle, Qt::NoButton, modifiers,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}
