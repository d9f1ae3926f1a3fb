#pragma once

// The property list of a processor: its named, typed parameters in a fixed
// order, found through a description shared by every instance of the class.
//
// The properties are data members of the concrete processor. The class's
// Info records each one's byte distance from the processor's propertyList
// member, so one Info serves every instance and the list can be walked
// without knowing the processor's type. The index of a property in the Info
// is its place in documents and presets, so the registration order of a
// class must never change.

#include <forward_list>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class MGProperty;

class MGPropertyList {
public:
    struct Info {
        struct PropertyInfo {
            // Byte distance from the processor's propertyList to the member.
            int offset;
            // Static text, or a formed name held in the Info's formedNames.
            const char* name;
            // A short explanation; "" when there is none.
            const char* help;
        };

        // False until the class's InitPropertyInfo has registered its
        // properties.
        bool built = false;
        // In registration order; the index is the property's index
        // everywhere.
        std::vector<std::unique_ptr<PropertyInfo>> properties;
        // The number of entries in `properties`.
        int count = 0;
        // A repeated name keeps its first index.
        std::map<std::string, int, std::less<>> indexByName;
        // Names formed at registration ("Gain_3"); list nodes never move,
        // so the pointers handed out stay valid.
        std::forward_list<std::string> formedNames;

        // The index of the property with this exact name, or -1.
        int IndexOf(std::string_view name) const;
    };

    // Adds one class's properties to its Info; used inside Attach.
    class Registrar {
    public:
        Registrar(MGPropertyList& list, Info& info) : list(list), info(info) {}

        // `property` must be a member of the processor that owns `list`.
        void Add(MGProperty& property, const char* name, const char* help = "");

        // As Add, with the name formed from a pattern whose "%d" is
        // replaced by `number` ("Gain_%d", 3 gives "Gain_3").
        void AddNumbered(MGProperty& property, const char* pattern, int number,
                         const char* help = "");

    private:
        void Append(MGProperty& property, const char* name, const char* help);

        MGPropertyList& list;
        Info& info;
    };

    // The shared Info of every processor class without properties.
    static const Info emptyInfo;

    const Info* info = &emptyInfo;

    // Attaches the class's Info, registering the properties through
    // `registerAll(Registrar&)` the first time any instance gets here. A
    // processor's InitPropertyInfo is one such call:
    //
    //   static MGPropertyList::Info info;
    //   propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
    //       r.Add(frequency, "Frequency");
    //       r.Add(am, "AM", "false - Ring, true - AM");
    //   });
    template <class RegisterAll> void Attach(Info& classInfo, RegisterAll&& registerAll) {
        if (!classInfo.built) {
            Registrar registrar(*this, classInfo);
            registerAll(registrar);
            classInfo.built = true;
        }
        info = &classInfo;
    }

    int Count() const { return info->count; }

    // Property i, 0 <= i < Count().
    MGProperty& Property(int i) {
        return *reinterpret_cast<MGProperty*>(reinterpret_cast<char*>(this) +
                                              info->properties[static_cast<size_t>(i)]->offset);
    }
    const MGProperty& Property(int i) const {
        return *reinterpret_cast<const MGProperty*>(
            reinterpret_cast<const char*>(this) + info->properties[static_cast<size_t>(i)]->offset);
    }

    // The property with this exact name, or null.
    MGProperty* Find(std::string_view name);

    const char* Name(int i) const { return info->properties[static_cast<size_t>(i)]->name; }
};

// "{ " + the values separated by ", " + " }"; an empty list is "{  }".
std::ostream& operator<<(std::ostream& os, const MGPropertyList& list);

// Reads a list written by the operator above into the properties in order.
// Extra values are skipped through the closing brace, missing values leave
// the remaining properties as they are; failures fail the stream.
std::istream& operator>>(std::istream& is, MGPropertyList& list);
