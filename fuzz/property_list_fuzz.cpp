// Feeds arbitrary text to the property-list reader and the preset reader
// of a processor that holds one property of every type.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "framework/preset.h"
#include "signal/property.h"
#include "signal/property_list.h"
#include "signal/pipe.h"

namespace {

class EveryProperty : public MGSignalProcessor {
public:
    MGBoolProperty flag;
    MGIntProperty count;
    MGDoubleProperty gain;
    MGRangeProperty range;
    MG8CharsProperty steps;
    MGCStringProperty file{""};
    MGDoubleProperty last;

    EveryProperty() : MGSignalProcessor(nullptr, 0, 0) {}
    void Process() override {}
    void InitPropertyInfo() override {
        static MGPropertyList::Info info;
        propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
            r.Add(flag, "Flag");
            r.Add(count, "Count");
            r.Add(gain, "Gain");
            r.Add(range, "Range");
            r.Add(steps, "Steps");
            r.Add(file, "File");
            r.Add(last, "Last");
        });
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    EveryProperty processor;
    processor.InitPropertyInfo();
    {
        std::istringstream in(text);
        in >> processor.propertyList;
        std::ostringstream out;
        out << processor.propertyList;
    }
    {
        MGPreset preset(&processor.propertyList);
        std::istringstream in(text);
        in >> preset;
        if (preset.HasValues())
            preset.Recall();
        std::ostringstream out;
        out << preset;
    }
    return 0;
}
