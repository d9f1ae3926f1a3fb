#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

#include "forms/contraption_form.h"
#include "forms/patterned_scroll_box.h"
#include "forms/preset_menu_form.h"
#include "contraptions/io/sound_in_window.h"
#include "contraptions/io/sound_out_window.h"
#include "contraptions/generators/testgen.h"
#include "contraptions/mixing/crossfader.h"
#include "contraptions/mixing/mixers.h"
#include "controls/knob.h"
#include "controls/slider.h"
#include "gui_test_support.h"
#include "host/sound_out.h"

namespace {

TContraptionForm* FormOf(const TQuorlingContraption* c) {
    return dynamic_cast<TContraptionForm*>(c->formState->form);
}

// Turns a knob by dragging it upwards.
void TurnUp(VXDWKnob* knob, int pixels) {
    const QPoint c = knob->rect().center();
    QTest::mousePress(knob, Qt::LeftButton, {}, c);
    QTest::mouseMove(knob, c - QPoint(0, pixels));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, c - QPoint(0, pixels));
}

void DragHeader(TContraptionForm* form, QPoint by) {
    QWidget* header = form->ODHeaderPanel;
    const QPoint start(20, 8);
    QTest::mousePress(header, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + by),
                     header->mapToGlobal(QPointF(start)) + QPointF(by), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(header, &move);
    QTest::mouseRelease(header, Qt::LeftButton, {}, start + by);
}

// Opens the preset menu from the window's button and runs `drive` on it
// while it waits.
void WithPresetMenu(TContraptionForm* form, const std::function<void(TPresetMenuForm&)>& drive) {
    TPresetMenuForm& menu = TPresetMenuForm::Instance();
    QMetaObject::Connection c =
        QObject::connect(&menu, &TPresetMenuForm::Opened, &menu, [&menu, drive] {
            QTimer::singleShot(0, &menu, [&menu, drive] { drive(menu); });
        });
    QTest::mousePress(form->ODPresetPanel, Qt::LeftButton, {}, QPoint(5, 5));
    QObject::disconnect(c);
}

void ClickSlot(TPresetMenuForm& menu, int slot, Qt::MouseButton button) {
    const QPoint at = menu.CellRect(slot).center();
    QTest::mouseMove(&menu, at);
    QTest::mousePress(&menu, button, {}, at);
    if (button == Qt::LeftButton)
        QTest::mouseRelease(&menu, button, {}, at);
}

TEST(ContraptionWindowTest, KnobsPresetsAndTheModifiedDocument) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    f.DoubleClick(gen);
    TContraptionForm* form = FormOf(gen);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->parentWidget(), f.form->ScrollBox->Content());
    EXPECT_EQ(form->ODFormLabel->text(), "TestGen_1");
    auto* generator = static_cast<ODTestSignalGenerator*>(gen->processor);

    f.form->document->ClearModified();
    gen->currentPreset = 4;
    form->UpdatePresetCaption();
    EXPECT_EQ(form->ODPresetPanel->text(), "5");
    auto* knob = form->findChild<VXDWKnob*>("VolumeKnob");
    ASSERT_NE(knob, nullptr);
    TurnUp(knob, 50);
    EXPECT_GT(generator->amplitude.Value(), 0.3);
    EXPECT_EQ(form->ODPresetPanel->text(), "--");
    f.form->document->UpdateModified();
    EXPECT_TRUE(f.form->document->modified);

    // Store in slot 3 with a right click, change, recall with a left click.
    const double stored = generator->amplitude.Value();
    WithPresetMenu(form, [](TPresetMenuForm& menu) {
        EXPECT_FALSE(menu.slotStored[2]);
        QTimer::singleShot(0, &menu, [&menu] {
            EXPECT_FALSE(menu.RecallItem->isEnabled());
            EXPECT_FALSE(menu.ClearItem->isEnabled());
            EXPECT_TRUE(menu.StoreItem->isEnabled());
            menu.StoreItem->trigger();
            menu.PopupMenu->close();
        });
        ClickSlot(menu, 3, Qt::RightButton);
    });
    EXPECT_TRUE(gen->HasPreset(2));
    EXPECT_EQ(form->ODPresetPanel->text(), "3");

    TurnUp(knob, 30);
    EXPECT_NE(generator->amplitude.Value(), stored);
    EXPECT_EQ(form->ODPresetPanel->text(), "--");
    WithPresetMenu(form, [](TPresetMenuForm& menu) { ClickSlot(menu, 3, Qt::LeftButton); });
    EXPECT_DOUBLE_EQ(generator->amplitude.Value(), stored);
    EXPECT_DOUBLE_EQ(knob->Value(), stored);
    EXPECT_EQ(form->ODPresetPanel->text(), "3");

    // A click on an empty slot closes the menu without effect.
    WithPresetMenu(form, [](TPresetMenuForm& menu) { ClickSlot(menu, 7, Qt::LeftButton); });
    EXPECT_FALSE(gen->HasPreset(6));
    EXPECT_EQ(form->ODPresetPanel->text(), "3");

    // Clearing the current slot shows "--".
    WithPresetMenu(form, [](TPresetMenuForm& menu) {
        QTimer::singleShot(0, &menu, [&menu] {
            menu.ClearItem->trigger();
            menu.PopupMenu->close();
        });
        ClickSlot(menu, 3, Qt::RightButton);
    });
    EXPECT_FALSE(gen->HasPreset(2));
    EXPECT_EQ(form->ODPresetPanel->text(), "--");
}

