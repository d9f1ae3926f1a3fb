// The sound output's window across documents: the engine keeps one sound
// output processor for the whole program, so whatever one document recorded
// must not show in the next document's window.

#include <QSlider>
#include <fstream>
#include <gtest/gtest.h>

#include "forms/contraption_form.h"
#include "contraptions/io/sound_out_window.h"
#include "gui_test_support.h"
#include "host/sound_out.h"

namespace {

TSoundOutForm* SoundOutFormOf(const TQuorlingContraption* c) {
    return dynamic_cast<TSoundOutForm*>(c->formState->form);
}

const TQuorlingContraption* FindSoundOut(const TContraptionFactory& factory) {
    for (const TQuorlingContraption* c : factory.contraptions)
        if (c->maker->typeName == std::string("SoundOut"))
            return c;
    return nullptr;
}

std::string Presets() {
    std::string text = "{ ";
    for (int k = 0; k < 20; ++k)
        text += k > 0 ? ", {  }" : "{  }";
    return text + " }";
}

TEST(SoundOutWindowTest, AnotherDocumentShowsNothingOfTheLastRecording) {
    TWindowFixture f;
    TQuorlingContraption* out = f.Create("SoundOut", {20, 30});
    ASSERT_NE(out, nullptr);
    f.DoubleClick(out);
    TSoundOutForm* form = SoundOutFormOf(out);
    ASSERT_NE(form, nullptr);
    QTemporaryDir dir;
    form->SetOutputFile(dir.filePath("take.wav"));
    auto* soundOut = static_cast<ODSoundOut*>(out->processor);
    {
        TGraphLock lock(*f.engine);
        soundOut->action.SetValue(ODSoundOut::Record);
    }
    for (int i = 0; i < 494; ++i) // 2.87 s
        f.engine->context.ProcessBlock();
    {
        TGraphLock lock(*f.engine);
        soundOut->action.SetValue(ODSoundOut::Stop);
    }
    for (int i = 0; i < 2; ++i)
        f.engine->context.ProcessBlock();
    form->RefreshControls();
    ASSERT_EQ(form->DurationLabel->text().toStdString(), "duration: 2.86 (sec)");
    ASSERT_GT(form->TrackBar1->value(), 9000);

    const std::string next = dir.filePath("next.odh").toStdString();
    std::ofstream(next) << ".odh 0.5\ntempo:\n\t120\nvisual1:\n\t180\n\t1\n\t1\ncontraptions:\n"
                           "\tSoundOut\tSoundOut\t{ \"\", 0, 0, 0, 1000 }\t"
                        << Presets() << "{ }{ 30 30 F Z Z 0 0 Z Z Z Z  }\t\nconnections:\nend\n";
    ASSERT_TRUE(f.form->document->Open(next));
    const TQuorlingContraption* fresh = FindSoundOut(f.factory);
    ASSERT_NE(fresh, nullptr);

    // Opened, and opened again after closing it.
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "first opening" : "reopened");
        f.DoubleClick(fresh);
        TSoundOutForm* w = SoundOutFormOf(fresh);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->FileNamePanel->text().toStdString(), "");
        EXPECT_EQ(w->DurationLabel->text().toStdString(), "duration: 0.00 (sec)");
        EXPECT_EQ(w->TrackBar1->value(), 0);
        EXPECT_FALSE(w->RecordStopButton->isEnabled());
        w->CloseForm();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
