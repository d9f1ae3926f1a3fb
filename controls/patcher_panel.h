#pragma once

// The patcher pane: one box (node) per contraption with its inlets as tabs
// along the top edge and its outlets as notches along the bottom edge, and
// one straight line per connection from an outlet to an inlet.
//
// The pane knows nothing about audio. It tells its owner through signals
// that a connection was drawn (the owner may refuse it) or that a connection
// or a node is being deleted, and the owner does the work.
//
// Drawing goes through two off-screen buffers of the client size. The
// background holds the static picture; a gesture renders it once when it
// starts (leaving out what moves), and each mouse move only copies it to the
// overlay and draws the moving nodes, their connections or the rubber line
// on top, so dragging stays smooth however large the patch is.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

#include "controls/scrolling_canvas.h"

class QMenu;
class QPainter;
class VXPatcherConnection;
class VXPatcherPanel;

// A rectangle whose right and bottom edges are exclusive.
struct VXPatcherRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const VXPatcherRect&) const = default;
};

class VXPatcherNode {
public:
    enum Part { npNone, npBody, npInlet, npOutlet };
    struct Hit {
        Part part = npNone;
        int index = -1;
    };

    VXPatcherNode(VXPatcherPanel* panel, int x, int y, const QString& name, int inletCount,
                  int outletCount, void* data);
    VXPatcherNode(const VXPatcherNode&) = delete;
    VXPatcherNode& operator=(const VXPatcherNode&) = delete;

    // Every connection that starts or ends here.
    std::vector<VXPatcherConnection*> connections;
    // The size follows the name each time the node is drawn.
    bool sizeDirty = true;
    VXPatcherPanel* panel;
    QString name;
    int inletCount;
    int outletCount;
    // The owner's object for the node.
    void* data;
    bool selected = false;
    VXPatcherRect bounds;

    void SetLeft(int x);
    void SetTop(int y);
    QPoint InletAnchor(int i) const { return {bounds.left + 20 * i + 12, bounds.top - 1}; }
    QPoint OutletAnchor(int i) const { return {bounds.left + 20 * i + 12, bounds.bottom}; }
    Hit HitTest(int x, int y) const;
    // True when the node and `r` overlap with a positive area.
    bool Intersects(const VXPatcherRect& r) const;
    // Recomputes the bounds from the name in the pane's font.
    void UpdateSize();
    void Draw(QPainter& p, bool focused);
    void DrawInletHighlight(QPainter& p, int i, bool on);
    void DrawOutletHighlight(QPainter& p, int i, bool focused, bool on);
};

class VXPatcherConnection {
public:
    VXPatcherConnection(VXPatcherNode* source, int outlet, VXPatcherNode* target, int inlet);
    // Leaves both nodes' lists.
    ~VXPatcherConnection();
    VXPatcherConnection(const VXPatcherConnection&) = delete;
    VXPatcherConnection& operator=(const VXPatcherConnection&) = delete;

    bool selected = false;
    VXPatcherNode* source;
    VXPatcherNode* target;
    int outlet;
    int inlet;
    // The outlet and inlet anchors.
    QPoint start;
    QPoint end;
    bool registered = false;

    // Once: joins both nodes' lists, then places the anchors.
    void Register();
    void UpdateAnchors();
    bool HitTest(int x, int y) const;
    void Draw(QPainter& p, bool skipIfNodeSelected, bool focused);
};

class VXPatcherPanel : public VXScrollingCanvas {
    Q_OBJECT
public:
    explicit VXPatcherPanel(QWidget* parent = nullptr);
    // Deletes every connection and then every node, raising their signals.
    ~VXPatcherPanel() override;

    // Set by adding, deleting and dragging; cleared only by the owner.
    bool Modified = false;
    QMenu* PopupMenu = nullptr;

