#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "contraptions/contraption_types.h"
#include "framework/contraption_factory.h"
#include "signal/property.h"
#include "test_patch.h"
#include "tests/allocation_counter.h"

namespace {

using Contraption = std::unique_ptr<TQuorlingContraption>;

// Every contraption type in the order of the "New" menu, with its group.
const struct {
    const char* type;
    const char* group;
} kMenuOrder[] = {
    {"RingAM", "Effects"},
    {"SoundIn", "I/O"},
    {"TestGen", "Signal Generators"},
    {"M2Buss", "Busses"},
    {"M3Buss", "Busses"},
    {"M4Buss", "Busses"},
    {"M6Buss", "Busses"},
    {"M8Buss", "Busses"},
    {"M12Buss", "Busses"},
    {"S2Buss", "Busses"},
    {"S3Buss", "Busses"},
    {"S4Buss", "Busses"},
    {"S6Buss", "Busses"},
    {"S8Buss", "Busses"},
    {"S12Buss", "Busses"},
    {"LoopPlayer", "Signal Generators"},
    {"Drums", "Signal Generators"},
    {"SDelay", "Effects"},
    {"10Harmonics", "Signal Generators"},
    {"5Combs", "Filters"},
    {"NastyReverb", "Effects"},
    {"SSpat", "Effects"},
    {"Flanger", "Effects"},
    {"Bassline", "Signal Generators"},
    {"MParaEQ", "Filters"},
    {"SParaEQ", "Filters"},
    {"DLGranulator", "Effects"},
    {"S2Mixer", "Mixers"},
    {"S3Mixer", "Mixers"},
    {"S4Mixer", "Mixers"},
    {"S6Mixer", "Mixers"},
    {"S8Mixer", "Mixers"},
    {"S12Mixer", "Mixers"},
    {"P2Mixer", "Mixers"},
    {"P3Mixer", "Mixers"},
    {"P4Mixer", "Mixers"},
    {"P6Mixer", "Mixers"},
    {"P8Mixer", "Mixers"},
    {"P12Mixer", "Mixers"},
    {"M2Mixer", "Mixers"},
    {"M3Mixer", "Mixers"},
    {"M4Mixer", "Mixers"},
    {"M6Mixer", "Mixers"},
    {"M8Mixer", "Mixers"},
    {"M12Mixer", "Mixers"},
    {"Crossfader", "Mixers"},
    {"SoundOut", "I/O"},
};

// The types of the generators and mixing families: inlets, outlets, the
// property list as a new contraption writes it, and whether the maker puts
// the processor straight into the engine's context.
const struct {
    const char* type;
    int inlets, outlets;
    const char* properties;
    bool inContext;
} kTypes[] = {
    {"TestGen", 0, 1, "{ 0, 440, 1 }", false},
    {"M2Buss", 2, 1, "{  }", true},
    {"M3Buss", 3, 1, "{  }", true},
    {"M4Buss", 4, 1, "{  }", true},
    {"M6Buss", 6, 1, "{  }", true},
    {"M8Buss", 8, 1, "{  }", true},
    {"M12Buss", 12, 1, "{  }", true},
    {"S2Buss", 4, 2, "{  }", true},
    {"S3Buss", 6, 2, "{  }", true},
    {"S4Buss", 8, 2, "{  }", true},
    {"S6Buss", 12, 2, "{  }", true},
    {"S8Buss", 16, 2, "{  }", true},
    {"S12Buss", 24, 2, "{  }", true},
    {"S2Mixer", 4, 2, "{ 0, 0, 0 }", false},
    {"S3Mixer", 6, 2, "{ 0, 0, 0, 0 }", false},
    {"S4Mixer", 8, 2, "{ 0, 0, 0, 0, 0 }", false},
    {"S6Mixer", 12, 2, "{ 0, 0, 0, 0, 0, 0, 0 }", false},
    {"S8Mixer", 16, 2, "{ 0, 0, 0, 0, 0, 0, 0, 0, 0 }", false},
    {"S12Mixer", 24, 2, "{ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }", false},
    {"P2Mixer", 2, 2, "{ 0, 0, 0.5, 0, 0.5 }", false},
    {"P3Mixer", 3, 2, "{ 0, 0, 0.5, 0, 0.5, 0, 0.5 }", false},
    {"P4Mixer", 4, 2, "{ 0, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5 }", false},
    {"P6Mixer", 6, 2, "{ 0, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5 }", false},
    {"P8Mixer", 8, 2, "{ 0, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5 }",
     false},
    {"P12Mixer", 12, 2,
     "{ 0, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, 0.5, 0, "
     "0.5, 0, 0.5 }",
     false},
    {"M2Mixer", 2, 1, "{ 0, 0, 0 }", false},
    {"M3Mixer", 3, 1, "{ 0, 0, 0, 0 }", false},
    {"M4Mixer", 4, 1, "{ 0, 0, 0, 0, 0 }", false},
    {"M6Mixer", 6, 1, "{ 0, 0, 0, 0, 0, 0, 0 }", false},
    {"M8Mixer", 8, 1, "{ 0, 0, 0, 0, 0, 0, 0, 0, 0 }", false},
    {"M12Mixer", 12, 1, "{ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }", false},
    {"Crossfader", 4, 2, "{ 1, 1, 1, 0 }", false},
};

std::vector<std::string> PropertyNames(const MGPropertyList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list.Name(i));
    return names;
}

