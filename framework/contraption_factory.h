#pragma once

// The registry of contraption makers, by type name in registration order
// (the order of the "New" menu), and of the live contraptions, in creation
// order. Interface thread only.

#include <iosfwd>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/contraption.h"
#include "framework/contraption_maker.h"
#include "framework/contraption_window.h"

class TContraptionEngine;

class TContraptionFactory {
public:
    // Type and instance names in a document block longer than this are
    // refused.
    static constexpr std::size_t NameLimit = 199;

    std::vector<TContraptionMaker*> makers;
    std::vector<TQuorlingContraption*> contraptions;
    // The parent of contraption windows (the main window's pane); null when
    // there is none.
    TPatternedScrollBox* formParent = nullptr;

    // The program's factory.
    static TContraptionFactory& Instance();

    TContraptionFactory() = default;
    TContraptionFactory(const TContraptionFactory&) = delete;
    TContraptionFactory& operator=(const TContraptionFactory&) = delete;
    // Destroys the makers it owns, last registered first.
    ~TContraptionFactory();

    // Constructs a maker that registers itself here and lives as long as
    // the factory.
    template <class Maker, class... Args> Maker& Register(Args&&... args) {
        auto maker = std::make_unique<Maker>(*this, std::forward<Args>(args)...);
        Maker& result = *maker;
        ownedMakers.push_back(std::move(maker));
        return result;
    }

    // The first maker whose type name is exactly `typeName` (case
    // matters), or null.
    TContraptionMaker* FindMaker(std::string_view typeName) const;

    // A new contraption of that type; null when no maker has the name (or
    // the maker refuses).
    std::unique_ptr<TQuorlingContraption> CreateContraption(std::string_view typeName,
                                                            TContraptionEngine* engine,
                                                            const std::string& name);

    // The first live contraption named exactly `name`, or null.
    TQuorlingContraption* FindContraption(std::string_view name) const;

    // Keep the names FindContraption looks in. Every contraption is
    // indexed from its construction, once it has its name, until its
    // destruction begins.
    void IndexContraption(TQuorlingContraption& contraption);
    void UnindexContraption(TQuorlingContraption& contraption);

    int MakerCount() const { return static_cast<int>(makers.size()); }
    TContraptionMaker* Maker(int index) const;
    int ContraptionCount() const { return static_cast<int>(contraptions.size()); }
    TQuorlingContraption* Contraption(int index) const;

    // Frees every number for made-up names; for a new, empty patch.
    void ResetAllNumbers();

    // Attaches the window of a type; false when no maker has the name.
    bool SetFormCreator(std::string_view typeName, TFormCreator creator);

    // Reads a contraption's document block (after its leading tab) and
    // creates the contraption, with its properties, presets and window
    // state, outside the signal context. Null when the type is unknown or a
    // name is refused; the caller skips the rest of the line.
    std::unique_ptr<TQuorlingContraption> ReadContraption(TContraptionEngine* engine,
                                                          std::istream& is);

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>()(name);
        }
    };

    std::vector<std::unique_ptr<TContraptionMaker>> ownedMakers;
    // The live contraptions of each name in creation order (a document may
    // hold a name twice). A search through all of them for every
    // connection of a document would make loading quadratic.
    //
    // The entries come from a pool of large blocks, not one small piece of
    // the heap each between the pieces of consecutive contraptions: that
    // would move every processor and its blocks by a few bytes, and the
    // processing speed of long chains depends on where their blocks lie
    // (a block read right after one written at the same address modulo
    // 4096 waits for the write).
    std::pmr::unsynchronized_pool_resource indexPool;
    std::pmr::unordered_map<std::pmr::string, std::pmr::vector<TQuorlingContraption*>, NameHash,
                            std::equal_to<>>
        byName{&indexPool};
};
