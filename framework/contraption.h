#pragma once

// A contraption: one sound module of the patch as the user sees it. It joins
// a processor with its instance name, its window state, its twenty presets
// and the maker that built it. Interface thread only.

#include <array>
#include <iosfwd>
#include <memory>
#include <string>

#include "framework/contraption_form_state.h"
#include "framework/preset.h"

class MGSignalProcessor;
class TContraptionEngine;
class TContraptionMaker;

class TQuorlingContraption {
public:
    static constexpr int PresetCount = 20;

    TContraptionEngine* const engine;
    std::unique_ptr<TContraptionFormState> formState;
    TContraptionMaker* const maker;
    // Unique among the contraptions of the patch as long as names come from
    // the maker's naming scheme. Set once, by the maker: the factory keeps
    // an index of live contraptions by name.
    std::string name;
    MGSignalProcessor* const processor;
    // False for contraptions that wrap a processor the engine owns.
    const bool ownsProcessor;
    std::array<std::unique_ptr<MGPreset>, PresetCount> presets;
    // The slot last stored or recalled; -1 for none.
    int currentPreset = 0;

    // The maker names the contraption (an empty `name` is made up) and
    // registers it with its factory.
    TQuorlingContraption(TContraptionEngine* engine, TContraptionMaker* maker,
                         MGSignalProcessor* processor, const std::string& name, bool ownsProcessor);
    TQuorlingContraption(const TQuorlingContraption&) = delete;
    TQuorlingContraption& operator=(const TQuorlingContraption&) = delete;

    // Releases the name, closes the window and deletes an owned processor,
    // which leaves the signal context: delete a contraption while holding
    // the graph lock.
    virtual ~TQuorlingContraption();

    // Adds the processor to the engine's context, taking the graph lock.
    void AttachProcessor();

    void ShowForm() { formState->Show(); }

    // Tells the engine that the document changed and forgets the current
    // preset.
    void SetModified(bool modified);

    // Preset slots 0-19; any other index does nothing (HasPreset: false,
    // Preset: null).
    bool HasPreset(int slot) const;
    void StorePreset(int slot);
    void RecallPreset(int slot);
    void ClearPreset(int slot);
    MGPreset* Preset(int slot);

    // The document block: type name, name, property list and preset list
    // separated by tabs, then "{ }", the window state and a tab.
    void Write(std::ostream& os);
};

inline std::ostream& operator<<(std::ostream& os, TQuorlingContraption& contraption) {
    contraption.Write(os);
    return os;
}