    VXPatcherNode* Nodes(int i) const { return nodes[i]; }
    int NodeCount() const { return static_cast<int>(nodes.size()); }
    VXPatcherConnection* Connections(int i) const { return connections[i]; }
    int ConnectionCount() const { return static_cast<int>(connections.size()); }
    const std::vector<VXPatcherNode*>& SelectedNodes() const { return selectedNodes; }
    const std::vector<VXPatcherConnection*>& SelectedConnections() const {
        return selectedConnections;
    }

    // Creates a node with its top left corner at (x, y) as the only
    // selected node.
    VXPatcherNode* AddNode(int x, int y, const QString& name, int inletCount, int outletCount,
                           void* data);
    // Records a connection the owner has already made; raises no signal.
    VXPatcherConnection* AddConnection(VXPatcherNode* source, int outlet, VXPatcherNode* target,
                                       int inlet);
    void DeleteNode(VXPatcherNode* node);
    // False when the owner refused (OnDeleteConnection set abort).
    bool DeleteConnection(VXPatcherConnection* connection);
    void Clear();
    void DeleteSelection();
    void SelectAll();
    void ClearSelection();
    void SelectNodeAlone(VXPatcherNode* node);
    void SelectNode(VXPatcherNode* node);
    void DeselectNode(VXPatcherNode* node);
    void SelectConnection(VXPatcherConnection* connection);
    void DeselectConnection(VXPatcherConnection* connection);

    // The first node in list order that the point hits, or -1.
    int NodeIndexAt(int x, int y) const;
    bool IsInletConnected(const VXPatcherNode* node, int inlet) const;
    // The union of the nodes' bounds, 3 pixels wider on every side.
    void UpdateExtent();

    // The size of a node's name in the pane's font.
    virtual QSize NameSize(const QString& name) const;

signals:
    void OnDeleteNode(VXPatcherNode* node);
    // Set abort to refuse the connection; the pane then shows no trace of it.
    void OnCreateConnection(VXPatcherConnection* connection, bool& abort);
    // Set abort to keep the connection.
    void OnDeleteConnection(VXPatcherConnection* connection, bool& abort);
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void OnMouseMove(Qt::KeyboardModifiers modifiers, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void PaintContent(QPainter& painter) override;
    void ScrollContent(int dx, int dy) override;
    void ContentChanged() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class VXPatcherNode;
    friend class VXPatcherConnection;

    void RenderBackground(bool skipSelected);
    // Marks the background for rendering at the next paint.
    void Invalidate();
    const QImage& Background();
    void EnsureBuffers();
    void ComposeDragOverlay();
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Shows the background, or the overlay while a gesture draws on it.
    void ShowBackground();
    void ShowOverlay();
    void LeftPress(QPoint point, Qt::KeyboardModifiers modifiers);
    void Hover(QPoint point);
    void SwitchHighlightsOff();
    void DrawHighlights(QPainter& p);
    void RemoveConnection(VXPatcherConnection* connection);
    VXPatcherNode* TopmostNodeAt(int x, int y, VXPatcherNode::Hit* hit) const;
    bool Focused() const;

    std::vector<VXPatcherNode*> nodes;
    std::vector<VXPatcherConnection*> connections;
    std::vector<VXPatcherNode*> selectedNodes;
    std::vector<VXPatcherConnection*> selectedConnections;
    QImage background;
    QImage overlay;
    bool backgroundDirty = true;
    bool showingOverlay = false;

    QPoint lastPoint;
    VXPatcherNode* pressedNode = nullptr;
    bool dragging = false;
    bool moved = false;
    bool rubberBanding = false;
    QPoint rubberAnchor;
    VXPatcherRect rubberRect;
    bool drawingConnection = false;
    QPoint drawStart;
    VXPatcherNode* drawNode = nullptr;
    int drawPort = -1;
    bool fromOutlet = false;
    VXPatcherNode* hoveredNode = nullptr;
    int highlightedInlet = -1;
    int highlightedOutlet = -1;
};