TEST(ContraptionWindowTest, PresetMenuStaysOnTheScreen) {
    TPresetMenuForm& menu = TPresetMenuForm::Instance();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QObject::connect(&menu, &TPresetMenuForm::Opened, &menu,
                     [&menu] { QTimer::singleShot(0, &menu, [&menu] { menu.hide(); }); });
    EXPECT_FALSE(menu.Choose(screen.right() - 5, -20));
    menu.disconnect(&menu);
    EXPECT_EQ(menu.x() + menu.width(), screen.right() + 1);
    EXPECT_EQ(menu.y(), 0);
    EXPECT_EQ(menu.width(), menu.cellWidth * 5 + 6);
    EXPECT_EQ(menu.SlotAt(3 + menu.cellWidth + 1, 3 + menu.cellHeight + 1), 7);
    EXPECT_EQ(menu.SlotAt(2, 10), -1);
}

TEST(ContraptionWindowTest, WindowsMoveOnTheGridAndReopenInPlace) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    f.DoubleClick(gen);
    TContraptionForm* form = FormOf(gen);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->pos(), QPoint(0, 0));
    EXPECT_EQ(form->width() % 10, 0);
    EXPECT_EQ(form->height() % 10, 0);

    DragHeader(form, {14, 0});
    EXPECT_EQ(form->pos(), QPoint(10, 0));
    DragHeader(form, {6, 23});
    EXPECT_EQ(form->pos(), QPoint(10, 20));
    // Dropped past the top left corner, it stops at 0.
    DragHeader(form, {-60, -60});
    EXPECT_EQ(form->pos(), QPoint(0, 0));

    form->SetBounds(37, 52, 123, 57);
    EXPECT_EQ(form->geometry(), QRect(30, 50, 130, 60));
    form->SetBounds(40, 120, form->width(), form->height());

    form->ODCloseButton->click();
    QApplication::processEvents();
    EXPECT_EQ(gen->formState->form, nullptr);
    EXPECT_EQ(gen->formState->left, 40);
    EXPECT_EQ(gen->formState->top, 120);
    f.DoubleClick(gen);
    ASSERT_NE(FormOf(gen), nullptr);
    EXPECT_EQ(FormOf(gen)->pos(), QPoint(40, 120));
}

TEST(ContraptionWindowTest, TestGeneratorControls) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    f.DoubleClick(gen);
    TContraptionForm* form = FormOf(gen);
    auto* generator = static_cast<ODTestSignalGenerator*>(gen->processor);
    auto* noise = form->findChild<QRadioButton*>("NoiseRadioButton");
    auto* sine = form->findChild<QRadioButton*>("SineRadioButton");
    QTest::mouseClick(noise, Qt::LeftButton);
    EXPECT_EQ(generator->waveform.Value(), 0);
    QTest::mouseClick(sine, Qt::LeftButton);
    EXPECT_EQ(generator->waveform.Value(), 1);

    auto* combo = form->findChild<QComboBox*>("FrequencyComboBox");
    const QColor grey = form->palette().color(QPalette::Disabled, QPalette::Text);
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {{"19", false}, {"20", true}, {"20000", true}, {"20001", false}, {"880", true}};
    for (const auto& c : cases) {
        generator->frequency.SetValue(1000.0);
        combo->setEditText(QString::fromLatin1(c.text));
        EXPECT_EQ(generator->frequency.Value(), c.accepted ? atof(c.text) : 1000.0) << c.text;
        EXPECT_EQ(combo->lineEdit()->palette().color(QPalette::Text) == grey, !c.accepted)
            << c.text;
    }

    generator->frequency.SetValue(440.0);
    generator->waveform.SetValue(0);
    generator->amplitude.SetValue(0.25);
    form->RefreshControls();
    EXPECT_EQ(combo->currentText(), "440");
    EXPECT_TRUE(noise->isChecked());
    EXPECT_DOUBLE_EQ(form->findChild<VXDWKnob*>("VolumeKnob")->Value(), 0.25);
    form->grab().save(ScreenshotPath("window_testgen"));
}

