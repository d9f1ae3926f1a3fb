#pragma once

// A preset slot: a snapshot of all the properties of one processor.
//
// Interface thread only. Storing copies the live values into the slot;
// recalling copies them back while the processing thread may run, like any
// other property change.

#include <iosfwd>
#include <memory>
#include <optional>
#include <vector>

#include "signal/property.h"
#include "signal/property_list.h"

class MGPreset {
public:
    // The properties the preset belongs to; fixed for its life.
    MGPropertyList* const list;
    // One clone per property in the list's order; no value: the slot is
    // empty.
    std::optional<std::vector<std::unique_ptr<MGProperty>>> values;

    explicit MGPreset(MGPropertyList* list) : list(list) {}
    MGPreset(const MGPreset&) = delete;
    MGPreset& operator=(const MGPreset&) = delete;

    bool HasValues() const { return values.has_value(); }

    // Takes the live values: into the existing clones, or as new clones.
    void Store();

    // Copies the stored values back into the live properties; an empty slot
    // changes nothing.
    void Recall();

    void Clear() { values.reset(); }

    // Number of stored values (0 for an empty slot).
    int Count() const { return values ? static_cast<int>(values->size()) : 0; }

private:
    friend std::istream& operator>>(std::istream& is, MGPreset& preset);
    void CreateValues();
};

// "{ " + the stored values separated by ", " + " }"; an empty slot is "{  }".
std::ostream& operator<<(std::ostream& os, const MGPreset& preset);

// "{  }" empties the slot; otherwise the values are read into the slot's
// clones (made from the live properties first if the slot was empty, so
// values missing from the text keep the live ones). Failures fail the
// stream.
std::istream& operator>>(std::istream& is, MGPreset& preset);
