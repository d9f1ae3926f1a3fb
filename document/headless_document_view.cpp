#include "document/headless_document_view.h"

#include <algorithm>

#include "framework/contraption.h"
#include "framework/contraption_factory.h"
#include "framework/contraption_window.h"
#include "host/audio_engine_module.h"
#include "signal/context.h"

namespace {

// Its position is the window state's, which the document read.
class HeadlessContraptionWindow : public TContraptionWindow {
public:
    explicit HeadlessContraptionWindow(const TContraptionFormState& state) : state(state) {}
    void RefreshControls() override {}
    void SetCaption(const std::string&) override {}
    void ShowIn(TPatternedScrollBox*) override {}
    void GetContentPosition(int& left, int& top) const override {
        left = state.left;
        top = state.top;
    }

private:
    const TContraptionFormState& state;
};

} // namespace

ODHeadlessDocumentView::~ODHeadlessDocumentView() {
    ClearPatcher();
}

std::vector<ODPatcherNodeInfo> ODHeadlessDocumentView::PatcherNodes() const {
    std::vector<ODPatcherNodeInfo> result;
    result.reserve(nodes.size());
    for (const Node& node : nodes)
        result.push_back({node.contraption.get(), node.x, node.y});
    return result;
}

void ODHeadlessDocumentView::AddPatcherNode(std::unique_ptr<TQuorlingContraption> contraption,
                                            int x, int y) {
    nodes.push_back({std::move(contraption), x, y});
    patcherModified = true;
}

void ODHeadlessDocumentView::AddPatcherConnection(const ODPatcherConnectionInfo& connection) {
    const auto key = std::make_pair(connection.target, connection.inlet);
    if (const auto it = connectionInto.find(key); it != connectionInto.end()) {
        const std::size_t at = it->second;
        connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(at));
        connectionInto.erase(it);
        for (auto& [k, index] : connectionInto)
            if (index > at)
                --index;
    }
    connectionInto[key] = connections.size();
    connections.push_back(connection);
    patcherModified = true;
}

void ODHeadlessDocumentView::ClearPatcher() {
    TGraphLock lock(engine);
    MGDynSigContext::Batch batch(engine.context);
    // The engine's own processors (sound output and input) outlive their
    // contraptions, so their connections are undone explicitly.
    for (auto it = connections.rbegin(); it != connections.rend(); ++it)
        engine.DisconnectContraptions(it->source, it->outlet, it->target, it->inlet);
    connections.clear();
    connectionInto.clear();
    while (!nodes.empty())
        nodes.pop_back();
}

void ODHeadlessDocumentView::ShowPanes(bool patcher, bool properties) {
    patcherPaneVisible = patcher;
    propertiesPaneVisible = properties;
}

void InstallHeadlessWindows(TContraptionFactory& factory) {
    for (TContraptionMaker* maker : factory.makers)
        if (!maker->formCreator)
            maker->formCreator = [](TQuorlingContraption& contraption) -> TContraptionWindow* {
                return new HeadlessContraptionWindow(*contraption.formState);
            };
}
