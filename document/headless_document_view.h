#pragma once

// The document's view without a window, for the command-line tool and the
// tests: the patcher pane is a list of nodes that owns their contraptions,
// the panes are a width and two flags, and contraption windows are records
// of their position, so that loading and saving again keeps the layout a
// document was written with.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/document_view.h"

class TAudioEngineModule;
class TContraptionFactory;

class ODHeadlessDocumentView : public ODDocumentView {
public:
    struct Node {
        std::unique_ptr<TQuorlingContraption> contraption;
        int x;
        int y;
    };

    int tempo = 120;
    std::vector<Node> nodes;
    std::vector<ODPatcherConnectionInfo> connections;
    // Where in `connections` the connection into each (target, inlet) is.
    std::map<std::pair<const TQuorlingContraption*, int>, std::size_t> connectionInto;
    bool patcherModified = false;
    int patcherPaneWidth = 180;
    bool patcherPaneVisible = true;
    bool propertiesPaneVisible = true;
    int repaintLocks = 0;
    std::string caption = "Untitled - Ondrafel";
    // What the save dialog answers; nothing: the user cancels.
    std::optional<std::string> saveFileName;

    explicit ODHeadlessDocumentView(TAudioEngineModule& engine) : engine(engine) {}
    // Clears the patch.
    ~ODHeadlessDocumentView() override;

    int Tempo() const override { return tempo; }
    void SetTempo(int bpm) override { tempo = bpm; }
    std::vector<ODPatcherNodeInfo> PatcherNodes() const override;
    std::vector<ODPatcherConnectionInfo> PatcherConnections() const override { return connections; }
    void AddPatcherNode(std::unique_ptr<TQuorlingContraption> contraption, int x, int y) override;
    void AddPatcherConnection(const ODPatcherConnectionInfo& connection) override;
    void ClearPatcher() override;
    bool PatcherModified() const override { return patcherModified; }
    void ClearPatcherModified() override { patcherModified = false; }
    int PatcherPaneWidth() const override { return patcherPaneWidth; }
    void SetPatcherPaneWidth(int width) override { patcherPaneWidth = width; }
    bool PatcherPaneVisible() const override { return patcherPaneVisible; }
    bool PropertiesPaneVisible() const override { return propertiesPaneVisible; }
    void ShowPanes(bool patcher, bool properties) override;
    void LockRepaint() override { ++repaintLocks; }
    void UnlockRepaint() override { --repaintLocks; }
    std::optional<std::string> AskSaveFileName(const std::string&) override { return saveFileName; }
    void DocumentNamed(const std::string& newCaption, const std::string&) override {
        caption = newCaption;
    }
    void PatchEmptied() override {}

private:
    TAudioEngineModule& engine;
};

// Gives every type of `factory` a window that only remembers where it was,
// so that a window open in a document stays open when the document is
// saved again. Types that already have a window creator keep it.
void InstallHeadlessWindows(TContraptionFactory& factory);
