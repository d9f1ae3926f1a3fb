#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <gtest/gtest.h>

#include "app/contraption_form.h"
#include "app/patterned_scroll_box.h"
#include "app/preset_menu_form.h"
#include "app/sound_in_window.h"
#include "app/sound_out_window.h"
#include "contraptions/generators/test_signal_generator.h"
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
