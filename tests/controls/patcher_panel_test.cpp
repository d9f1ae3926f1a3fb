#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "controls/patcher_panel.h"
#include "events.h"

namespace {

// Names measure 52 x 13 pixels whatever the installed fonts, so that the
// geometry can be checked to the pixel.
class FixedFontPatcher : public VXPatcherPanel {
public:
    using VXPatcherPanel::VXPatcherPanel;
    QSize NameSize(const QString&) const override { return {52, 13}; }
};

class PatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(400, 300);
        panel = new FixedFontPatcher(&window);
        panel->setGeometry(0, 0, 400, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        panel->setFocus();
    }

    QWidget* View() { return panel->viewport(); }
    void Press(QPoint at, Qt::KeyboardModifiers m = {}) {
        QTest::mousePress(View(), Qt::LeftButton, m, at);
    }
    void Move(QPoint at) { QTest::mouseMove(View(), at); }
    void Release(QPoint at, Qt::KeyboardModifiers m = {}) {
        QTest::mouseRelease(View(), Qt::LeftButton, m, at);
    }
    void Click(QPoint at, Qt::KeyboardModifiers m = {}) {
        Press(at, m);
        Release(at, m);
    }
    // A press at `from`, moves in steps of at most 5 pixels, a release.
    void DragTo(QPoint from, QPoint to) {
        Press(from);
        QPoint at = from;
        while (at != to) {
            at.rx() += std::clamp(to.x() - at.x(), -5, 5);
            at.ry() += std::clamp(to.y() - at.y(), -5, 5);
            Move(at);
        }
        Release(to);
    }
    QImage Picture() { return View()->grab().toImage(); }

    static QPoint Body(const VXPatcherNode* n) {
        return {n->bounds.left + 8, (n->bounds.top + n->bounds.bottom) / 2};
    }
    static QPoint Inlet(const VXPatcherNode* n, int i) {
        return {n->bounds.left + 20 * i + 12, n->bounds.top + 2};
    }
    static QPoint Outlet(const VXPatcherNode* n, int i) {
        return {n->bounds.left + 20 * i + 12, n->bounds.bottom - 2};
    }

    QWidget window;
    FixedFontPatcher* panel = nullptr;
};

TEST_F(PatcherTest, NodeGeometryAndHitTest) {
    VXPatcherNode* n = panel->AddNode(100, 50, "RingAM_1", 2, 1, nullptr);
    EXPECT_EQ(n->bounds, (VXPatcherRect{100, 50, 166, 77}));
    EXPECT_EQ(n->InletAnchor(1), QPoint(132, 49));
    EXPECT_EQ(n->OutletAnchor(0), QPoint(112, 77));

    struct Case {
        int x, y;
        VXPatcherNode::Part part;
        int index;
    };
    const Case cases[] = {
        {125, 53, VXPatcherNode::npInlet, 1},  // 3 pixels below the top
        {145, 53, VXPatcherNode::npBody, -1},  // index 2, but only 2 inlets
        {100, 50, VXPatcherNode::npInlet, 0},  // the top left corner
        {110, 55, VXPatcherNode::npInlet, 0},  // the last row of the inlet zone
        {110, 56, VXPatcherNode::npBody, -1},  // the first row of the body
        {110, 71, VXPatcherNode::npBody, -1},  // the last row of the body
        {112, 72, VXPatcherNode::npOutlet, 0}, // the outlet zone
        {140, 76, VXPatcherNode::npBody, -1},  // outlet index 1 of 1 outlet
        {165, 76, VXPatcherNode::npBody, -1},  // the bottom right pixel
        {166, 60, VXPatcherNode::npNone, -1},  // right edge is exclusive
        {120, 77, VXPatcherNode::npNone, -1},  // bottom edge is exclusive
        {99, 60, VXPatcherNode::npNone, -1},   {120, 49, VXPatcherNode::npNone, -1},
    };
    for (const Case& c : cases) {
        const VXPatcherNode::Hit hit = n->HitTest(c.x, c.y);
        EXPECT_EQ(hit.part, c.part) << c.x << "," << c.y;
        if (c.part == VXPatcherNode::npInlet || c.part == VXPatcherNode::npOutlet) {
            EXPECT_EQ(hit.index, c.index) << c.x << "," << c.y;
        }
    }
    EXPECT_EQ(panel->NodeIndexAt(125, 53), 0);
    EXPECT_EQ(panel->NodeIndexAt(166, 60), -1);
}

