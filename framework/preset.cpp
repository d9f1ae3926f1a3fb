#include "framework/preset.h"

#include <algorithm>
#include <istream>
#include <ostream>

void MGPreset::CreateValues() {
    values.emplace();
    values->reserve(static_cast<size_t>(list->Count()));
    for (int i = 0; i < list->Count(); ++i)
        values->push_back(list->Property(i).Clone());
}

void MGPreset::Store() {
    if (!values) {
        CreateValues();
        return;
    }
    const int n = std::min(Count(), list->Count());
    for (int i = 0; i < n; ++i)
        (*values)[static_cast<size_t>(i)]->CopyFrom(list->Property(i));
}

void MGPreset::Recall() {
    if (!values)
        return;
    const int n = std::min(Count(), list->Count());
    for (int i = 0; i < n; ++i) {
        MGProperty& live = list->Property(i);
        const MGProperty& stored = *(*values)[static_cast<size_t>(i)];
        live.CopyFrom(stored);
        // A copy leaves the changed mark alone, and a window control whose
        // position does not move would never set the value again: mark
        // every recalled value so that the processor recomputes from it.
        if (live.TypeCode() == stored.TypeCode())
            live.MarkChanged();
    }
}

std::ostream& operator<<(std::ostream& os, const MGPreset& preset) {
    os << "{ ";
    for (int i = 0; i < preset.Count(); ++i) {
        if (i > 0)
            os << ", ";
        (*preset.values)[static_cast<size_t>(i)]->Write(os);
    }
    return os << " }";
}

std::istream& operator>>(std::istream& is, MGPreset& preset) {
    is >> std::ws;
    if (is.get() != '{') {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    is >> std::ws;
    int c = is.get();
    if (!is)
        return is;
    if (c == '}') {
        preset.Clear();
        return is;
    }
    is.unget();
    if (!preset.values)
        preset.CreateValues();
    is >> std::ws;
    c = is.get();
    for (int i = 0; is && c != '}' && i < preset.Count(); ++i) {
        is.unget();
        (*preset.values)[static_cast<size_t>(i)]->Read(is);
        is >> std::ws;
        c = is.get();
        if (c == ',') {
            is >> std::ws;
            c = is.get();
        } else if (c != '}') {
            is.setstate(std::ios_base::failbit);
            return is;
        }
    }
    // Values beyond the properties (and the closing brace).
    while (is && c != '}')
        c = is.get();
    return is;
}
