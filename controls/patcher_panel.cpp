#include "controls/patcher_panel.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/bevel.h"

namespace {

QPoint PointOf(const QMouseEvent* e) {
    const QPointF p = e->position();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

QRect ToQRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

template <typename T> void Erase(std::vector<T*>& v, T* item) {
    v.erase(std::remove(v.begin(), v.end(), item), v.end());
}

template <typename T> bool Contains(const std::vector<T*>& v, const T* item) {
    return std::find(v.begin(), v.end(), item) != v.end();
}

} // namespace

// ---------------------------------------------------------------------------
// VXPatcherNode

VXPatcherNode::VXPatcherNode(VXPatcherPanel* panel, int x, int y, const QString& name,
                             int inletCount, int outletCount, void* data)
    : panel(panel), name(name), inletCount(inletCount), outletCount(outletCount), data(data) {
    bounds = {x, y, x, y};
    UpdateSize();
}

void VXPatcherNode::SetLeft(int x) {
    bounds.right += x - bounds.left;
    bounds.left = x;
}

void VXPatcherNode::SetTop(int y) {
    bounds.bottom += y - bounds.top;
    bounds.top = y;
}

VXPatcherNode::Hit VXPatcherNode::HitTest(int x, int y) const {
    if (x < bounds.left || x >= bounds.right || y < bounds.top || y >= bounds.bottom)
        return {};
    if (y <= bounds.top + 5) {
        int index = (x - bounds.left - 2) / 20;
        if (index >= inletCount)
            return {npBody, -1};
        return {npInlet, index};
    }
    if (y < bounds.bottom - 5)
        return {npBody, -1};
    int index = (x - bounds.left - 2) / 20;
    if (index >= outletCount)
        return {npBody, -1};
    return {npOutlet, index};
}

bool VXPatcherNode::Intersects(const VXPatcherRect& r) const {
    return std::max(bounds.left, r.left) < std::min(bounds.right, r.right) &&
           std::max(bounds.top, r.top) < std::min(bounds.bottom, r.bottom);
}

void VXPatcherNode::UpdateSize() {
    const QSize text = panel->NameSize(name);
    const int n = std::max(inletCount, outletCount);
    bounds.right = bounds.left + std::max(text.width() + 14, 20 * n + 4);
    bounds.bottom = bounds.top + text.height() + 14;
}

void VXPatcherNode::Draw(QPainter& p, bool focused) {
    if (sizeDirty)
        UpdateSize();
    const QPalette& pal = panel->palette();
    const bool lit = selected && focused;
    const QColor face = lit ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button);
    // Midlight outside, so that the lit edges show on a white pane.
    const QColor light = pal.color(QPalette::Midlight);
    const QColor highlight = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Shadow);
    const QColor dark = pal.color(QPalette::Dark);

    // Inlet tabs stand on the body, outlet notches hang below it.
    for (int i = 0; i < inletCount; ++i) {
        const QRect tab(bounds.left + 2 + 20 * i, bounds.top, 20, 4);
        p.fillRect(tab, face);
        p.fillRect(QRect(tab.left(), tab.top(), tab.width() - 1, 1), light);
        p.fillRect(QRect(tab.left(), tab.top(), 1, tab.height()), light);
        p.fillRect(QRect(tab.right(), tab.top(), 1, tab.height()), shadow);
    }
    for (int i = 0; i < outletCount; ++i) {
        const QRect notch = ToQRect(bounds.left + 4 + 20 * i, bounds.bottom - 4,
                                    bounds.left + 20 + 20 * i, bounds.bottom);
        p.fillRect(notch, face);
        p.fillRect(QRect(notch.left(), notch.top(), 1, notch.height()), light);
        p.fillRect(QRect(notch.left(), notch.bottom(), notch.width(), 1), shadow);
        p.fillRect(QRect(notch.right(), notch.top(), 1, notch.height()), shadow);
    }

    const QRect body = ToQRect(bounds.left, bounds.top + 4, bounds.right, bounds.bottom - 4);
    p.fillRect(body, face);
    VXDrawEdge(p, body, light, shadow);
    VXDrawEdge(p, body.adjusted(1, 1, -1, -1), lit ? face : highlight, dark);

    const QSize text = panel->NameSize(name);
    p.setPen(lit ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText));
    p.setFont(panel->font());
    p.drawText(QRect(bounds.left + 5, bounds.top + 7, text.width() + 1, text.height()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
}

void VXPatcherNode::DrawInletHighlight(QPainter& p, int i, bool on) {
    const QPalette& pal = panel->palette();
    const QRect r = ToQRect(bounds.left + 20 * i + 6, bounds.top + 1, bounds.left + 20 * i + 19,
                            bounds.top + 5);
    if (!on) {
        p.fillRect(r, pal.color(QPalette::Button));
        return;
    }
    p.fillRect(r, pal.color(QPalette::Shadow));
    VXDrawEdge(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
}

void VXPatcherNode::DrawOutletHighlight(QPainter& p, int i, bool focused, bool on) {
    const QPalette& pal = panel->palette();
    const QRect r = ToQRect(bounds.left + 20 * i + 6, bounds.bottom - 5, bounds.left + 20 * i + 19,
                            bounds.bottom - 1);
    if (!on) {
        p.fillRect(r, selected && focused ? pal.color(QPalette::Highlight)
                                          : pal.color(QPalette::Button));
        return;
    }
    p.fillRect(r, pal.color(QPalette::Shadow));
    VXDrawEdge(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
}

// ---------------------------------------------------------------------------
// VXPatcherConnection

VXPatcherConnection::VXPatcherConnection(VXPatcherNode* source, int outlet, VXPatcherNode* target,
                                         int inlet)
    : source(source), target(target), outlet(outlet), inlet(inlet) {
    UpdateAnchors();
}

VXPatcherConnection::~VXPatcherConnection() {
    if (!registered)
        return;
    Erase(source->connections, this);
    Erase(target->connections, this);
}

void VXPatcherConnection::Register() {
    if (registered)
        return;
    registered = true;
    source->connections.push_back(this);
    if (target != source)
        target->connections.push_back(this);
    UpdateAnchors();
}

void VXPatcherConnection::UpdateAnchors() {
    start = source->OutletAnchor(outlet);
    end = target->InletAnchor(inlet);
}

bool VXPatcherConnection::HitTest(int x, int y) const {
    const int x1 = start.x(), y1 = start.y(), x2 = end.x(), y2 = end.y();
    if (!((y1 < y2 && y1 - 2 < y && y < y2 + 2) || (y2 - 2 < y && y < y1 + 2)))
        return false;
    int low, high;
    if (y2 - y1 > 0) {
        const float s = static_cast<float>(x2 - x1) / static_cast<float>(y2 - y1);
        const int a = static_cast<int>(static_cast<float>(x1) + static_cast<float>(y - y1 - 2) * s);
        const int b = static_cast<int>(static_cast<float>(x1) + static_cast<float>(y - y1 + 2) * s);
        low = std::min(a, b) - 2;
        high = std::max(a, b) + 2;
    } else {
        low = std::min(x1, x2);
        high = std::max(x1, x2);
    }
    return low <= x && x <= high;
}

void VXPatcherConnection::Draw(QPainter& p, bool skipIfNodeSelected, bool focused) {
    if (skipIfNodeSelected && (source->selected || target->selected))
        return;
    const QColor ink = source->panel->palette().color(QPalette::Text);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Pixel centres, so that a one-pixel line covers whole pixels.
    if (selected && focused) {
        p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(start.x() + 0.5, start.y() + 0.5),
                   QPointF(end.x() + 0.5, end.y() + 0.5));
    } else {
        p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::SquareCap));
        p.drawLine(QPointF(start.x() + 0.5, start.y() + 0.5),
                   QPointF(end.x() + 0.5, end.y() + 1.5));
    }
    p.restore();
}