TEST_F(PatcherTest, PressOnAnInletDrawsAConnectionIntoThatInlet) {
    VXPatcherNode* source = panel->AddNode(20, 150, "TestSig_1", 0, 1, nullptr);
    VXPatcherNode* ring = panel->AddNode(100, 50, "RingAM_1", 2, 1, nullptr);
    std::vector<VXPatcherConnection*> offered;
    QObject scope; // ends the handlers below before what they capture
    QObject::connect(panel, &VXPatcherPanel::OnCreateConnection, &scope,
                     [&](VXPatcherConnection* c, bool&) { offered.push_back(c); });
    panel->Modified = false;

    // x = 125 lies over inlet 1 (x = 145 would be the body).
    DragTo({125, 53}, Outlet(source, 0));
    ASSERT_EQ(offered.size(), 1u);
    ASSERT_EQ(panel->ConnectionCount(), 1);
    const VXPatcherConnection* c = panel->Connections(0);
    EXPECT_EQ(c, offered[0]);
    EXPECT_EQ(c->source, source);
    EXPECT_EQ(c->outlet, 0);
    EXPECT_EQ(c->target, ring);
    EXPECT_EQ(c->inlet, 1);
    EXPECT_EQ(c->start, QPoint(32, 177));
    EXPECT_EQ(c->end, QPoint(132, 49));
    EXPECT_TRUE(c->registered);
    EXPECT_EQ(source->connections.size(), 1u);
    EXPECT_EQ(ring->connections.size(), 1u);
    EXPECT_TRUE(panel->IsInletConnected(ring, 1));
    EXPECT_FALSE(panel->IsInletConnected(ring, 0));
    EXPECT_TRUE(panel->Modified);

    // And from an outlet to an inlet.
    DragTo(Outlet(source, 0), Inlet(ring, 0));
    ASSERT_EQ(panel->ConnectionCount(), 2);
    EXPECT_EQ(panel->Connections(1)->target, ring);
    EXPECT_EQ(panel->Connections(1)->inlet, 0);

    // A press on the body at x = 145 drags instead of drawing.
    const VXPatcherRect before = ring->bounds;
    DragTo({145, 53}, {155, 63});
    EXPECT_EQ(panel->ConnectionCount(), 2);
    EXPECT_EQ(ring->bounds.left, before.left + 10);
    EXPECT_EQ(panel->Connections(0)->end, QPoint(142, 59));
}

