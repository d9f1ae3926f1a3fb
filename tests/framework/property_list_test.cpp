#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "signal/property_list.h"
#include "test_processors.h"

namespace {

std::string ListText(const MGPropertyList& list) {
    std::ostringstream os;
    os << list;
    return os.str();
}

TEST(MGPropertyList, RegistrationBuildsOneInfoPerClass) {
    TestRing a, b;
    a.InitPropertyInfo();
    b.InitPropertyInfo();
    ASSERT_EQ(a.propertyList.info, b.propertyList.info);
    const MGPropertyList::Info& info = *a.propertyList.info;
    EXPECT_TRUE(info.built);
    EXPECT_EQ(info.count, 2);
    ASSERT_EQ(info.properties.size(), 2u);
    EXPECT_STREQ(info.properties[1]->name, "AM");
    EXPECT_STREQ(info.properties[1]->help, "false - Ring, true - AM");
    EXPECT_STREQ(info.properties[0]->help, "");
    // Each instance's properties are found through the shared offsets.
    b.frequency.SetValue(220.0);
    EXPECT_EQ(&a.propertyList.Property(0), &a.frequency);
    EXPECT_EQ(&b.propertyList.Property(0), &b.frequency);
    EXPECT_EQ(&b.propertyList.Property(1), &b.am);
}

TEST(MGPropertyList, NamesAreFoundExactly) {
    TestAllTypes p;
    p.InitPropertyInfo();
    EXPECT_EQ(p.propertyList.Find("Gain"), &p.gain);
    EXPECT_EQ(p.propertyList.Find("Level_2"), &p.levels[2]);
    EXPECT_EQ(p.propertyList.Find("gain"), nullptr);
    EXPECT_EQ(p.propertyList.info->IndexOf("Level_0"), 6);
    EXPECT_EQ(p.propertyList.info->IndexOf("Missing"), -1);
    EXPECT_STREQ(p.propertyList.Name(8), "Level_2");
}

TEST(MGPropertyList, ARepeatedNameKeepsItsFirstIndex) {
    struct Twice : MGSignalProcessor {
        MGIntProperty a{1}, b{2};
        Twice() : MGSignalProcessor(nullptr, 0, 0) {}
        void Process() override {}
        void InitPropertyInfo() override {
            static MGPropertyList::Info info;
            propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
                r.Add(a, "Same");
                r.Add(b, "Same");
            });
        }
    } p;
    p.InitPropertyInfo();
    EXPECT_EQ(p.propertyList.Count(), 2);
    EXPECT_EQ(p.propertyList.Find("Same"), &p.a);
}

TEST(MGPropertyList, AProcessorWithoutPropertiesHasTheEmptyList) {
    TestSilent p;
    p.InitPropertyInfo();
    EXPECT_EQ(p.propertyList.info, &MGPropertyList::emptyInfo);
    EXPECT_EQ(ListText(p.propertyList), "{  }");
    std::istringstream is("{ 1, 2 } next");
    is >> p.propertyList;
    EXPECT_FALSE(is.fail());
    std::string rest;
    is >> rest;
    EXPECT_EQ(rest, "next");
}

TEST(MGPropertyList, WritesEveryValueInOrder) {
    TestAllTypes p;
    p.InitPropertyInfo();
    EXPECT_EQ(ListText(p.propertyList),
              "{ 1, -3, 0.5, -1 2.5, \"loop.wav\", 36 36 36 36 36 36 36 36 , 1, 2, 3 }");
}

// Reading into a TestRing (Frequency 440, AM 0) from different texts.
TEST(MGPropertyList, ReadsListsOfAnyLength) {
    const struct {
        const char* what;
        const char* input;
        bool ok;
        double frequency;
        bool am;
        const char* rest; // what the next read finds
    } cases[] = {
        {"exact", "{ 220, 1 } x", true, 220.0, true, "x"},
        {"more values than properties", "{ 220, 1, 5, \"s\" } x", true, 220.0, true, "x"},
        {"fewer values", "{ 110 } x", true, 110.0, false, "x"},
        {"empty", "{  } x", true, 440.0, false, "x"},
        {"no spaces", "{330,1}x", true, 330.0, true, "x"},
        {"missing opening brace", "220, 1 }", false, 440.0, false, ""},
        {"missing closing brace", "{ 220, 1", false, 220.0, true, ""},
        {"bad separator", "{ 220; 1 }", false, 220.0, false, ""},
        {"bool given 2", "{ 220, 2 } x", false, 220.0, false, ""},
        {"bad first value", "{ abc, 1 }", false, 440.0, false, ""},
    };
    for (const auto& tc : cases) {
        TestRing p;
        p.InitPropertyInfo();
        std::istringstream is(tc.input);
        is >> p.propertyList;
        EXPECT_EQ(!is.fail(), tc.ok) << tc.what;
        EXPECT_EQ(p.frequency.Value(), tc.frequency) << tc.what;
        EXPECT_EQ(p.am.Value(), tc.am) << tc.what;
        if (tc.ok) {
            std::string rest;
            is >> rest;
            EXPECT_EQ(rest, tc.rest) << tc.what;
        }
    }
}

TEST(MGPropertyList, RoundTripsEveryType) {
    TestAllTypes a;
    a.InitPropertyInfo();
    a.flag.SetValue(false);
    a.count.SetValue(-2147483647 - 1);
    a.gain.SetValue(0.125);
    a.span.SetValue(-3.5f, 1e-5f);
    a.file.SetValue("with \"quotes\", commas } and \\");
    a.notes.SetAt(0, -128);
    a.levels[1].SetValue(1e+06);

    TestAllTypes b;
    b.InitPropertyInfo();
    std::istringstream is(ListText(a.propertyList));
    is >> b.propertyList;
    EXPECT_FALSE(is.fail());
    EXPECT_EQ(ListText(b.propertyList), ListText(a.propertyList));
    EXPECT_STREQ(b.file.Value(), a.file.Value());
}

TEST(MGPropertyList, AFailedStringStopsTheList) {
    TestAllTypes p;
    p.InitPropertyInfo();
    std::istringstream is("{ 0, 5, 0.25, 1 2, unquoted, 1 1 1 1 1 1 1 1  }");
    is >> p.propertyList;
    EXPECT_TRUE(is.fail());
    EXPECT_EQ(p.count.Value(), 5);
    EXPECT_STREQ(p.file.Value(), "loop.wav");
    EXPECT_EQ(p.notes.At(0), 36) << "nothing after the failure is read";
}

} // namespace
