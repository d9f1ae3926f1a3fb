#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "controls/validated_edit.h"

namespace {

TEST(ValidatedEditTest, TextToNumberTakesTheWholeTextOrSaysWhy) {
    const struct {
        const char* text;
        std::optional<double> asFloat;
        std::optional<int> asInteger;
    } cases[] = {
        {"440", 440.0, 440},
        {" 12 ", 12.0, 12},
        {"-3", -3.0, -3},
        {"2.5", 2.5, std::nullopt},
        {"1e3", 1000.0, std::nullopt},
        {"4x", std::nullopt, std::nullopt},
        {"x", std::nullopt, std::nullopt},
        // Qt reads these as numbers; to the user they are not.
        {"nan", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"99999999999", 99999999999.0, std::nullopt},
    };
    for (const auto& c : cases) {
        QString floatError, integerError;
        EXPECT_EQ(VXTextToFloat(c.text, &floatError), c.asFloat) << c.text;
        EXPECT_EQ(VXTextToInteger(c.text, &integerError), c.asInteger) << c.text;
        EXPECT_EQ(floatError,
                  c.asFloat
                      ? QString()
                      : QStringLiteral("'%1' is not a valid floating point value.").arg(c.text))
            << c.text;
        EXPECT_EQ(integerError,
                  c.asInteger ? QString()
                              : QStringLiteral("'%1' is not a valid integer value.").arg(c.text))
            << c.text;
    }
}

// Types into a tempo-like field (1 ... 240) key by key, as the user does.
class TypedField : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 60);
        edit = new QLineEdit(&window);
        edit->setToolTip("Tempo (bpm)");
        check = new VXValidatedEdit(edit);
        QObject::connect(edit, &QLineEdit::textChanged, [this](const QString& text) {
            if (std::optional<int> t = check->CheckInteger(text, 1, 240, "1 ... 240"))
                taken = *t;
        });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }
    QColor TextColour() const { return edit->palette().color(QPalette::Text); }
    QColor Normal() const { return window.palette().color(QPalette::Active, QPalette::Text); }
    QColor Grey() const { return window.palette().color(QPalette::Disabled, QPalette::Text); }

    QWidget window;
    QLineEdit* edit = nullptr;
    VXValidatedEdit* check = nullptr;
    int taken = 0;
};

TEST_F(TypedField, EachKeystrokeIsMarkedAndTheKeyboardStaysInTheField) {
    const struct {
        const char* keys; // typed after the previous case's text
        const char* text;
        VXValidatedEdit::State state;
        int taken;
        const char* tip;
    } steps[] = {
        {"9", "9", VXValidatedEdit::Accepted, 9, "Tempo (bpm)"},
        {"x", "9x", VXValidatedEdit::Refused, 9, "'9x' is not a valid integer value."},
        {"y", "9xy", VXValidatedEdit::Refused, 9, "'9xy' is not a valid integer value."},
        {"\b\b0", "90", VXValidatedEdit::Accepted, 90, "Tempo (bpm)"},
        {"0", "900", VXValidatedEdit::OutOfRange, 90, "1 ... 240"},
        // On the way back "90" and "9" are taken again.
        {"\b\b\b", "", VXValidatedEdit::Accepted, 9, "Tempo (bpm)"},
        {"0", "0", VXValidatedEdit::OutOfRange, 9, "1 ... 240"},
    };
    for (const auto& s : steps) {
        for (const char* k = s.keys; *k != '\0'; ++k) {
            if (*k == '\b')
                QTest::keyClick(edit, Qt::Key_Backspace);
            else
                QTest::keyClick(edit, *k);
        }
        EXPECT_EQ(edit->text(), s.text) << s.keys;
        EXPECT_EQ(check->CurrentState(), s.state) << s.text;
        EXPECT_EQ(taken, s.taken) << s.text;
        EXPECT_EQ(edit->toolTip(), s.tip) << s.text;
        EXPECT_EQ(QApplication::focusWidget(), edit) << s.text;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << s.text;
        switch (s.state) {
        case VXValidatedEdit::Accepted:
            EXPECT_EQ(TextColour(), Normal()) << s.text;
            break;
        case VXValidatedEdit::OutOfRange:
            EXPECT_EQ(TextColour(), Grey()) << s.text;
            break;
        case VXValidatedEdit::Refused:
            EXPECT_NE(TextColour(), Normal()) << s.text;
            EXPECT_NE(TextColour(), Grey()) << s.text;
            EXPECT_GT(TextColour().red(), TextColour().green() + 100) << s.text;
            break;
        }
    }
    edit->setText("12x");
    window.grab().save("/tmp/validated_edit_refused.png");
}

TEST_F(TypedField, TheMarkFollowsTheDesktopColoursAfterwards) {
    edit->setText("500");
    edit->setText("120");
    QPalette dark = window.palette();
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    window.setPalette(dark);
    EXPECT_EQ(TextColour(), QColor(230, 230, 230));
    // A disabled field shows the disabled colour, refused or not.
    edit->setText("abc");
    edit->setEnabled(false);
    EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Text),
              dark.color(QPalette::Disabled, QPalette::Text));
}

} // namespace