// ---------------------------------------------------------------------------
// VXPatcherPanel

VXPatcherPanel::VXPatcherPanel(QWidget* parent) : VXScrollingCanvas(parent) {
    // The pane takes the focus itself on a press, after noting whether it
    // had it (a press on empty space clears the selection only then).
    setFocusPolicy(Qt::TabFocus);
    viewport()->setMouseTracking(true);
    viewport()->setContextMenuPolicy(Qt::DefaultContextMenu);
}

VXPatcherPanel::~VXPatcherPanel() {
    while (!connections.empty()) {
        VXPatcherConnection* c = connections.front();
        if (!DeleteConnection(c))
            RemoveConnection(c);
    }
    while (!nodes.empty())
        DeleteNode(nodes.front());
}

QSize VXPatcherPanel::NameSize(const QString& name) const {
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(name), fm.height()};
}

VXPatcherNode* VXPatcherPanel::AddNode(int x, int y, const QString& name, int inletCount,
                                       int outletCount, void* data) {
    auto* node = new VXPatcherNode(this, x, y, name, inletCount, outletCount, data);
    nodes.push_back(node);
    SelectNodeAlone(node);
    Modified = true;
    UpdateExtent();
    return node;
}

VXPatcherConnection* VXPatcherPanel::AddConnection(VXPatcherNode* source, int outlet,
                                                   VXPatcherNode* target, int inlet) {
    auto* c = new VXPatcherConnection(source, outlet, target, inlet);
    c->Register();
    connections.push_back(c);
    Modified = true;
    Invalidate();
    return c;
}