TEST(ContraptionWindowTest, AWrongCharacterInTheFrequencyIsShownInTheFieldNotInABox) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    f.DoubleClick(gen);
    TContraptionForm* form = FormOf(gen);
    auto* generator = static_cast<ODTestSignalGenerator*>(gen->processor);
    QLineEdit* edit = form->findChild<QComboBox*>("FrequencyComboBox")->lineEdit();
    QApplication::setActiveWindow(f.form.get());
    edit->setFocus();
    edit->selectAll();
    const QColor normal = form->palette().color(QPalette::Active, QPalette::Text);
    const QColor grey = form->palette().color(QPalette::Disabled, QPalette::Text);
    enum Mark { Normal, Grey, Red };
    const struct {
        const char* keys; // typed after the previous step's text
        const char* text;
        double frequency;
        Mark mark;
        const char* tip; // empty: none
    } steps[] = {
        {"5", "5", 440.0, Grey, "20 ... 20000 Hz"},
        {"5", "55", 55.0, Normal, ""},
        {"x", "55x", 55.0, Red, "'55x' is not a valid floating point value."},
        {"0", "55x0", 55.0, Red, "'55x0' is not a valid floating point value."},
        {"\b\b0", "550", 550.0, Normal, ""},
        // On the way, "55" is taken again.
        {"\b\b\bnan", "nan", 55.0, Red, "'nan' is not a valid floating point value."},
    };
    for (const auto& s : steps) {
        for (const char* k = s.keys; *k != '\0'; ++k) {
            if (*k == '\b')
                QTest::keyClick(edit, Qt::Key_Backspace);
            else
                QTest::keyClick(edit, *k);
        }
        // No message box took the keys: they all reached the field.
        EXPECT_TRUE(f.messages.said.empty()) << s.text;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << s.text;
        EXPECT_EQ(edit->text(), s.text);
        EXPECT_TRUE(edit->hasFocus()) << s.text;
        EXPECT_EQ(generator->frequency.Value(), s.frequency) << s.text;
        EXPECT_EQ(edit->toolTip(), s.tip) << s.text;
        const QColor colour = edit->palette().color(QPalette::Text);
        switch (s.mark) {
        case Normal:
            EXPECT_EQ(colour, normal) << s.text;
            break;
        case Grey:
            EXPECT_EQ(colour, grey) << s.text;
            break;
        case Red:
            EXPECT_TRUE(colour != normal && colour != grey && colour.red() > 150) << s.text;
            break;
        }
    }
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, "4x");
    form->grab().save(ScreenshotPath("window_testgen_refused"));
}

TEST(ContraptionWindowTest, TheWheelAndKeysOnAKnobCountAsAClickInTheWindow) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    f.DoubleClick(gen);
    TContraptionForm* form = FormOf(gen);
    auto* generator = static_cast<ODTestSignalGenerator*>(gen->processor);
    auto* knob = form->findChild<VXDWKnob*>("VolumeKnob");
    const struct {
        const char* what;
        std::function<void()> gesture;
        double amplitude;
    } cases[] = {
        {"a wheel notch",
         [knob] {
             QWheelEvent e(QPointF(17, 17), knob->mapToGlobal(QPointF(17, 17)), {}, {0, 120},
                           Qt::NoButton, {}, Qt::NoScrollPhase, false);
             QApplication::sendEvent(knob, &e);
         },
         0.02},
        {"Page Up", [knob] { QTest::keyClick(knob, Qt::Key_PageUp); }, 0.12},
    };
    for (const auto& c : cases) {
        gen->currentPreset = 2;
        form->UpdatePresetCaption();
        f.form->document->ClearModified();
        c.gesture();
        EXPECT_NEAR(generator->amplitude.Value(), c.amplitude, 1e-12) << c.what;
        EXPECT_EQ(form->ODPresetPanel->text(), "--") << c.what;
        f.form->document->UpdateModified();
        EXPECT_TRUE(f.form->document->modified) << c.what;
    }
    // Moving on with Tab changes nothing.
    gen->currentPreset = 2;
    form->UpdatePresetCaption();
    QTest::keyClick(knob, Qt::Key_Tab);
    EXPECT_EQ(form->ODPresetPanel->text(), "3");
}

