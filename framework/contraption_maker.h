#pragma once

// Makers build the contraptions of one type and give them their instance
// names: the type name, "_" and the lowest free number (RingAM_1,
// RingAM_2, ...). A name given from a document is kept as it is and, when
// it ends in "_" and a number, holds that number so that made-up names skip
// it. Interface thread only.

#include <bitset>
#include <memory>
#include <string>
#include <string_view>

#include "framework/contraption.h"
#include "framework/contraption_window.h"

class TContraptionEngine;
class TContraptionFactory;

class TContraptionMaker {
public:
    // Numbers 1..NumberCount are tracked; flag k - 1 is set while an
    // instance of this type holds k.
    static constexpr int NumberCount = 1024;

    TContraptionFactory* const factory;
    // Names the type in the "New" menu, in made-up names and in documents.
    const char* const typeName;
    // The "New" menu group; "" puts the item directly into the menu.
    const char* const category;
    std::bitset<NumberCount> usedNumbers;
    // At most one instance, named by the bare type name.
    const bool singleInstance;
    // A single-instance maker's live contraption, or null.
    TQuorlingContraption* instance = nullptr;
    // Builds the type's window; attached from the application side, empty
    // for types without a window and in headless programs.
    TFormCreator formCreator;

    // Appends the maker to the factory's makers.
    TContraptionMaker(TContraptionFactory& factory, const char* typeName, const char* category,
                      bool singleInstance = false);
    TContraptionMaker(const TContraptionMaker&) = delete;
    TContraptionMaker& operator=(const TContraptionMaker&) = delete;

    // Removes the maker from the factory.
    virtual ~TContraptionMaker();

    // Builds processor and contraption; an empty name is made up. Null when
    // the maker refuses.
    virtual std::unique_ptr<TQuorlingContraption> CreateContraption(TContraptionEngine* engine,
                                                                    const std::string& name) = 0;

    // Builds the contraption's window with its controls set from the
    // properties, or returns null for a type without a window.
    virtual TContraptionWindow* CreateForm(TQuorlingContraption& contraption);

    void ResetNumbers() { usedNumbers.reset(); }
    bool IsNumberUsed(int k) const {
        return k >= 1 && k <= NumberCount && usedNumbers[static_cast<size_t>(k - 1)];
    }

    // The number a name holds: its trailing run of at most 9 digits when a
    // "_" precedes it; -1 otherwise.
    static int NameNumber(std::string_view name);

    // Called by the contraption's constructor and destructor.
    void NameContraption(TQuorlingContraption& contraption, const std::string& given);
    void ReleaseName(TQuorlingContraption& contraption);
};

// The maker of an ordinary contraption type: the processor is
// default-constructed, gets its property Info and is owned by the new
// contraption.
template <class Processor> class TMakerTemplate : public TContraptionMaker {
public:
    TMakerTemplate(TContraptionFactory& factory, const char* typeName, const char* category)
        : TContraptionMaker(factory, typeName, category, false) {}

    std::unique_ptr<TQuorlingContraption> CreateContraption(TContraptionEngine* engine,
                                                            const std::string& name) override {
        auto processor = std::make_unique<Processor>();
        processor->InitPropertyInfo();
        auto contraption =
            std::make_unique<TQuorlingContraption>(engine, this, processor.get(), name, true);
        processor.release();
        return contraption;
    }
};
