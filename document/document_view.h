#pragma once

// What the document needs from the window that shows it: the tempo field,
// the patcher pane's nodes and connections (in the pane's order, which is
// the order of the file), the layout of the two panes and the repaint lock.
// The main window implements it; the command-line tool and the tests use
// the headless view. The reader and the writer see nothing else, so a
// document is the same file byte for byte whichever program wrote it.
//
// Interface thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TQuorlingContraption;

struct ODPatcherNodeInfo {
    TQuorlingContraption* contraption;
    // The node's top left corner in the pane.
    int x;
    int y;
};

struct ODPatcherConnectionInfo {
    TQuorlingContraption* source;
    int outlet;
    TQuorlingContraption* target;
    int inlet;
};

class ODDocumentView {
public:
    virtual ~ODDocumentView() = default;

    // The tempo field's value in beats per minute (1 to 240).
    virtual int Tempo() const = 0;
    // Shows `bpm` (already within 1 to 240) in the tempo field in the normal
    // text colour, without marking the document modified; the document sets
    // the context's clock itself.
    virtual void SetTempo(int bpm) = 0;

    // The nodes and connections in the pane's order.
    virtual std::vector<ODPatcherNodeInfo> PatcherNodes() const = 0;
    virtual std::vector<ODPatcherConnectionInfo> PatcherConnections() const = 0;
    // Adds a node for a contraption whose processor is already in the
    // engine's context; the pane owns the contraption from now on.
    virtual void AddPatcherNode(std::unique_ptr<TQuorlingContraption> contraption, int x,
                                int y) = 0;
    // Shows a connection the engine has already made. A connection into
    // the same inlet has been replaced in the engine and must leave the
    // pane too.
    virtual void AddPatcherConnection(const ODPatcherConnectionInfo& connection) = 0;
    // Removes every connection (disconnecting it in the engine) and then
    // every node (deleting its contraption under the graph lock).
    virtual void ClearPatcher() = 0;
    // Set by the pane when the user adds, deletes or moves something.
    virtual bool PatcherModified() const = 0;
    virtual void ClearPatcherModified() = 0;

    virtual int PatcherPaneWidth() const = 0;
    // `width` is within 0 to 5000; the window keeps its own limits.
    virtual void SetPatcherPaneWidth(int width) = 0;
    virtual bool PatcherPaneVisible() const = 0;
    virtual bool PropertiesPaneVisible() const = 0;
    // Shows or hides the panes as the View menu's commands do.
    virtual void ShowPanes(bool patcher, bool properties) = 0;

    // While a document loads: the busy cursor, and no repainting until the
    // patch is complete. Unlocking repaints the patcher pane.
    virtual void LockRepaint() = 0;
    virtual void UnlockRepaint() = 0;

    // The save dialog, proposing `currentPath`, or "Untitled.odh" in the
    // document directory when it is empty; nothing when cancelled.
    virtual std::optional<std::string> AskSaveFileName(const std::string& currentPath) = 0;
    // The document was opened or saved under `path` (empty: untitled):
    // the window shows `caption`, and its document dialogs start in the
    // path's directory from now on.
    virtual void DocumentNamed(const std::string& caption, const std::string& path) = 0;
    // The patch was emptied: the transport controls follow the engine.
    virtual void PatchEmptied() = 0;
};
