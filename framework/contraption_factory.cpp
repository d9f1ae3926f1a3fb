#include "framework/contraption_factory.h"

#include <istream>

#include "framework/document_word.h"
#include "signal/pipe.h"

TContraptionFactory& TContraptionFactory::Instance() {
    static TContraptionFactory factory;
    return factory;
}

TContraptionFactory::~TContraptionFactory() {
    while (!ownedMakers.empty())
        ownedMakers.pop_back();
}

TContraptionMaker* TContraptionFactory::FindMaker(std::string_view typeName) const {
    for (TContraptionMaker* maker : makers)
        if (typeName == maker->typeName)
            return maker;
    return nullptr;
}

std::unique_ptr<TQuorlingContraption>
TContraptionFactory::CreateContraption(std::string_view typeName, TContraptionEngine* engine,
                                       const std::string& name) {
    TContraptionMaker* maker = FindMaker(typeName);
    return maker != nullptr ? maker->CreateContraption(engine, name) : nullptr;
}

TQuorlingContraption* TContraptionFactory::FindContraption(std::string_view name) const {
    const auto it = byName.find(name);
    return it != byName.end() && !it->second.empty() ? it->second.front() : nullptr;
}

void TContraptionFactory::IndexContraption(TQuorlingContraption& contraption) {
    auto it = byName.find(std::string_view(contraption.name));
    if (it == byName.end())
        it = byName.emplace(std::pmr::string(contraption.name, &indexPool),
                            std::pmr::vector<TQuorlingContraption*>(&indexPool))
                 .first;
    it->second.push_back(&contraption);
}

void TContraptionFactory::UnindexContraption(TQuorlingContraption& contraption) {
    const auto it = byName.find(std::string_view(contraption.name));
    if (it == byName.end())
        return;
    std::erase(it->second, &contraption);
    if (it->second.empty())
        byName.erase(it);
}

TContraptionMaker* TContraptionFactory::Maker(int index) const {
    return index >= 0 && index < MakerCount() ? makers[static_cast<size_t>(index)] : nullptr;
}

TQuorlingContraption* TContraptionFactory::Contraption(int index) const {
    return index >= 0 && index < ContraptionCount() ? contraptions[static_cast<size_t>(index)]
                                                    : nullptr;
}

void TContraptionFactory::ResetAllNumbers() {
    for (TContraptionMaker* maker : makers)
        maker->ResetNumbers();
}

bool TContraptionFactory::SetFormCreator(std::string_view typeName, TFormCreator creator) {
    TContraptionMaker* maker = FindMaker(typeName);
    if (maker == nullptr)
        return false;
    maker->formCreator = std::move(creator);
    return true;
}

std::unique_ptr<TQuorlingContraption>
TContraptionFactory::ReadContraption(TContraptionEngine* engine, std::istream& is) {
    std::string typeName, name;
    const bool typeRead = ReadDocumentWord(is, typeName, NameLimit);
    const bool nameRead = is && ReadDocumentWord(is, name, NameLimit);
    if (!typeRead || !nameRead)
        return nullptr;
    std::unique_ptr<TQuorlingContraption> contraption = CreateContraption(typeName, engine, name);
    if (contraption == nullptr)
        return nullptr;

    is >> contraption->processor->propertyList;
    // Sequencers start from the loaded state.
    contraption->processor->Reset();

    // The preset list: "{ " slot ", " slot ... " }".
    is >> std::ws;
    is.get();
    is >> std::ws;
    if (is.peek() != '}') {
        for (auto& preset : contraption->presets) {
            is >> *preset;
            is >> std::ws;
            if (is.get() != ',')
                break;
        }
    } else {
        is.get();
    }
    // An empty block, "{ }".
    for (int i = 0; i < 2; ++i) {
        is >> std::ws;
        is.get();
    }
    contraption->formState->Read(is);
    return contraption;
}
