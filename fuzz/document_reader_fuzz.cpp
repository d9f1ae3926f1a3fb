// Feeds arbitrary text to the document reader, with the contraption types
// registered, and writes the resulting patch again. Nothing may crash,
// overrun or leak, whatever the file holds.
//
// Types that open the files their properties name are left out: the sound
// output creates its recording file as soon as it is loaded, so fuzzed
// names would litter the disk (and the property text they read is the
// property-list reader's, fuzzed on its own).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "document/document.h"
#include "document/headless_document_view.h"
#include "contraptions/contraption_types.h"
#include "framework/contraption_factory.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "platform/audio/null_audio.h"

namespace {

class SilentMessages : public TMessageBox {
public:
    void Show(const std::string&, const std::string&, TMessageIcon) override {}
};

struct Session {
    SilentMessages messages;
    VXNullAudioSystem audio;
    TContraptionFactory factory;
    std::unique_ptr<TAudioEngineModule> engine;
    std::unique_ptr<ODHeadlessDocumentView> view;
    std::unique_ptr<ODDocument> document;

    Session() {
        SetMessages(&messages);
        RegisterContraptionMakers(factory);
        std::erase_if(factory.makers, [](const TContraptionMaker* maker) {
            for (std::string_view type : {"SoundOut", "SoundIn", "LoopPlayer", "Drums"})
                if (type == maker->typeName)
                    return true;
            return false;
        });
        InstallHeadlessWindows(factory);
        engine = std::make_unique<TAudioEngineModule>(nullptr, audio, &factory);
        view = std::make_unique<ODHeadlessDocumentView>(*engine);
        document = std::make_unique<ODDocument>(*view, *engine);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Session* session = new Session;
    session->document->New();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    session->document->Read(in);
    std::ostringstream out;
    session->document->Write(out);
    session->document->New();
    return 0;
}