void VXPatcherPanel::RemoveConnection(VXPatcherConnection* connection) {
    Erase(connections, connection);
    Erase(selectedConnections, connection);
    delete connection;
    Invalidate();
}

bool VXPatcherPanel::DeleteConnection(VXPatcherConnection* connection) {
    bool abort = false;
    emit OnDeleteConnection(connection, abort);
    Modified = true;
    if (abort)
        return false;
    RemoveConnection(connection);
    return true;
}

void VXPatcherPanel::DeleteNode(VXPatcherNode* node) {
    // A connection cannot outlive its node: one the owner wants to keep
    // still goes, or it would point at a deleted node.
    while (!node->connections.empty()) {
        VXPatcherConnection* c = node->connections.front();
        if (!DeleteConnection(c))
            RemoveConnection(c);
    }
    emit OnDeleteNode(node);
    Erase(nodes, node);
    Erase(selectedNodes, node);
    if (hoveredNode == node) {
        hoveredNode = nullptr;
        highlightedInlet = highlightedOutlet = -1;
    }
    if (pressedNode == node) {
        pressedNode = nullptr;
        dragging = false;
    }
    if (drawNode == node) {
        drawNode = nullptr;
        drawingConnection = false;
    }
    delete node;
    Modified = true;
    showingOverlay = false;
    Invalidate();
}

void VXPatcherPanel::Clear() {
    ClearSelection();
    while (!nodes.empty())
        DeleteNode(nodes.front());
    Invalidate();
}

void VXPatcherPanel::DeleteSelection() {
    const std::vector<VXPatcherConnection*> chosenConnections = selectedConnections;
    for (auto it = chosenConnections.rbegin(); it != chosenConnections.rend(); ++it)
        if (Contains(connections, *it))
            DeleteConnection(*it);
    const std::vector<VXPatcherNode*> chosenNodes = selectedNodes;
    for (auto it = chosenNodes.rbegin(); it != chosenNodes.rend(); ++it)
        if (Contains(nodes, *it))
            DeleteNode(*it);
    Invalidate();
}

void VXPatcherPanel::SelectNode(VXPatcherNode* node) {
    if (node->selected)
        return;
    node->selected = true;
    selectedNodes.push_back(node);
    Invalidate();
}

void VXPatcherPanel::DeselectNode(VXPatcherNode* node) {
    if (!node->selected)
        return;
    node->selected = false;
    Erase(selectedNodes, node);
    Invalidate();
}

void VXPatcherPanel::SelectConnection(VXPatcherConnection* connection) {
    if (connection->selected)
        return;
    connection->selected = true;
    selectedConnections.push_back(connection);
    Invalidate();
}

void VXPatcherPanel::DeselectConnection(VXPatcherConnection* connection) {
    if (!connection->selected)
        return;
    connection->selected = false;
    Erase(selectedConnections, connection);
    Invalidate();
}

void VXPatcherPanel::ClearSelection() {
    for (VXPatcherNode* n : selectedNodes)
        n->selected = false;
    for (VXPatcherConnection* c : selectedConnections)
        c->selected = false;
    selectedNodes.clear();
    selectedConnections.clear();
    Invalidate();
}

void VXPatcherPanel::SelectNodeAlone(VXPatcherNode* node) {
    ClearSelection();
    SelectNode(node);
}

void VXPatcherPanel::SelectAll() {
    ClearSelection();
    for (VXPatcherNode* n : nodes)
        SelectNode(n);
}

