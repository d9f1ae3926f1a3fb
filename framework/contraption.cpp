#include "framework/contraption.h"

#include <ostream>

#include "framework/contraption_engine.h"
#include "framework/contraption_factory.h"
#include "framework/contraption_maker.h"
#include "framework/document_word.h"
#include "signal/pipe.h"

TQuorlingContraption::TQuorlingContraption(TContraptionEngine* engine, TContraptionMaker* maker,
                                           MGSignalProcessor* processor, const std::string& name,
                                           bool ownsProcessor)
    : engine(engine), maker(maker), processor(processor), ownsProcessor(ownsProcessor) {
    formState = std::make_unique<TContraptionFormState>(this, maker->factory->formParent);
    maker->NameContraption(*this, name);
    maker->factory->IndexContraption(*this);
    for (auto& preset : presets)
        preset = std::make_unique<MGPreset>(&processor->propertyList);
}

TQuorlingContraption::~TQuorlingContraption() {
    maker->factory->UnindexContraption(*this);
    maker->ReleaseName(*this);
    formState.reset();
    if (ownsProcessor)
        delete processor;
    for (auto& preset : presets)
        preset.reset();
}

void TQuorlingContraption::AttachProcessor() {
    if (engine == nullptr)
        return;
    TGraphLock lock(*engine);
    processor->SetContext(&engine->Context());
}

void TQuorlingContraption::SetModified(bool modified) {
    if (engine != nullptr)
        engine->SetContraptionsModified(modified);
    currentPreset = -1;
}

bool TQuorlingContraption::HasPreset(int slot) const {
    return slot >= 0 && slot < PresetCount && presets[static_cast<size_t>(slot)]->HasValues();
}

void TQuorlingContraption::StorePreset(int slot) {
    if (slot < 0 || slot >= PresetCount)
        return;
    presets[static_cast<size_t>(slot)]->Store();
    currentPreset = slot;
}

void TQuorlingContraption::RecallPreset(int slot) {
    if (slot < 0 || slot >= PresetCount)
        return;
    presets[static_cast<size_t>(slot)]->Recall();
    currentPreset = slot;
}

void TQuorlingContraption::ClearPreset(int slot) {
    if (slot < 0 || slot >= PresetCount)
        return;
    presets[static_cast<size_t>(slot)]->Clear();
    if (slot == currentPreset)
        currentPreset = -1;
}

MGPreset* TQuorlingContraption::Preset(int slot) {
    if (slot < 0 || slot >= PresetCount)
        return nullptr;
    return presets[static_cast<size_t>(slot)].get();
}

void TQuorlingContraption::Write(std::ostream& os) {
    WriteDocumentWord(os, maker->typeName);
    os << '\t';
    WriteDocumentWord(os, name);
    os << '\t' << processor->propertyList << '\t' << "{ ";
    for (int k = 0; k < PresetCount; ++k) {
        if (k > 0)
            os << ", ";
        os << *presets[static_cast<size_t>(k)];
    }
    os << " }"
       << "{ }";
    formState->Write(os);
    os << '\t';
}
