#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/contraption.h"
#include "framework/contraption_factory.h"
#include "test_processors.h"

namespace {

using Contraption = std::unique_ptr<TQuorlingContraption>;

// A single-instance type that wraps a processor it does not own, as the
// engine's sound endpoints do.
class SingleMaker : public TContraptionMaker {
public:
    TestSilent endpoint;

    explicit SingleMaker(TContraptionFactory& f) : TContraptionMaker(f, "SoundOut", "I/O", true) {}
    Contraption CreateContraption(TContraptionEngine* engine, const std::string& name) override {
        if (instance != nullptr)
            return nullptr;
        return std::make_unique<TQuorlingContraption>(engine, this, &endpoint, name, false);
    }
};

class TContraptionTest : public ::testing::Test {
protected:
    TContraptionTest()
        : ring(factory.Register<TMakerTemplate<TestRing>>("RingAM", "Effects")),
          all(factory.Register<TMakerTemplate<TestAllTypes>>("AllTypes", "")),
          buss(factory.Register<TMakerTemplate<TestSilent>>("M2Buss", "Busses")),
          single(factory.Register<SingleMaker>()) {}

    Contraption New(const char* type = "RingAM", const std::string& name = "") {
        Contraption c = factory.CreateContraption(type, &engine, name);
        EXPECT_NE(c, nullptr) << type;
        return c;
    }

    static std::string Block(TQuorlingContraption& c) {
        std::ostringstream os;
        os << c;
        return os.str();
    }

    static std::string EmptyPresets() {
        std::string s = "{ ";
        for (int k = 0; k < 20; ++k)
            s += k > 0 ? ", {  }" : "{  }";
        return s + " }";
    }

    FakeEngine engine;
    TContraptionFactory factory;
    TContraptionMaker& ring;
    TContraptionMaker& all;
    TContraptionMaker& buss;
    SingleMaker& single;
};

TEST_F(TContraptionTest, MadeUpNamesTakeTheLowestFreeNumber) {
    Contraption a = New(), b = New(), c = New();
    EXPECT_EQ(a->name, "RingAM_1");
    EXPECT_EQ(b->name, "RingAM_2");
    EXPECT_EQ(c->name, "RingAM_3");
    b.reset();
    EXPECT_FALSE(ring.IsNumberUsed(2));
    Contraption d = New();
    EXPECT_EQ(d->name, "RingAM_2");
    Contraption bus = New("M2Buss");
    EXPECT_EQ(bus->name, "M2Buss_1") << "each type counts on its own";
}

TEST_F(TContraptionTest, AGivenNameHoldsItsNumber) {
    Contraption loaded = New("RingAM", "RingAM_7");
    EXPECT_EQ(loaded->name, "RingAM_7");
    std::vector<Contraption> made;
    std::vector<std::string> names;
    for (int i = 0; i < 7; ++i) {
        made.push_back(New());
        names.push_back(made.back()->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"RingAM_1", "RingAM_2", "RingAM_3", "RingAM_4",
                                               "RingAM_5", "RingAM_6", "RingAM_8"}));
}

TEST_F(TContraptionTest, OnlyAnUnderscoreAndANumberInRangeAreHeld) {
    const struct {
        const char* name;
        int held; // the number held, or 0 for none
    } cases[] = {
        {"Lead_5", 5},         // any prefix: the number counts
        {"RingAM_1024", 1024}, // the last tracked number
        {"RingAM_0001", 1},    // leading zeros
        {"RingAM7", 0},        // no underscore
        {"Ring", 0},           // no number
        {"RingAM_", 0},        // no digits
        {"_", 0},
        {"RingAM_0", 0}, // outside 1..1024
        {"RingAM_1025", 0},
        {"RingAM_1234567890", 0}, // ten digits: the last nine follow a digit
        {"RingAM_999999999", 0},
    };
    for (const auto& tc : cases) {
        Contraption c = New("RingAM", tc.name);
        EXPECT_EQ(c->name, tc.name);
        EXPECT_EQ(ring.usedNumbers.count(), tc.held != 0 ? 1u : 0u) << tc.name;
        if (tc.held != 0) {
            EXPECT_TRUE(ring.IsNumberUsed(tc.held)) << tc.name;
        }
        c.reset();
        EXPECT_EQ(ring.usedNumbers.count(), 0u) << tc.name << " is released";
    }
}

TEST_F(TContraptionTest, MadeUpNamesStayUniqueWhenANumberIsHeldTwice) {
    Contraption made = New();                     // RingAM_1
    Contraption loaded = New("RingAM", "Copy_1"); // holds 1 as well
    loaded.reset();                               // releases 1 while RingAM_1 lives
    Contraption next = New();
    EXPECT_EQ(next->name, "RingAM_2");
}