int VXPatcherPanel::NodeIndexAt(int x, int y) const {
    for (int i = 0; i < NodeCount(); ++i)
        if (nodes[i]->HitTest(x, y).part != VXPatcherNode::npNone)
            return i;
    return -1;
}

VXPatcherNode* VXPatcherPanel::TopmostNodeAt(int x, int y, VXPatcherNode::Hit* hit) const {
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const VXPatcherNode::Hit h = (*it)->HitTest(x, y);
        if (h.part != VXPatcherNode::npNone) {
            *hit = h;
            return *it;
        }
    }
    *hit = {};
    return nullptr;
}

bool VXPatcherPanel::IsInletConnected(const VXPatcherNode* node, int inlet) const {
    return std::any_of(
        node->connections.begin(), node->connections.end(),
        [&](const VXPatcherConnection* c) { return c->target == node && c->inlet == inlet; });
}

void VXPatcherPanel::UpdateExtent() {
    if (nodes.empty()) {
        SetExtent(0, 0, 0, 0);
    } else {
        VXPatcherRect u = nodes.front()->bounds;
        for (const VXPatcherNode* n : nodes) {
            u.left = std::min(u.left, n->bounds.left);
            u.top = std::min(u.top, n->bounds.top);
            u.right = std::max(u.right, n->bounds.right);
            u.bottom = std::max(u.bottom, n->bounds.bottom);
        }
        SetExtent(u.left - 3, u.top - 3, u.right + 3, u.bottom + 3);
    }
    Invalidate();
}

bool VXPatcherPanel::Focused() const {
    return hasFocus();
}

// ---------------------------------------------------------------------------
// Drawing

void VXPatcherPanel::EnsureBuffers() {
    const QSize client(std::max(1, ClientWidth()), std::max(1, ClientHeight()));
    const qreal ratio = VXPixelRatio(viewport());
    const QSizeF have = background.isNull() ? QSizeF() : background.deviceIndependentSize();
    if (background.isNull() || have.width() < client.width() || have.height() < client.height() ||
        background.devicePixelRatio() != ratio) {
        background = VXMakeImage(client, ratio);
        overlay = VXMakeImage(client, ratio);
    }
}

void VXPatcherPanel::RenderBackground(bool skipSelected) {
    EnsureBuffers();
    const bool focused = Focused();
    QPainter p(&background);
    p.fillRect(QRectF(QPointF(0, 0), background.deviceIndependentSize()),
               palette().color(QPalette::Base));
    p.setFont(font());
    for (VXPatcherNode* n : nodes)
        if (!(skipSelected && n->selected))
            n->Draw(p, focused);
    for (VXPatcherConnection* c : connections)
        c->Draw(p, skipSelected, focused);
    if (!(skipSelected && hoveredNode && hoveredNode->selected))
        DrawHighlights(p);
    backgroundDirty = false;
}

void VXPatcherPanel::DrawHighlights(QPainter& p) {
    if (!hoveredNode)
        return;
    if (highlightedInlet >= 0)
        hoveredNode->DrawInletHighlight(p, highlightedInlet, true);
    if (highlightedOutlet >= 0)
        hoveredNode->DrawOutletHighlight(p, highlightedOutlet, Focused(), true);
}

void VXPatcherPanel::Invalidate() {
    backgroundDirty = true;
    viewport()->update();
}

const QImage& VXPatcherPanel::Background() {
    if (backgroundDirty || background.isNull())
        RenderBackground(dragging);
    return background;
}

void VXPatcherPanel::ShowBackground() {
    showingOverlay = false;
    viewport()->update();
}

void VXPatcherPanel::ShowOverlay() {
    showingOverlay = true;
    viewport()->update();
}

void VXPatcherPanel::ComposeDragOverlay() {
    const QImage& bg = Background();
    overlay = bg.copy();
    QPainter p(&overlay);
    p.setFont(font());
    const bool focused = Focused();
    for (VXPatcherNode* n : selectedNodes) {
        n->Draw(p, focused);
        for (VXPatcherConnection* c : n->connections) {
            c->UpdateAnchors();
            c->Draw(p, false, focused);
        }
    }
    ShowOverlay();
}