TEST(ContraptionWindowTest, ThePresetButtonAndMenuSayHowToStoreAndRecall) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    f.DoubleClick(gen);
    TContraptionForm* form = FormOf(gen);
    const QString tip = form->ODPresetPanel->toolTip();
    EXPECT_TRUE(tip.contains("right-click")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("store")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("recall")) << tip.toStdString();

    gen->StorePreset(1);
    QString stored, empty, outside;
    WithPresetMenu(form, [&](TPresetMenuForm& menu) {
        QTest::mouseMove(&menu, menu.CellRect(2).center());
        stored = menu.toolTip();
        QTest::mouseMove(&menu, menu.CellRect(5).center());
        empty = menu.toolTip();
        QTest::mouseMove(&menu, QPoint(1, 1));
        outside = menu.toolTip();
        menu.hide();
    });
    EXPECT_TRUE(stored.startsWith("Slot 2: click to recall")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("right-click")) << stored.toStdString();
    EXPECT_TRUE(empty.startsWith("Slot 5 is empty: right-click to store")) << empty.toStdString();
    EXPECT_TRUE(outside.isEmpty()) << outside.toStdString();
}

TEST(ContraptionWindowTest, NoLabelRunsIntoAnotherLabelOrAKnob) {
    // Each text where the label draws it, at least 3 pixels from the next
    // text and 1 pixel from each knob's round face.
    const auto textRect = [](const QLabel* label) {
        const QFontMetrics fm(label->font());
        const QRect r =
            QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                                fm.size(Qt::TextSingleLine, label->text()), label->contentsRect());
        return r.translated(label->pos());
    };
    TWindowFixture f;
    int y = 20;
    for (const char* type : {"TestGen", "S2Mixer", "M4Mixer", "P2Mixer", "P3Mixer", "Crossfader"}) {
        TQuorlingContraption* c = f.Create(type, {20, y});
        y += 40;
        f.DoubleClick(c);
        TContraptionForm* form = FormOf(c);
        ASSERT_NE(form, nullptr) << type;
        std::vector<std::pair<QString, QRect>> texts;
        for (QLabel* label : form->Client()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (label->isVisible() && !label->text().isEmpty())
                texts.emplace_back(label->text(), textRect(label));
        for (size_t i = 0; i < texts.size(); ++i)
            for (size_t j = i + 1; j < texts.size(); ++j)
                EXPECT_FALSE(texts[i].second.adjusted(-2, -2, 2, 2).intersects(texts[j].second))
                    << type << ": \"" << texts[i].first.toStdString() << "\" and \""
                    << texts[j].first.toStdString() << "\"";
        for (VXDWKnob* knob : form->findChildren<VXDWKnob*>()) {
            const QRect face = knob->FaceRect().translated(knob->pos());
            const QPointF centre = QRectF(face).center();
            const double radius = face.width() / 2.0;
            for (const auto& [text, r] : texts) {
                const double nx = std::clamp(centre.x(), double(r.left()), double(r.right() + 1));
                const double ny = std::clamp(centre.y(), double(r.top()), double(r.bottom() + 1));
                EXPECT_GE(std::hypot(centre.x() - nx, centre.y() - ny), radius + 1.0)
                    << type << ": \"" << text.toStdString() << "\" and "
                    << knob->objectName().toStdString();
            }
        }
        form->grab().save(ScreenshotPath(QStringLiteral("layout_") + type));
        form->CloseForm();
    }
}