TEST_F(PatcherTest, ShiftClickSelection) {
    VXPatcherNode* a = panel->AddNode(10, 10, "A", 1, 1, nullptr);
    VXPatcherNode* b = panel->AddNode(10, 100, "B", 1, 1, nullptr);
    VXPatcherNode* c = panel->AddNode(10, 200, "C", 1, 1, nullptr);
    Click(Body(a));
    ASSERT_EQ(panel->SelectedNodes(), std::vector<VXPatcherNode*>{a});

    // The only selected node stays selected.
    Click(Body(a), Qt::ShiftModifier);
    EXPECT_EQ(panel->SelectedNodes(), std::vector<VXPatcherNode*>{a});
    Click(Body(b), Qt::ShiftModifier);
    Click(Body(c), Qt::ShiftModifier);
    EXPECT_EQ(panel->SelectedNodes(), (std::vector<VXPatcherNode*>{a, b, c}));
    // One of several is taken out.
    Click(Body(b), Qt::ShiftModifier);
    EXPECT_EQ(panel->SelectedNodes(), (std::vector<VXPatcherNode*>{a, c}));
    EXPECT_FALSE(b->selected);
    // The node pressed goes on top of the drawing order.
    EXPECT_EQ(panel->Nodes(panel->NodeCount() - 1), b);

    QTest::keyClick(panel, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(panel->SelectedNodes().size(), 3u);
}

TEST_F(PatcherTest, DraggingMovesEverySelectedNodeAndAClickSelectsOne) {
    VXPatcherNode* a = panel->AddNode(10, 10, "A", 1, 1, nullptr);
    VXPatcherNode* b = panel->AddNode(100, 100, "B", 1, 1, nullptr);
    VXPatcherNode* c = panel->AddNode(200, 40, "C", 1, 1, nullptr);
    VXPatcherConnection* ab = panel->AddConnection(a, 0, b, 0);
    panel->SelectAll();
    panel->Modified = false;

    DragTo(Body(b), Body(b) + QPoint(30, 20));
    EXPECT_EQ(a->bounds.left, 40);
    EXPECT_EQ(a->bounds.top, 30);
    EXPECT_EQ(b->bounds.left, 130);
    EXPECT_EQ(b->bounds.top, 120);
    EXPECT_EQ(c->bounds.left, 230);
    EXPECT_EQ(c->bounds.top, 60);
    EXPECT_EQ(ab->start, a->OutletAnchor(0));
    EXPECT_EQ(ab->end, b->InletAnchor(0));
    EXPECT_EQ(panel->SelectedNodes().size(), 3u);
    EXPECT_TRUE(panel->Modified);

    // A click without movement leaves only the clicked node selected.
    Click(Body(c));
    EXPECT_EQ(panel->SelectedNodes(), std::vector<VXPatcherNode*>{c});
    EXPECT_EQ(c->bounds.left, 230);

    // The pane shows what it holds: after the drag the picture is the one a
    // fresh pane with the nodes at their new places draws.
    FixedFontPatcher fresh(&window);
    fresh.setGeometry(panel->geometry());
    fresh.show();
    VXPatcherNode* fa = fresh.AddNode(40, 30, "A", 1, 1, nullptr);
    VXPatcherNode* fb = fresh.AddNode(130, 120, "B", 1, 1, nullptr);
    VXPatcherNode* fc = fresh.AddNode(230, 60, "C", 1, 1, nullptr);
    fresh.AddConnection(fa, 0, fb, 0);
    fresh.SelectNodeAlone(fc);
    fresh.setFocus();
    const QImage expected = fresh.viewport()->grab().toImage();
    fresh.hide();
    panel->setFocus();
    EXPECT_EQ(Picture(), expected);
}

TEST_F(PatcherTest, RubberBandSelectsOnlyWhatItCovers) {
    VXPatcherNode* n = panel->AddNode(100, 50, "RingAM_1", 2, 1, nullptr);
    panel->ClearSelection();

    // Grazing the right edge (x = 166 is outside) covers no area.
    DragTo({166, 20}, {220, 120});
    EXPECT_FALSE(n->selected);
    EXPECT_TRUE(panel->SelectedNodes().empty());
    // Grazing the bottom edge likewise.
    DragTo({90, 77}, {220, 120});
    EXPECT_FALSE(n->selected);

    // One pixel of overlap selects, from either corner.
    DragTo({220, 120}, {165, 76});
    EXPECT_TRUE(n->selected);

    // Shrinking the band again while dragging deselects.
    Press({220, 120});
    Move({160, 70});
    EXPECT_TRUE(n->selected);
    Move({200, 70});
    EXPECT_FALSE(n->selected);
    Release({200, 70});

    // The band leaves nothing behind on the screen.
    panel->ClearSelection();
    const QImage before = Picture();
    Press({300, 200});
    Move({350, 250});
    EXPECT_NE(Picture(), before);
    Release({350, 250});
    EXPECT_EQ(Picture(), before);
}

TEST_F(PatcherTest, DeletingANodeDeletesItsConnectionsFirst) {
    VXPatcherNode* a = panel->AddNode(10, 10, "A", 0, 1, nullptr);
    VXPatcherNode* b = panel->AddNode(100, 100, "B", 2, 1, nullptr);
    VXPatcherNode* c = panel->AddNode(10, 200, "C", 1, 0, nullptr);
    panel->AddConnection(a, 0, b, 0);
    panel->AddConnection(b, 0, c, 0);
    VXPatcherConnection* ac = panel->AddConnection(a, 0, c, 0);

    std::vector<std::string> events;
    QObject scope; // ends the handlers below before what they capture
    QObject::connect(panel, &VXPatcherPanel::OnDeleteConnection, &scope,
                     [&](VXPatcherConnection* conn, bool&) {
                         events.push_back("connection " + conn->source->name.toStdString() + ">" +
                                          conn->target->name.toStdString());
                     });
    QObject::connect(panel, &VXPatcherPanel::OnDeleteNode, &scope, [&](VXPatcherNode* node) {
        EXPECT_TRUE(node->connections.empty());
        events.push_back("node " + node->name.toStdString());
    });

    Click(Body(b));
    panel->Modified = false;
    QTest::keyClick(panel, Qt::Key_Delete);
    EXPECT_EQ(events, (std::vector<std::string>{"connection A>B", "connection B>C", "node B"}));
    EXPECT_EQ(panel->NodeCount(), 2);
    EXPECT_EQ(panel->ConnectionCount(), 1);
    EXPECT_EQ(a->connections, std::vector<VXPatcherConnection*>{ac});
    EXPECT_EQ(c->connections, std::vector<VXPatcherConnection*>{ac});
    EXPECT_TRUE(panel->SelectedNodes().empty());
    EXPECT_TRUE(panel->Modified);
}

TEST_F(PatcherTest, ARefusedDeletionKeepsTheConnectionUnlessItsNodeGoes) {
    VXPatcherNode* a = panel->AddNode(10, 10, "A", 0, 1, nullptr);
    VXPatcherNode* b = panel->AddNode(10, 150, "B", 1, 0, nullptr);
    VXPatcherConnection* ab = panel->AddConnection(a, 0, b, 0);
    QObject scope; // ends the handlers below before what they capture
    QObject::connect(panel, &VXPatcherPanel::OnDeleteConnection, &scope,
                     [&](VXPatcherConnection*, bool& abort) { abort = true; });

    panel->ClearSelection();
    Click({(ab->start.x() + ab->end.x()) / 2, (ab->start.y() + ab->end.y()) / 2});
    ASSERT_EQ(panel->SelectedConnections(), std::vector<VXPatcherConnection*>{ab});
    QTest::keyClick(panel, Qt::Key_Delete);
    EXPECT_EQ(panel->ConnectionCount(), 1);

    // The node goes, and its connection cannot stay behind pointing at it.
    panel->DeleteNode(a);
    EXPECT_EQ(panel->ConnectionCount(), 0);
    EXPECT_TRUE(b->connections.empty());
    EXPECT_TRUE(panel->SelectedConnections().empty());
}

TEST_F(PatcherTest, ARefusedConnectionLeavesNoTrace) {
    VXPatcherNode* a = panel->AddNode(20, 20, "A", 0, 1, nullptr);
    VXPatcherNode* b = panel->AddNode(150, 150, "B", 2, 1, nullptr);
    panel->ClearSelection();
    int offers = 0;
    QObject scope; // ends the handlers below before what they capture
    QObject::connect(panel, &VXPatcherPanel::OnCreateConnection, &scope,
                     [&](VXPatcherConnection* c, bool& abort) {
                         ++offers;
                         EXPECT_EQ(c->source, a);
                         EXPECT_EQ(c->target, b);
                         EXPECT_EQ(c->inlet, 1);
                         abort = true;
                     });
    Move({300, 20});
    const QImage before = Picture();
    panel->Modified = false;

    Press(Outlet(a, 0));
    Move(Outlet(a, 0) + QPoint(20, 20));
    EXPECT_NE(Picture(), before); // the rubber line
    Move(Inlet(b, 1));
    Release(Inlet(b, 1));
    // Away from the inlet again (not to the very same point: the platform
    // drops a move that does not change the pointer's place).
    Move({300, 30});

    EXPECT_EQ(offers, 1);
    EXPECT_EQ(panel->ConnectionCount(), 0);
    EXPECT_TRUE(a->connections.empty());
    EXPECT_TRUE(b->connections.empty());
    EXPECT_FALSE(panel->Modified);
    EXPECT_EQ(Picture(), before);
}

TEST_F(PatcherTest, NoConnectionFromANodeToItself) {
    VXPatcherNode* a = panel->AddNode(20, 20, "A", 2, 2, nullptr);
    VXPatcherNode* b = panel->AddNode(150, 20, "B", 2, 2, nullptr);
    int offers = 0;
    QObject scope; // ends the handlers below before what they capture
    QObject::connect(panel, &VXPatcherPanel::OnCreateConnection, &scope,
                     [&](VXPatcherConnection*, bool&) { ++offers; });

    // Straight from its outlet to its own inlet.
    Press(Outlet(a, 0));
    Move(Inlet(a, 1));
    Release(Inlet(a, 1));
    // Over another node's inlet first, then straight onto its own.
    Press(Outlet(a, 0));
    Move(Inlet(b, 0));
    Move(Inlet(a, 1));
    Release(Inlet(a, 1));
    // Outlet to outlet of another node.
    Press(Outlet(a, 0));
    Move(Outlet(b, 1));
    Release(Outlet(b, 1));

    EXPECT_EQ(offers, 0);
    EXPECT_EQ(panel->ConnectionCount(), 0);
}

TEST_F(PatcherTest, ConnectionHitTest) {
    VXPatcherNode* a = panel->AddNode(0, 0, "A", 1, 1, nullptr);
    VXPatcherConnection c(a, 0, a, 0);
    struct Case {
        QPoint start, end, at;
        bool hit;
    };
    const Case cases[] = {
        // Downwards from (100, 100) to (140, 140): the line and 2 pixels on
        // either side of it.
        {{100, 100}, {140, 140}, {120, 120}, true},
        {{100, 100}, {140, 140}, {124, 120}, true},
        {{100, 100}, {140, 140}, {125, 120}, false},
        {{100, 100}, {140, 140}, {116, 120}, true},
        {{100, 100}, {140, 140}, {115, 120}, false},
        {{100, 100}, {140, 140}, {141, 141}, true},
        {{100, 100}, {140, 140}, {140, 142}, false},
        // Upwards: anywhere in the box the ends span, 2 pixels above and
        // below it.
        {{100, 140}, {160, 100}, {100, 141}, true},
        {{100, 140}, {160, 100}, {160, 141}, true},
        {{100, 140}, {160, 100}, {130, 99}, true},
        {{100, 140}, {160, 100}, {130, 98}, false},
        {{100, 140}, {160, 100}, {130, 142}, false},
        {{100, 140}, {160, 100}, {161, 120}, false},
        {{100, 140}, {160, 100}, {99, 120}, false},
    };
    for (const Case& k : cases) {
        c.start = k.start;
        c.end = k.end;
        EXPECT_EQ(c.HitTest(k.at.x(), k.at.y()), k.hit)
            << k.start.x() << "," << k.start.y() << " -> " << k.end.x() << "," << k.end.y()
            << " at " << k.at.x() << "," << k.at.y();
    }
}

TEST_F(PatcherTest, ClickingAConnectionSelectsItAndShiftToggles) {
    VXPatcherNode* a = panel->AddNode(10, 10, "A", 0, 2, nullptr);
    VXPatcherNode* b = panel->AddNode(10, 150, "B", 2, 0, nullptr);
    VXPatcherConnection* c0 = panel->AddConnection(a, 0, b, 0);
    VXPatcherConnection* c1 = panel->AddConnection(a, 1, b, 1);
    auto middle = [](const VXPatcherConnection* c) {
        return QPoint((c->start.x() + c->end.x()) / 2, (c->start.y() + c->end.y()) / 2);
    };
    Click(middle(c0));
    EXPECT_EQ(panel->SelectedConnections(), std::vector<VXPatcherConnection*>{c0});
    EXPECT_TRUE(panel->SelectedNodes().empty());
    Click(middle(c1), Qt::ShiftModifier);
    EXPECT_EQ(panel->SelectedConnections(), (std::vector<VXPatcherConnection*>{c0, c1}));
    Click(middle(c0), Qt::ShiftModifier);
    EXPECT_EQ(panel->SelectedConnections(), std::vector<VXPatcherConnection*>{c1});
    // A press on empty space while the pane has the focus clears it.
    Click({300, 250});
    EXPECT_TRUE(panel->SelectedConnections().empty());
}

TEST_F(PatcherTest, ScrollingMovesTheContent) {
    panel->setGeometry(0, 0, 200, 150);
    VXPatcherNode* near = panel->AddNode(10, 20, "Near", 1, 1, nullptr);
    VXPatcherNode* far = panel->AddNode(300, 20, "Far", 1, 1, nullptr);
    QScrollBar* bar = panel->horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_FALSE(panel->verticalScrollBar()->isVisible());

    // Scrolling moves the nodes: their places stay client coordinates.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(far->bounds.left, 292);
    EXPECT_EQ(near->bounds.left, 2);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(near->bounds.left, -6);
    EXPECT_EQ(panel->contentLeft, -9);
    EXPECT_EQ(bar->value(), 9);

    // The start of the content is 3 pixels left of the first node.
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(near->bounds.left, 3);
    EXPECT_EQ(bar->value(), 0);
    // Nothing lies further left.
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(near->bounds.left, 3);

    // The end shows the right edge of the content.
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(far->bounds.right + 3, panel->ClientWidth());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(near->bounds.left - far->bounds.left, 10 - 300);

    // With everything back in view the bar goes away.
    near->SetLeft(10);
    far->SetLeft(100);
    panel->UpdateExtent();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(PatcherTest, TheWheelScrollsLinesAndShiftScrollsSideways) {
    const int notch = QApplication::wheelScrollLines() * VXScrollingCanvas::WheelLine;
    ASSERT_GT(notch, 8);
    struct Case {
        const char* what;
        std::vector<QPoint> angles; // one wheel event each
        QPoint pixels;              // a touchpad's distance, with the first
        Qt::KeyboardModifiers modifiers;
        QPoint moved; // of the content
    };
    const Case cases[] = {
        {"a notch down", {{0, -120}}, {}, {}, {0, -notch}},
        {"a notch down and back up", {{0, -120}, {0, 120}}, {}, {}, {0, 0}},
        {"two halves of a fine wheel", {{0, -60}, {0, -60}}, {}, {}, {0, -notch}},
        {"a sideways notch", {{-120, 0}}, {}, {}, {-notch, 0}},
        {"Shift turns down into right", {{0, -120}}, {}, Qt::ShiftModifier, {-notch, 0}},
        {"a touchpad's own pixels", {{0, -14}}, {-3, -7}, {}, {-3, -7}},
        {"up at the top stays", {{0, 120}}, {}, {}, {0, 0}},
    };
    for (const Case& c : cases) {
        panel->setGeometry(0, 0, 200, 150);
        panel->Clear();
        // The content starts 3 pixels before the first node: at 0, so that
        // scrolling back ends where it began.
        VXPatcherNode* node = panel->AddNode(3, 3, "Near", 1, 1, nullptr);
        panel->AddNode(600, 600, "Far", 1, 1, nullptr);
        panel->UpdateExtent();
        const QPoint before(node->bounds.left, node->bounds.top);
        for (size_t i = 0; i < c.angles.size(); ++i)
            SendWheel(View(), {100, 70}, c.angles[i], i == 0 ? c.pixels : QPoint(), c.modifiers);
        EXPECT_EQ(QPoint(node->bounds.left, node->bounds.top) - before, c.moved) << c.what;
        EXPECT_EQ(panel->horizontalScrollBar()->value(), -panel->contentLeft) << c.what;
        EXPECT_EQ(panel->verticalScrollBar()->value(), -panel->contentTop) << c.what;
    }
}

TEST_F(PatcherTest, ClearAndDestructionRaiseTheDeletionSignals) {
    auto* owned = new FixedFontPatcher(&window);
    VXPatcherNode* a = owned->AddNode(10, 10, "A", 0, 1, nullptr);
    VXPatcherNode* b = owned->AddNode(10, 100, "B", 1, 0, nullptr);
    owned->AddConnection(a, 0, b, 0);
    int connectionEvents = 0;
    std::vector<std::string> nodeEvents;
    QObject::connect(owned, &VXPatcherPanel::OnDeleteConnection,
                     [&](VXPatcherConnection*, bool&) { ++connectionEvents; });
    QObject::connect(owned, &VXPatcherPanel::OnDeleteNode,
                     [&](VXPatcherNode* n) { nodeEvents.push_back(n->name.toStdString()); });
    delete owned;
    EXPECT_EQ(connectionEvents, 1);
    EXPECT_EQ(nodeEvents, (std::vector<std::string>{"A", "B"}));

    panel->AddNode(10, 10, "A", 0, 1, nullptr);
    panel->AddNode(10, 100, "B", 1, 0, nullptr);
    panel->Clear();
    EXPECT_EQ(panel->NodeCount(), 0);
    EXPECT_TRUE(panel->SelectedNodes().empty());
}

} // namespace
