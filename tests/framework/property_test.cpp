#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

#include "signal/property.h"

namespace {

std::string Text(const MGProperty& p) {
    std::ostringstream os;
    p.Write(os);
    return os.str();
}

TEST(MGPropertyTextForm, WritesEachType) {
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    };
    MGCStringProperty quoted("say \"hi\" to C:\\dir\\");
    const Case cases[] = {
        {"double, six digits", Text(MGDoubleProperty(440.123456)), "440.123"},
        {"double, integral", Text(MGDoubleProperty(440.0)), "440"},
        {"double, half", Text(MGDoubleProperty(0.5)), "0.5"},
        {"double, small", Text(MGDoubleProperty(0.00001)), "1e-05"},
        {"double, large", Text(MGDoubleProperty(1000000.0)), "1e+06"},
        {"double, negative", Text(MGDoubleProperty(-2.25)), "-2.25"},
        {"int, negative", Text(MGIntProperty(-42)), "-42"},
        {"int, large", Text(MGIntProperty(65535)), "65535"},
        {"bool, false", Text(MGBoolProperty(false)), "0"},
        {"bool, true", Text(MGBoolProperty(true)), "1"},
        {"range, widened floats", Text(MGRangeProperty(0.1f, 1e-5f)), "0.1 1e-05"},
        {"range, negative low", Text(MGRangeProperty(-0.5f, 2.0f)), "-0.5 2"},
        {"eight chars, trailing space", Text(MG8CharsProperty(36)), "36 36 36 36 36 36 36 36 "},
        {"string, escapes", Text(quoted), R"("say \"hi\" to C:\\dir\\")"},
        {"string, null", Text(MGCStringProperty()), "\"\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, c.expected) << c.what;

    MG8CharsProperty notes;
    notes.SetChars({0, -1, 127, -128, 5, 6, 7, 8});
    EXPECT_EQ(Text(notes), "0 -1 127 -128 5 6 7 8 ");
}

TEST(MGPropertyTextForm, IgnoresTheStreamsFormatting) {
    std::ostringstream os;
    os << std::hex << std::showpos << std::fixed;
    MGIntProperty(255).Write(os);
    os << ' ';
    MGDoubleProperty(0.5).Write(os);
    EXPECT_EQ(os.str(), "255 0.5");
}

TEST(MGPropertyRead, ParsesEachTypeAndMarksIt) {
    MGIntProperty i;
    MGDoubleProperty d;
    MGRangeProperty r;
    MG8CharsProperty c;
    struct Case {
        MGProperty& property;
        const char* input;
        std::string expectedText;
    } cases[] = {
        {i, " 010", "8"},  // leading zero: octal
        {i, "0x10", "16"}, // hexadecimal
        {i, "0X1f", "31"},
        {i, "-17", "-17"},
        {d, "\t440.5", "440.5"},
        {d, "-1e-3", "-0.001"},
        {r, "0.25 -4", "0.25 -4"},
        {r, "1e300 -1e300", "3.40282e+38 -3.40282e+38"}, // beyond float: the largest float
        {c, "1 2 3 4 5 6 7 0x7f", "1 2 3 4 5 6 7 127 "},
        {c, "255 256 -1 0 0 0 0 0", "-1 0 -1 0 0 0 0 0 "}, // the low byte of each
    };
    for (Case& tc : cases) {
        tc.property.TestAndClearChanged();
        std::istringstream is(tc.input);
        is >> std::dec; // a base set on the stream does not matter
        tc.property.Read(is);
        EXPECT_FALSE(is.fail()) << tc.input;
        EXPECT_EQ(Text(tc.property), tc.expectedText) << tc.input;
        EXPECT_TRUE(tc.property.IsChanged()) << tc.input;
    }
}

TEST(MGPropertyRead, FailuresKeepTheValueExceptForBool) {
    MGIntProperty i(5);
    MGDoubleProperty d(2.5);
    MGRangeProperty r(1.0f, 2.0f);
    MG8CharsProperty c(3);
    struct Case {
        MGProperty& property;
        const char* input;
        std::string expectedText;
    } cases[] = {
        {i, "x", "5"},
        {i, "99999999999", "5"}, // out of range
        {d, "", "2.5"},
        {d, "abc", "2.5"},
        {r, "7 x", "1 2"}, // half a range stores nothing
        {c, "1 2 3", "3 3 3 3 3 3 3 3 "},
    };
    for (Case& tc : cases) {
        std::istringstream is(tc.input);
        tc.property.Read(is);
        EXPECT_TRUE(is.fail()) << tc.input;
        EXPECT_EQ(Text(tc.property), tc.expectedText) << tc.input;
    }
}

TEST(MGPropertyRead, BoolAcceptsOnlyZeroAndOne) {
    const struct {
        const char* input;
        bool ok;
        bool value;
    } cases[] = {{"1", true, true},    {"0", true, false}, {"2", false, false},
                 {"-1", false, false}, {"", false, false}, {"yes", false, false}};
    for (const auto& tc : cases) {
        MGBoolProperty b(true);
        std::istringstream is(tc.input);
        b.Read(is);
        EXPECT_EQ(!is.fail(), tc.ok) << tc.input;
        EXPECT_EQ(b.Value(), tc.value) << tc.input;
    }
}

TEST(MGCStringProperty, RoundTripsQuotesAndBackslashes) {
    const char* const texts[] = {
        "", "plain", "a \"quoted\" word", "C:\\sounds\\kick.wav", "\\\"", "tab\tand\nnewline"};
    for (const char* text : texts) {
        MGCStringProperty written(text);
        MGCStringProperty read("previous");
        std::istringstream is(Text(written) + " rest");
        read.Read(is);
        EXPECT_FALSE(is.fail()) << text;
        EXPECT_STREQ(read.Value(), text);
        std::string rest;
        is >> rest;
        EXPECT_EQ(rest, "rest") << "reading stops right after the closing quote";
    }
}

TEST(MGCStringProperty, ReadsAnEscapedOtherCharacterAsItself) {
    MGCStringProperty s;
    std::istringstream is(R"("a\bc")");
    s.Read(is);
    EXPECT_STREQ(s.Value(), "abc");
}

TEST(MGCStringProperty, ReadsTextsLongerThanTheOldBufferWhole) {
    const std::string longText(5000, 'x');
    MGCStringProperty s;
    std::istringstream is("\"" + longText + "y\"");
    s.Read(is);
    EXPECT_FALSE(is.fail());
    EXPECT_EQ(std::string(s.Value()), longText + "y");
}

TEST(MGCStringProperty, FailsOnUnquotedOrUnclosedTextAndKeepsTheValue) {
    const char* const inputs[] = {"plain", "\"never closed", "\"ends in escape\\", ""};
    for (const char* input : inputs) {
        MGCStringProperty s("kept");
        std::istringstream is(input);
        s.Read(is);
        EXPECT_TRUE(is.fail()) << input;
        EXPECT_STREQ(s.Value(), "kept") << input;
    }
}

TEST(MGCStringProperty, SettingEqualTextOnlyMarks) {
    MGCStringProperty s("same");
    const char* before = s.Value();
    s.TestAndClearChanged();
    s.SetValue("same");
    EXPECT_EQ(s.Value(), before) << "no new copy";
    EXPECT_TRUE(s.TestAndClearChanged());
    s.SetValue(nullptr);
    EXPECT_STREQ(s.Value(), "");
    EXPECT_TRUE(s.TestAndClearChanged());
}

TEST(MGProperty, StartsMarkedAndTestAndClearClearsOnlyTheMark) {
    MGDoubleProperty d(1.0);
    EXPECT_EQ(d.flags.load(), 0x4000 + MGProperty::DoubleType);
    EXPECT_TRUE(d.TestAndClearChanged());
    EXPECT_FALSE(d.TestAndClearChanged());
    EXPECT_EQ(d.flags.load(), MGProperty::DoubleType);
    d.SetValue(2.0);
    EXPECT_TRUE(d.IsChanged());
    EXPECT_EQ(d.Value(), 2.0) << "reading does not touch the mark";
    EXPECT_TRUE(d.IsChanged());
}

TEST(MGProperty, CopyFromCopiesOnlyBetweenEqualTypes) {
    MGDoubleProperty d(1.5);
    MGIntProperty i(7);
    MGBoolProperty b(true);
    MGCStringProperty s("text");
    MGRangeProperty r(1.0f, 2.0f);
    MG8CharsProperty c(9);
    MGProperty* const all[] = {&d, &i, &b, &s, &r, &c};
    for (MGProperty* target : all) {
        for (MGProperty* source : all) {
            if (target == source)
                continue;
            const std::string before = Text(*target);
            target->CopyFrom(*source);
            EXPECT_EQ(Text(*target), before) << Text(*source) << " into " << before;
        }
    }

    MGDoubleProperty d2(3.0);
    d.TestAndClearChanged();
    d.CopyFrom(d2);
    EXPECT_EQ(d.Value(), 3.0);
    EXPECT_FALSE(d.IsChanged()) << "a numeric copy leaves the mark alone";

    MGCStringProperty s2("other");
    s.TestAndClearChanged();
    s.CopyFrom(s2);
    EXPECT_STREQ(s.Value(), "other");
    EXPECT_TRUE(s.IsChanged()) << "a string copy marks";

    MGRangeProperty r2(-1.0f, 4.0f);
    r.CopyFrom(r2);
    EXPECT_EQ(Text(r), "-1 4");
    MG8CharsProperty c2(-2);
    c.CopyFrom(c2);
    EXPECT_EQ(c.At(7), -2);
}

TEST(MGProperty, CloneCopiesTheValueWithTheMarkSet) {
    MGDoubleProperty d(440.0);
    MGCStringProperty s("abc");
    MGCStringProperty nullString;
    MG8CharsProperty c(12);
    MGRangeProperty r(0.5f, 0.75f);
    MGProperty* const all[] = {&d, &s, &nullString, &c, &r};
    for (MGProperty* p : all) {
        p->TestAndClearChanged();
        const std::unique_ptr<MGProperty> copy = p->Clone();
        EXPECT_EQ(copy->flags.load(), 0x4000 + p->TypeCode());
        EXPECT_EQ(Text(*copy), Text(*p));
        EXPECT_FALSE(p->IsChanged()) << "the source keeps its mark";
    }
}

TEST(MG8CharsProperty, SetAtChangesOneByteAndMarks) {
    MG8CharsProperty c(36);
    c.TestAndClearChanged();
    c.SetAt(3, -5);
    EXPECT_TRUE(c.IsChanged());
    EXPECT_EQ(Text(c), "36 36 36 -5 36 36 36 36 ");
}

} // namespace