void VXPatcherPanel::PaintContent(QPainter& painter) {
    const QImage& picture = showingOverlay ? overlay : Background();
    painter.drawImage(QPointF(0, 0), picture);
    if (!rubberBanding)
        return;
    // The band is inverted onto whatever lies below it, so it shows on any
    // background.
    const QRect r = ToQRect(rubberRect.left, rubberRect.top, rubberRect.right, rubberRect.bottom);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor grey(128, 128, 128);
    if (r.width() <= 0 || r.height() <= 0) {
        painter.fillRect(QRect(r.left(), r.top(), std::max(1, r.width()), std::max(1, r.height())),
                         grey);
        return;
    }
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), grey);
    if (r.height() > 1)
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), grey);
    if (r.height() > 2) {
        painter.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), grey);
        if (r.width() > 1)
            painter.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), grey);
    }
}

void VXPatcherPanel::ScrollContent(int dx, int dy) {
    if (nodes.empty())
        return;
    for (VXPatcherNode* n : nodes) {
        n->SetLeft(n->bounds.left + dx);
        n->SetTop(n->bounds.top + dy);
    }
    for (VXPatcherConnection* c : connections)
        c->UpdateAnchors();
    SetExtent(contentLeft + dx, contentTop + dy, contentRight + dx, contentBottom + dy);
    RenderBackground(false);
    ShowBackground();
}

void VXPatcherPanel::ContentChanged() {
    UpdateExtent();
}

void VXPatcherPanel::focusInEvent(QFocusEvent* event) {
    VXScrollingCanvas::focusInEvent(event);
    Invalidate();
}

void VXPatcherPanel::focusOutEvent(QFocusEvent* event) {
    VXScrollingCanvas::focusOutEvent(event);
    Invalidate();
}

void VXPatcherPanel::changeEvent(QEvent* event) {
    VXScrollingCanvas::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange)
        Invalidate();
}

// ---------------------------------------------------------------------------
// Mouse and keys

void VXPatcherPanel::LeftPress(QPoint point, Qt::KeyboardModifiers modifiers) {
    lastPoint = point;
    moved = false;
    rubberBanding = false;
    const bool hadFocus = hasFocus();
    if (!hadFocus)
        setFocus(Qt::MouseFocusReason);
    const bool shift = modifiers & Qt::ShiftModifier;

    VXPatcherNode::Hit hit;
    if (VXPatcherNode* node = TopmostNodeAt(point.x(), point.y(), &hit)) {
        Erase(nodes, node);
        nodes.push_back(node);
        Invalidate();
        if (shift) {
            if (node->selected && selectedNodes.size() >= 2)
                DeselectNode(node);
            else
                SelectNode(node);
            ShowBackground();
            return;
        }
        switch (hit.part) {
        case VXPatcherNode::npInlet:
        case VXPatcherNode::npOutlet:
            ClearSelection();
            drawingConnection = true;
            fromOutlet = hit.part == VXPatcherNode::npOutlet;
            drawStart = fromOutlet ? node->OutletAnchor(hit.index) : node->InletAnchor(hit.index);
            drawNode = node;
            drawPort = hit.index;
            ShowBackground();
            break;
        default:
            if (!node->selected)
                SelectNodeAlone(node);
            pressedNode = node;
            dragging = true;
            RenderBackground(true);
            ComposeDragOverlay();
            break;
        }
        return;
    }

    for (VXPatcherConnection* c : connections) {
        if (!c->HitTest(point.x(), point.y()))
            continue;
        if (!shift) {
            ClearSelection();
            SelectConnection(c);
        } else if (c->selected) {
            DeselectConnection(c);
        } else {
            SelectConnection(c);
        }
        ShowBackground();
        return;
    }

    rubberBanding = true;
    rubberAnchor = point;
    rubberRect = {point.x(), point.y(), point.x(), point.y()};
    if (hadFocus)
        ClearSelection();
    ShowBackground();
}

void VXPatcherPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint point = PointOf(event);
    if (event->button() == Qt::LeftButton)
        LeftPress(point, event->modifiers());
    emit OnMouseDown(event->button(), event->modifiers(), point.x(), point.y());
}

void VXPatcherPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit OnDblClick();
}

void VXPatcherPanel::contextMenuEvent(QContextMenuEvent* event) {
    if (PopupMenu)
        PopupMenu->popup(event->globalPos());
}

void VXPatcherPanel::SwitchHighlightsOff() {
    if (highlightedInlet >= 0 || highlightedOutlet >= 0)
        Invalidate();
    highlightedInlet = -1;
    highlightedOutlet = -1;
}