TEST(ContraptionWindowTest, AClickOnTheCrossfadersTrackMovesTheFade) {
    TWindowFixture f;
    TQuorlingContraption* x = f.Create("Crossfader", {120, 30});
    f.DoubleClick(x);
    auto* crossfader = static_cast<ODCrossfader*>(x->processor);
    auto* fader = FormOf(x)->findChild<VXDWSlider*>("Fader");
    ASSERT_EQ(crossfader->fade.Value(), 0.0);
    // The thumb's middle goes to the click: 3/4 of the way along.
    const int travel = fader->width() - 11;
    const QPoint at(5 + travel * 3 / 4, fader->height() / 2);
    QTest::mouseClick(fader, Qt::LeftButton, {}, at);
    EXPECT_NEAR(crossfader->fade.Value(), double(travel * 3 / 4) / travel, 1e-12);
    EXPECT_EQ(fader->ThumbRect().left() + 5, at.x());
}

TEST(ContraptionWindowTest, MixerWindowsHaveAKnobPerChannelBoundToTheProperties) {
    const struct {
        const char* type;
        int knobs; // channel knobs and master
        int width; // the client width the window's layout gives
    } cases[] = {{"S2Mixer", 3, 145},
                 {"S6Mixer", 7, 325},
                 {"M4Mixer", 5, 240},
                 {"P3Mixer", 7, 210},
                 {"Crossfader", 3, 292}};
    TWindowFixture f;
    int y = 20;
    for (const auto& c : cases) {
        TQuorlingContraption* mixer = f.Create(c.type, {20, y});
        y += 50;
        ASSERT_NE(mixer, nullptr) << c.type;
        f.DoubleClick(mixer);
        TContraptionForm* form = FormOf(mixer);
        ASSERT_NE(form, nullptr) << c.type;
        EXPECT_EQ(form->findChildren<VXDWKnob*>().size(), static_cast<size_t>(c.knobs)) << c.type;
        EXPECT_GE(form->Client()->width(), c.width) << c.type;

        // The master knob writes its property; a refresh reads it back.
        MGProperty* master = mixer->processor->propertyList.Find("MasterGain");
        ASSERT_NE(master, nullptr);
        auto* masterKnob = form->findChild<VXDWKnob*>("MasterKnob");
        TurnUp(masterKnob, 40);
        EXPECT_DOUBLE_EQ(static_cast<MGDoubleProperty*>(master)->Value(), masterKnob->Value())
            << c.type;
        EXPECT_GT(masterKnob->Value(), 0.0);
        static_cast<MGDoubleProperty*>(master)->SetValue(0.5);
        form->RefreshControls();
        EXPECT_DOUBLE_EQ(masterKnob->Value(), 0.5) << c.type;
        form->grab().save(ScreenshotPath(QStringLiteral("window_") + c.type));
        form->CloseForm();
    }
}

TEST(ContraptionWindowTest, ChannelKnobsSetTheirOwnChannel) {
    TWindowFixture f;
    TQuorlingContraption* c = f.Create("P3Mixer", {20, 30});
    f.DoubleClick(c);
    auto* mixer = static_cast<ODPanPotMixer*>(c->processor);
    TContraptionForm* form = FormOf(c);
    TurnUp(form->findChild<VXDWKnob*>("Knob2_2"), 60); // channel 2's gain
    EXPECT_GT(mixer->GainProperty(2)->Value(), 0.5);
    EXPECT_EQ(mixer->GainProperty(0)->Value(), 0.0);
    TurnUp(form->findChild<VXDWKnob*>("Knob1_1"), 20); // channel 1's pan
    EXPECT_GT(mixer->PanProperty(1)->Value(), 0.5);
    EXPECT_EQ(mixer->PanProperty(0)->Value(), 0.5);

    TQuorlingContraption* x = f.Create("Crossfader", {120, 30});
    f.DoubleClick(x);
    auto* fader = FormOf(x)->findChild<VXDWSlider*>("Fader");
    fader->SetValue(0.75);
    emit fader->OnChange(0.75);
    EXPECT_DOUBLE_EQ(static_cast<ODCrossfader*>(x->processor)->fade.Value(), 0.75);
}