TEST_F(TContraptionTest, NamesBeyondTheTrackedNumbersAreStillMadeUp) {
    for (int k = 1; k <= TContraptionMaker::NumberCount; ++k)
        ring.usedNumbers.set(static_cast<size_t>(k - 1));
    Contraption a = New();
    Contraption b = New();
    EXPECT_EQ(a->name, "RingAM_1025");
    EXPECT_EQ(b->name, "RingAM_1026");
    a.reset();
    EXPECT_TRUE(ring.usedNumbers.all()) << "no other number is touched";
    factory.ResetAllNumbers();
    EXPECT_TRUE(ring.usedNumbers.none());
    Contraption c = New();
    EXPECT_EQ(c->name, "RingAM_1");
}

TEST_F(TContraptionTest, ASingleInstanceTypeIsNamedByItsTypeName) {
    Contraption out = New("SoundOut");
    EXPECT_EQ(out->name, "SoundOut");
    EXPECT_EQ(single.instance, out.get());
    EXPECT_EQ(factory.CreateContraption("SoundOut", &engine, ""), nullptr);
    TestSilent* endpoint = &single.endpoint;
    out.reset();
    EXPECT_EQ(single.instance, nullptr);
    EXPECT_EQ(endpoint->propertyList.info, &MGPropertyList::emptyInfo)
        << "the wrapped processor is not deleted";
    EXPECT_NE(New("SoundOut"), nullptr);
}

TEST_F(TContraptionTest, LookupsAreExactAndCaseSensitive) {
    Contraption a = New();
    EXPECT_EQ(factory.CreateContraption("ringam", &engine, ""), nullptr);
    EXPECT_EQ(factory.CreateContraption("RingAM ", &engine, ""), nullptr);
    EXPECT_EQ(factory.FindMaker("RINGAM"), nullptr);
    EXPECT_EQ(factory.FindMaker("RingAM"), &ring);
    EXPECT_EQ(factory.FindContraption("RingAM_1"), a.get());
    EXPECT_EQ(factory.FindContraption("ringam_1"), nullptr);
    EXPECT_EQ(factory.FindContraption("RingAM_"), nullptr);
}

TEST_F(TContraptionTest, ANameHeldTwiceFindsTheOlderUntilItGoes) {
    Contraption first = New("RingAM", "Twin_1");
    Contraption second = New("AllTypes", "Twin_1");
    Contraption third = New("RingAM", "Twin_1");
    EXPECT_EQ(factory.FindContraption("Twin_1"), first.get());
    second.reset();
    EXPECT_EQ(factory.FindContraption("Twin_1"), first.get());
    first.reset();
    EXPECT_EQ(factory.FindContraption("Twin_1"), third.get());
    third.reset();
    EXPECT_EQ(factory.FindContraption("Twin_1"), nullptr);
    Contraption again = New("AllTypes", "Twin_1");
    EXPECT_EQ(factory.FindContraption("Twin_1"), again.get());
}

TEST_F(TContraptionTest, TheFactoryListsMakersAndContraptionsInOrder) {
    EXPECT_EQ(factory.MakerCount(), 4);
    EXPECT_EQ(factory.Maker(0), &ring);
    EXPECT_EQ(factory.Maker(3), &single);
    EXPECT_EQ(factory.Maker(4), nullptr);
    EXPECT_EQ(factory.Maker(-1), nullptr);

    Contraption a = New(), b = New("M2Buss"), c = New();
    EXPECT_EQ(factory.ContraptionCount(), 3);
    EXPECT_EQ(factory.Contraption(1), b.get());
    b.reset();
    EXPECT_EQ(factory.ContraptionCount(), 2);
    EXPECT_EQ(factory.Contraption(1), c.get());
    EXPECT_EQ(factory.Contraption(2), nullptr);

    {
        TMakerTemplate<TestRing> temporary(factory, "Temporary", "Effects");
        EXPECT_EQ(factory.MakerCount(), 5);
    }
    EXPECT_EQ(factory.MakerCount(), 4) << "a maker leaves the factory when destroyed";
}

TEST_F(TContraptionTest, TheMakerBuildsTheProcessorWithItsInfo) {
    Contraption c = New("AllTypes");
    EXPECT_EQ(c->maker, &all);
    EXPECT_TRUE(c->ownsProcessor);
    EXPECT_EQ(c->processor->propertyList.Count(), 9);
    EXPECT_EQ(c->processor->context, nullptr) << "joins the context only when attached";
    EXPECT_EQ(c->currentPreset, 0);
    EXPECT_EQ(c->engine, &engine);
}