void VXPatcherPanel::Hover(QPoint point) {
    VXPatcherNode::Hit hit;
    VXPatcherNode* node = TopmostNodeAt(point.x(), point.y(), &hit);
    if (!node || hit.part == VXPatcherNode::npBody) {
        SwitchHighlightsOff();
    } else if (hit.part == VXPatcherNode::npInlet) {
        // A port is offered only where a connection could end: never on the
        // node the drawing started from, and only of the other kind. A port
        // that is not offered takes the highlight away, so that a jump from
        // an offered port straight onto a refused one cannot connect there.
        if (drawingConnection && !(fromOutlet && node != drawNode)) {
            SwitchHighlightsOff();
        } else if (node != hoveredNode || hit.index != highlightedInlet) {
            SwitchHighlightsOff();
            highlightedInlet = hit.index;
            Invalidate();
        }
    } else {
        if (drawingConnection && !(!fromOutlet && node != drawNode)) {
            SwitchHighlightsOff();
        } else if (node != hoveredNode || hit.index != highlightedOutlet) {
            SwitchHighlightsOff();
            highlightedOutlet = hit.index;
            Invalidate();
        }
    }
    hoveredNode = node;
}

void VXPatcherPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = PointOf(event);
    if (point != lastPoint)
        moved = true;
    if (dragging) {
        const QPoint delta = point - lastPoint;
        if (delta != QPoint(0, 0) && !selectedNodes.empty()) {
            for (VXPatcherNode* n : selectedNodes) {
                n->SetLeft(n->bounds.left + delta.x());
                n->SetTop(n->bounds.top + delta.y());
            }
            Modified = true;
            ComposeDragOverlay();
        }
    } else if (rubberBanding) {
        rubberRect = {std::min(rubberAnchor.x(), point.x()), std::min(rubberAnchor.y(), point.y()),
                      std::max(rubberAnchor.x(), point.x()), std::max(rubberAnchor.y(), point.y())};
        for (VXPatcherNode* n : nodes) {
            if (n->Intersects(rubberRect))
                SelectNode(n);
            else
                DeselectNode(n);
        }
        viewport()->update();
    } else {
        Hover(point);
        if (drawingConnection) {
            overlay = Background().copy();
            QPainter p(&overlay);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(palette().color(QPalette::Text), 1.0));
            p.drawLine(QPointF(drawStart) + QPointF(0.5, 0.5), QPointF(point) + QPointF(0.5, 0.5));
            ShowOverlay();
        } else {
            ShowBackground();
        }
    }
    lastPoint = point;
    emit OnMouseMove(event->modifiers(), point.x(), point.y());
}

void VXPatcherPanel::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = PointOf(event);
    if (event->button() == Qt::LeftButton) {
        if (dragging) {
            if (!moved && !(event->modifiers() & Qt::ShiftModifier) && pressedNode)
                SelectNodeAlone(pressedNode);
            dragging = false;
            pressedNode = nullptr;
            RenderBackground(false);
            ShowBackground();
        } else if (drawingConnection) {
            drawingConnection = false;
            VXPatcherConnection* c = nullptr;
            if (hoveredNode && hoveredNode != drawNode) {
                if (fromOutlet && highlightedInlet >= 0)
                    c = new VXPatcherConnection(drawNode, drawPort, hoveredNode, highlightedInlet);
                else if (!fromOutlet && highlightedOutlet >= 0)
                    c = new VXPatcherConnection(hoveredNode, highlightedOutlet, drawNode, drawPort);
            }
            if (c) {
                bool abort = false;
                emit OnCreateConnection(c, abort);
                if (abort) {
                    delete c;
                } else {
                    c->Register();
                    connections.push_back(c);
                    Modified = true;
                }
            }
            drawNode = nullptr;
            RenderBackground(false);
            ShowBackground();
        } else if (rubberBanding) {
            rubberBanding = false;
            ShowBackground();
        }
    }
    emit OnMouseUp(event->button(), event->modifiers(), point.x(), point.y());
    if (event->button() == Qt::LeftButton && viewport()->rect().contains(point))
        emit OnClick();
    UpdateExtent();
}

void VXPatcherPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        DeleteSelection();
        return;
    }
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        SelectAll();
        return;
    }
    VXScrollingCanvas::keyPressEvent(event);
}
