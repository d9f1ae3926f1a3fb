#pragma once

// Three-dimensional edges and off-screen buffers shared by the controls.
//
// Edges are drawn as filled one-pixel rectangles rather than lines: a filled
// rectangle with integer logical coordinates covers whole device pixels at
// every integer device pixel ratio, so frames stay crisp on high-DPI screens.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRect>

class QPainter;
class QPalette;
class QWidget;

// A one-pixel frame on the outermost pixels of `r`: `topLeft` on the top and
// left edges, `bottomRight` on the bottom and right edges.
void VXDrawEdge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight);

// A two-pixel raised frame (lit from the top left): midlight and light
// outside-in on the top and left, shadow and dark on the bottom and right.
// The outer light edge is a shade darker than the highlight so that the
// frame still shows on a white background.
void VXDrawRaised(QPainter& p, const QRect& r, const QPalette& pal);

// The same frame pushed in.
void VXDrawSunken(QPainter& p, const QRect& r, const QPalette& pal);

// The device pixel ratio the widget is painted at.
qreal VXPixelRatio(const QWidget* w);

// Buffers of `size` logical pixels at the given device pixel ratio.
QImage VXMakeImage(QSize size, qreal ratio);
QPixmap VXMakePixmap(QSize size, qreal ratio);