TEST_F(TContraptionTest, AttachingTakesTheGraphLock) {
    Contraption c = New();
    c->AttachProcessor();
    EXPECT_EQ(c->processor->context, &engine.context);
    EXPECT_EQ(engine.locks, 1);
    EXPECT_EQ(engine.lockDepth, 0);
    const MGDynSigPipe* pipe = c->processor;
    EXPECT_EQ(std::count(engine.context.allPipes.begin(), engine.context.allPipes.end(), pipe), 1);
    c.reset(); // deleting the owned processor takes it out of the context
    EXPECT_EQ(std::count(engine.context.allPipes.begin(), engine.context.allPipes.end(), pipe), 0);
}

TEST_F(TContraptionTest, PresetSlots) {
    Contraption c = New();
    auto& p = static_cast<TestRing&>(*c->processor);
    c->StorePreset(2); // slot 3 on the preset button
    EXPECT_EQ(c->currentPreset, 2);
    EXPECT_TRUE(c->HasPreset(2));
    EXPECT_FALSE(c->HasPreset(3));
    p.frequency.SetValue(1000.0);
    c->SetModified(true);
    EXPECT_EQ(c->currentPreset, -1);
    EXPECT_TRUE(engine.modified);
    c->RecallPreset(2);
    EXPECT_EQ(p.frequency.Value(), 440.0);
    EXPECT_EQ(c->currentPreset, 2);

    c->StorePreset(5);
    c->ClearPreset(2); // not the current one
    EXPECT_EQ(c->currentPreset, 5);
    EXPECT_FALSE(c->HasPreset(2));
    c->ClearPreset(5);
    EXPECT_EQ(c->currentPreset, -1);

    for (int slot : {-1, 20, 1000}) {
        c->StorePreset(slot);
        c->RecallPreset(slot);
        c->ClearPreset(slot);
        EXPECT_FALSE(c->HasPreset(slot));
        EXPECT_EQ(c->Preset(slot), nullptr);
        EXPECT_EQ(c->currentPreset, -1);
    }
    EXPECT_NE(c->Preset(19), nullptr);
}

TEST_F(TContraptionTest, WritesTheDocumentBlock) {
    Contraption ring1 = New();
    ring1->formState->nodeX = 40;
    ring1->formState->nodeY = 30;
    ring1->formState->top = 10;
    ring1->formState->left = 200;
    EXPECT_EQ(Block(*ring1), "RingAM\tRingAM_1\t{ 440, 0 }\t" + EmptyPresets() +
                                 "{ }{ 40 30 F Z Z 10 200 Z Z Z Z  }\t");

    Contraption bus = New("M2Buss");
    EXPECT_EQ(Block(*bus),
              "M2Buss\tM2Buss_1\t{  }\t" + EmptyPresets() + "{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t");
}

TEST_F(TContraptionTest, ABlockReadsBackWithPresetsAndWindowState) {
    Contraption original = New("AllTypes", "AllTypes_4");
    auto& p = static_cast<TestAllTypes&>(*original->processor);
    original->StorePreset(0);
    p.file.SetValue("kick \"808\".wav");
    p.span.SetValue(0.25f, 0.75f);
    original->StorePreset(19);
    p.gain.SetValue(0.001);
    original->formState->nodeX = 96;
    original->formState->nodeY = 48;
    original->formState->top = 250;
    const std::string text = Block(*original);

    TContraptionFactory other;
    other.Register<TMakerTemplate<TestAllTypes>>("AllTypes", "");
    std::istringstream is(text + "\nnext line");
    Contraption copy = other.ReadContraption(&engine, is);
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(is.fail());
    EXPECT_EQ(copy->name, "AllTypes_4");
    EXPECT_TRUE(other.makers[0]->IsNumberUsed(4));
    EXPECT_TRUE(copy->HasPreset(0));
    EXPECT_TRUE(copy->HasPreset(19));
    EXPECT_FALSE(copy->HasPreset(1));
    EXPECT_EQ(copy->formState->nodeX, 96);
    EXPECT_EQ(copy->formState->top, 250);
    EXPECT_EQ(copy->formState->form, nullptr);
    EXPECT_EQ(Block(*copy), text);
    std::string rest;
    std::getline(is, rest);
    EXPECT_EQ(rest, "\t") << "the closing tab is left for the caller's skip to the line end";
}