TEST(RegisterContraptionMakers, PutsEachTypeInItsPlaceOfTheMenuOrder) {
    TContraptionFactory factory;
    RegisterContraptionMakers(factory);
    auto place = [](const std::string& type) {
        for (size_t i = 0; i < std::size(kMenuOrder); ++i)
            if (type == kMenuOrder[i].type)
                return static_cast<int>(i);
        return -1;
    };
    int last = -1;
    for (const TContraptionMaker* maker : factory.makers) {
        const int at = place(maker->typeName);
        ASSERT_GE(at, 0) << maker->typeName << " is not a known type";
        EXPECT_GT(at, last) << maker->typeName << " is out of order";
        EXPECT_STREQ(maker->category, kMenuOrder[at].group) << maker->typeName;
        last = at;
    }
    for (const auto& t : kTypes) {
        const TContraptionMaker* maker = factory.FindMaker(t.type);
        ASSERT_NE(maker, nullptr) << t.type;
        EXPECT_FALSE(maker->singleInstance) << t.type;
    }
}

TEST(RegisterContraptionMakers, MakersBuildEachTypeWithItsInletsAndProperties) {
    FakeEngine engine;
    TContraptionFactory factory;
    RegisterContraptionMakers(factory);
    for (const auto& t : kTypes) {
        Contraption c = factory.CreateContraption(t.type, &engine, "");
        ASSERT_NE(c, nullptr) << t.type;
        EXPECT_EQ(c->name, std::string(t.type) + "_1");
        const MGSignalProcessor& p = *c->processor;
        EXPECT_EQ(p.InletCount(), t.inlets) << t.type;
        EXPECT_EQ(p.OutletCount(), t.outlets) << t.type;
        std::ostringstream text;
        text << p.propertyList;
        EXPECT_EQ(text.str(), t.properties) << t.type;
        EXPECT_EQ(p.context, t.inContext ? &engine.context : nullptr) << t.type;
    }
    // The names of the sizes are formed in the same way.
    Contraption pan = factory.CreateContraption("P3Mixer", &engine, "");
    EXPECT_EQ(PropertyNames(pan->processor->propertyList),
              (std::vector<std::string>{"MasterGain", "Gain_0", "Pan_0", "Gain_1", "Pan_1",
                                        "Gain_2", "Pan_2"}));
    Contraption stereo = factory.CreateContraption("S12Mixer", &engine, "");
    EXPECT_EQ(PropertyNames(stereo->processor->propertyList).back(), "Gain_11");
    Contraption gen = factory.CreateContraption("TestGen", &engine, "");
    EXPECT_EQ(PropertyNames(gen->processor->propertyList),
              (std::vector<std::string>{"Amplitude", "Frequency", "Waveform"}));
    Contraption fader = factory.CreateContraption("Crossfader", &engine, "");
    EXPECT_EQ(PropertyNames(fader->processor->propertyList),
              (std::vector<std::string>{"MasterGain", "TrimA", "TrimB", "Fade"}));
}

// One of every type, all fed by a generator and all heard, through blocks
// that compute their first targets and blocks that follow a change of every
// setting.
TEST(Processing, AllocatesNothing) {
    FakeEngine engine;
    TContraptionFactory factory;
    RegisterContraptionMakers(factory);
    std::vector<Contraption> contraptions;
    for (const auto& t : kTypes) {
        contraptions.push_back(factory.CreateContraption(t.type, &engine, ""));
        contraptions.back()->AttachProcessor();
    }
    MGSignalProcessor& gen = *contraptions.front()->processor;
    dynamic_cast<MGDoubleProperty&>(*gen.propertyList.Find("Amplitude")).SetValue(0.5);
    auto* sink = new TestSink(64);
    sink->SetContext(&engine.context);
    int sinkInlet = 0;
    for (auto& c : contraptions) {
        MGSignalProcessor& p = *c->processor;
        for (int k = 0; k < p.InletCount(); ++k)
            ASSERT_TRUE(engine.context.Connect(&gen, 0, &p, k, false));
        for (int k = 0; k < p.OutletCount(); ++k)
            ASSERT_TRUE(engine.context.Connect(&p, k, sink, sinkInlet++, false));
    }

    auto countBlocks = [&engine](int blocks) {
        const long before = AllocationCount();
        for (int i = 0; i < blocks; ++i)
            engine.context.ProcessBlock();
        return AllocationCount() - before;
    };
    EXPECT_EQ(countBlocks(2), 0);
    for (auto& c : contraptions) {
        MGPropertyList& list = c->processor->propertyList;
        for (int i = 0; i < list.Count(); ++i)
            if (auto* d = dynamic_cast<MGDoubleProperty*>(&list.Property(i)))
                d->SetValue(0.75);
    }
    EXPECT_EQ(countBlocks(3), 0);
    contraptions.clear();
}

TEST(RegisterContraptionMakers, GivesEachTypeOnePlaceAndAKnownGroup) {
    TContraptionFactory factory;
    RegisterContraptionMakers(factory);
    const std::set<std::string> groups = {
        "I/O", "Signal Generators", "Effects", "Filters", "Mixers", "Busses"};
    std::set<std::string> names;
    for (const TContraptionMaker* maker : factory.makers) {
        EXPECT_TRUE(names.insert(maker->typeName).second) << maker->typeName;
        EXPECT_TRUE(groups.count(maker->category) == 1) << maker->typeName;
    }
}

} // namespace