TEST(ContraptionWindowTest, SoundWindows) {
    TWindowFixture f;
    TQuorlingContraption* out = f.Create("SoundOut", {20, 30});
    TQuorlingContraption* in = f.Create("SoundIn", {120, 30});
    f.DoubleClick(out);
    f.DoubleClick(in);
    auto* outForm = dynamic_cast<TSoundOutForm*>(FormOf(out));
    auto* inForm = dynamic_cast<TSoundInForm*>(FormOf(in));
    ASSERT_TRUE(outForm && inForm);

    // Without a file the transport is disabled.
    EXPECT_FALSE(outForm->PlayStopButton->isEnabled());
    EXPECT_FALSE(outForm->RecordStopButton->isEnabled());
    QTemporaryDir dir;
    outForm->SetOutputFile(dir.filePath("take.wav"));
    EXPECT_TRUE(QFile::exists(dir.filePath("take.wav")));
    EXPECT_TRUE(outForm->RecordStopButton->isEnabled());
    EXPECT_EQ(outForm->DurationLabel->text(), "duration: 0.00 (sec)");
    // The timed punch mode enables the duration, given in seconds.
    outForm->PunchModeComboBox->setCurrentIndex(2);
    emit outForm->PunchModeComboBox->activated(2);
    EXPECT_TRUE(outForm->RecDurationEdit->isEnabled());
    outForm->RecDurationEdit->selectAll();
    QTest::keyClicks(outForm->RecDurationEdit, "2.5");
    EXPECT_EQ(static_cast<ODSoundOut*>(out->processor)->recordDuration.Value(), 2500);
    QTest::mouseClick(outForm->RecordStopButton, Qt::LeftButton);
    EXPECT_EQ(TSoundOutForm::GlyphOf(outForm->RecordStopButton), "STOP");
    EXPECT_FALSE(outForm->PlayStopButton->isEnabled());
    outForm->grab().save(ScreenshotPath("window_SoundOut"));

    // The input window switches the source and the menu follows.
    TSoundInForm::SourceChanged = [&f] { f.form->UpdateTransportControls(); };
    EXPECT_TRUE(f.form->ControlStartAudioInItem->isEnabled());
    QTest::mouseClick(inForm->UseInputFileCheckBox, Qt::LeftButton);
    EXPECT_TRUE(f.engine->InputFileSelected());
    EXPECT_FALSE(f.form->ControlStartAudioInItem->isEnabled());
    EXPECT_TRUE(f.form->ControlUseInputFileItem->isChecked());
    EXPECT_TRUE(inForm->OpenButton->isEnabled());
    EXPECT_FALSE(inForm->PlayStopButton->isEnabled()); // no file yet
    // And the menu item switches the window back.
    f.form->ControlUseInputFileItem->trigger();
    EXPECT_FALSE(inForm->UseInputFileCheckBox->isChecked());
    EXPECT_FALSE(inForm->OpenButton->isEnabled());
    inForm->grab().save(ScreenshotPath("window_SoundIn"));
    TSoundInForm::SourceChanged = nullptr;
}

TEST(ContraptionWindowTest, DurationsAreCutToTwoDecimals) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0.0, "0.00 (sec)"},
                 {2.0, "2.00 (sec)"},
                 {1.5, "1.5 (sec)"},
                 {1.23456, "1.23 (sec)"},
                 {0.999, "0.99 (sec)"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatSeconds(c.seconds), c.text) << c.seconds;
}

TEST(ContraptionWindowTest, ScreenshotOfAPatch) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {20, 20});
    TQuorlingContraption* gen2 = f.Create("TestGen", {110, 20});
    TQuorlingContraption* mixer = f.Create("S2Mixer", {40, 110});
    TQuorlingContraption* out = f.Create("SoundOut", {50, 200});
    f.Connect(gen, 0, mixer, 0);
    f.Connect(gen2, 0, mixer, 3);
    f.Connect(mixer, 0, out, 0);
    f.Connect(mixer, 1, out, 1);
    f.DoubleClick(gen);
    f.DoubleClick(mixer);
    f.DoubleClick(out);
    ASSERT_TRUE(FormOf(gen) && FormOf(mixer) && FormOf(out));
    FormOf(mixer)->SetBounds(0, FormOf(gen)->height() + 10, FormOf(mixer)->width(),
                             FormOf(mixer)->height());
    FormOf(out)->SetBounds(FormOf(gen)->width() + 10, 0, FormOf(out)->width(),
                           FormOf(out)->height());
    static_cast<ODTestSignalGenerator*>(gen->processor)->amplitude.SetValue(0.7);
    FormOf(gen)->RefreshControls();
    f.form->grab().save(ScreenshotPath("main_window_patch"));
}

} // namespace
