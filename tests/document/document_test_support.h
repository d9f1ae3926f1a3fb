#pragma once

// A headless patch for the document tests: every contraption type, an
// engine on the null audio system, the view without a window (its
// contraption windows only remember where they were) and the document.

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "document/document.h"
#include "document/headless_document_view.h"
#include "contraptions/contraption_types.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "platform/audio/null_audio.h"

struct TestDocument {
    VXNullAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine{nullptr, audio, &Registered(factory)};
    ODHeadlessDocumentView view{engine};
    ODDocument document{view, engine};

    TestDocument() {
        document.New();
        document.ClearModified();
    }

    // A new contraption of `type` with its node at (x, y).
    TQuorlingContraption& Add(const char* type, int x, int y) {
        std::unique_ptr<TQuorlingContraption> c = factory.CreateContraption(type, &engine, "");
        c->AttachProcessor();
        TQuorlingContraption& result = *c;
        view.AddPatcherNode(std::move(c), x, y);
        return result;
    }

    void Connect(TQuorlingContraption& source, int outlet, TQuorlingContraption& target,
                 int inlet) {
        engine.ConnectContraptions(&source, outlet, &target, inlet);
        view.AddPatcherConnection({&source, outlet, &target, inlet});
    }

    std::string Text() {
        std::ostringstream os;
        document.Write(os);
        return os.str();
    }

private:
    static TContraptionFactory& Registered(TContraptionFactory& factory) {
        RegisterContraptionMakers(factory);
        InstallHeadlessWindows(factory);
        return factory;
    }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Twenty preset slots; `stored` fills slot `slot`.
inline std::string Presets(int slot = -1, const std::string& stored = "") {
    std::string text = "{ ";
    for (int k = 0; k < 20; ++k) {
        if (k > 0)
            text += ", ";
        text += k == slot ? stored : "{  }";
    }
    return text + " }";
}