TEST_F(TContraptionTest, ReadingResetsTheProcessorAfterItsProperties) {
    std::istringstream is("RingAM\tRingAM_2\t{ 330, 1 }\t" + EmptyPresets() +
                          "{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t");
    Contraption c = factory.ReadContraption(&engine, is);
    ASSERT_NE(c, nullptr);
    auto& p = static_cast<TestRing&>(*c->processor);
    EXPECT_EQ(p.resets, 1);
    EXPECT_EQ(p.frequency.Value(), 330.0);
    EXPECT_TRUE(p.am.Value());
}

TEST_F(TContraptionTest, ReadingRefusesUnknownTypesAndOverlongNames) {
    const std::string tail = "\t{ 1 }\t{ {  } }{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t";
    const struct {
        const char* what;
        std::string line;
    } cases[] = {
        {"unknown type", "Nope\tNope_1" + tail},
        {"lower-case type", "ringam\tringam_1" + tail},
        {"type name too long", std::string(200, 'R') + "\tx" + tail},
        {"instance name too long", "RingAM\t" + std::string(200, 'n') + tail},
        {"quoted name too long", "RingAM\t\"" + std::string(100, 'q') + "\"" + tail},
    };
    for (const auto& tc : cases) {
        std::istringstream is(tc.line + "\nRingAM\tRingAM_9" + tail);
        EXPECT_EQ(factory.ReadContraption(&engine, is), nullptr) << tc.what;
        EXPECT_FALSE(is.fail()) << tc.what;
        EXPECT_EQ(factory.ContraptionCount(), 0) << tc.what;
        EXPECT_TRUE(ring.usedNumbers.none()) << tc.what;
        // The caller skips the rest of the line; the next block reads.
        std::string skipped;
        std::getline(is, skipped);
        Contraption next = factory.ReadContraption(&engine, is);
        ASSERT_NE(next, nullptr) << tc.what;
        EXPECT_EQ(next->name, "RingAM_9");
    }

    // The longest names accepted.
    std::istringstream longest("RingAM\t" + std::string(199, 'n') + tail);
    EXPECT_NE(factory.ReadContraption(&engine, longest), nullptr);
}

TEST_F(TContraptionTest, QuotedNamesReadAndWriteBack) {
    std::istringstream is("RingAM\t\"My Ring_3\"\t{ 220, 0 }\t" + EmptyPresets() +
                          "{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t");
    Contraption c = factory.ReadContraption(&engine, is);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(is.fail());
    EXPECT_EQ(c->name, "My Ring_3");
    EXPECT_EQ(static_cast<TestRing&>(*c->processor).frequency.Value(), 220.0);
    const std::string text = Block(*c);
    EXPECT_EQ(text.substr(0, 19), "RingAM\t\"My Ring_3\"\t");
    c.reset();
    std::istringstream again(text);
    Contraption d = factory.ReadContraption(&engine, again);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->name, "My Ring_3");
}

TEST_F(TContraptionTest, WindowsComeThroughTheFormCreator) {
    bool destroyed = false;
    FakeWindow* window = nullptr;
    EXPECT_FALSE(factory.SetFormCreator("NoSuchType", nullptr));
    ASSERT_TRUE(factory.SetFormCreator("RingAM", [&](TQuorlingContraption&) {
        window = new FakeWindow(&destroyed);
        return window;
    }));

    Contraption bus = New("M2Buss");
    bus->ShowForm();
    EXPECT_EQ(bus->formState->form, nullptr) << "a type without a window shows nothing";
    EXPECT_EQ(bus->currentPreset, 0);

    Contraption c = New();
    c->ShowForm();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(c->formState->form, window);
    EXPECT_EQ(window->caption, "RingAM_1");
    EXPECT_EQ(window->shows, 1);
    EXPECT_GE(window->refreshes, 1);
    EXPECT_TRUE(engine.modified);
    EXPECT_EQ(c->currentPreset, -1);

    // An open window's position goes into the block.
    window->left = 200;
    window->top = 10;
    c->formState->nodeX = 40;
    c->formState->nodeY = 30;
    const std::string text = Block(*c);
    EXPECT_NE(text.find("{ 40 30 T Z Z 10 200 Z Z Z Z  }\t"), std::string::npos) << text;

    // Closing by the user.
    engine.modified = false;
    c->formState->FormClosed();
    delete window;
    EXPECT_EQ(c->formState->form, nullptr);
    EXPECT_TRUE(engine.modified);

    // A block with an open window opens it again on reading.
    c.reset();
    destroyed = false;
    window = nullptr;
    std::istringstream is(text);
    Contraption reread = factory.ReadContraption(&engine, is);
    ASSERT_NE(reread, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(reread->formState->form, window);
    EXPECT_EQ(reread->formState->left, 200);
    reread.reset();
    EXPECT_TRUE(destroyed) << "deleting the contraption destroys its window";
}

} // namespace
