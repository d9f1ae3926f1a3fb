#include "signal/property_list.h"

#include <istream>
#include <ostream>

#include "signal/property.h"

const MGPropertyList::Info MGPropertyList::emptyInfo{};

int MGPropertyList::Info::IndexOf(std::string_view name) const {
    const auto it = indexByName.find(name);
    return it != indexByName.end() ? it->second : -1;
}

void MGPropertyList::Registrar::Add(MGProperty& property, const char* name, const char* help) {
    Append(property, name, help);
}

void MGPropertyList::Registrar::AddNumbered(MGProperty& property, const char* pattern, int number,
                                            const char* help) {
    std::string name = pattern;
    const size_t at = name.find("%d");
    if (at != std::string::npos)
        name.replace(at, 2, std::to_string(number));
    info.formedNames.push_front(std::move(name));
    Append(property, info.formedNames.front().c_str(), help);
}

void MGPropertyList::Registrar::Append(MGProperty& property, const char* name, const char* help) {
    const int index = info.count;
    info.indexByName.emplace(name, index);
    const auto offset =
        reinterpret_cast<const char*>(&property) - reinterpret_cast<const char*>(&list);
    info.properties.push_back(std::make_unique<Info::PropertyInfo>(
        Info::PropertyInfo{static_cast<int>(offset), name, help != nullptr ? help : ""}));
    info.count = static_cast<int>(info.properties.size());
}

MGProperty* MGPropertyList::Find(std::string_view name) {
    const int i = info->IndexOf(name);
    return i >= 0 ? &Property(i) : nullptr;
}

std::ostream& operator<<(std::ostream& os, const MGPropertyList& list) {
    os << "{ ";
    for (int i = 0; i < list.Count(); ++i) {
        if (i > 0)
            os << ", ";
        list.Property(i).Write(os);
    }
    return os << " }";
}

std::istream& operator>>(std::istream& is, MGPropertyList& list) {
    is >> std::ws;
    if (is.get() != '{') {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    is >> std::ws;
    int c = is.get();
    for (int i = 0; is; ++i) {
        if (c == '}')
            break;
        if (i >= list.Count()) {
            // More values than properties (a document from a version with
            // more of them): skip the rest of the list.
            while (is.get() != '}' && is) {
            }
            break;
        }
        is.unget();
        list.Property(i).Read(is);
        is >> std::ws;
        c = is.get();
        if (c == ',') {
            is >> std::ws;
            c = is.get();
        } else if (c != '}') {
            is.setstate(std::ios_base::failbit);
        }
    }
    return is;
}
