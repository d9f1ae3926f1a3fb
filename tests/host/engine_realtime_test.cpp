// The engine cycle allocates nothing: every allocation of this test program
// is counted, and a patch with a generator, a mixer in a feedback loop and
// a sound output recording to a file runs for a while under the count.

#include <vector>

#include <gtest/gtest.h>

#include "contraptions/generators/testgen.h"
#include "contraptions/mixing/mixers.h"
#include "engine_test_support.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/sound_out.h"
#include "platform/audio/scripted_audio.h"
#include "tests/allocation_counter.h"

namespace {

TEST(EngineCycle, AllocatesNothingWhilePlayingAndRecording) {
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine(nullptr, audio, &factory);
    TempDir dir;

    auto* gen = new ODTestSignalGenerator();
    gen->InitPropertyInfo();
    gen->SetContext(&engine.context);
    auto* mixer = new ODM2Mixer();
    mixer->InitPropertyInfo();
    mixer->SetContext(&engine.context);
    engine.context.Connect(gen, 0, mixer, 0, true);
    engine.context.Connect(mixer, 0, mixer, 1, true); // a loop, so a limiter runs
    engine.context.Connect(mixer, 0, engine.soundOut, 0, true);
    engine.context.Connect(mixer, 0, engine.soundOut, 1, true);
    ASSERT_EQ(engine.context.limiters.size(), 1u);

    ODSoundOut& out = *engine.soundOut;
    const std::string path = dir / "take.wav";
    out.outputFile.SetValue(path.c_str());
    out.Reset();
    ASSERT_EQ(out.recordState.Value(), ODSoundOut::Idle);

    gen->amplitude.SetValue(0.5);
    mixer->masterGain.SetValue(1.0);
    mixer->GainProperty(0)->SetValue(0.8);
    mixer->GainProperty(1)->SetValue(0.5);
    out.action.SetValue(ODSoundOut::Record);

    std::vector<short> buffer(2 * 4096);
    const long before = AllocationCount();
    for (int i = 0; i < 100; ++i) {
        if (i == 50)
            gen->frequency.SetValue(880.0); // new coefficients mid-run
        engine.OutStreamFillBuffer(nullptr, buffer.data(), 4096);
    }
    const long during = AllocationCount() - before;
    EXPECT_EQ(during, 0);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Recording);
    EXPECT_GE(out.waveFile->length, 100 * 4096 - ODSoundOut::ChunkFrames);
}

} // namespace
