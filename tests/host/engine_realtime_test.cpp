// The engine cycle allocates nothing: every allocation of this test program
// is counted, and a patch with a generator, a mixer in a feedback loop and
// a sound output recording to a file runs for a while under the count.

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "contraptions/generators/test_signal_generator.h"
#include "contraptions/mixing/mixers.h"
#include "engine_test_support.h"
#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/sound_out.h"
#include "platform/audio/scripted_audio.h"

namespace {
std::atomic<long> allocations{0};

void* Allocate(std::size_t n, std::size_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (n == 0)
        n = 1;
    void* p = alignment <= alignof(std::max_align_t)
                  ? std::malloc(n)
                  : std::aligned_alloc(alignment, (n + alignment - 1) / alignment * alignment);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

// Out of line, so the compiler does not pair this free with a new it sees.
[[gnu::noinline]] void Release(void* p) noexcept {
    std::free(p);
}
} // namespace

void* operator new(std::size_t n) {
    return Allocate(n, 0);
}
void* operator new[](std::size_t n) {
    return Allocate(n, 0);
}
void* operator new(std::size_t n, std::align_val_t a) {
    return Allocate(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a) {
    return Allocate(n, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}

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
    const long before = allocations.load();
    for (int i = 0; i < 100; ++i) {
        if (i == 50)
            gen->frequency.SetValue(880.0); // new coefficients mid-run
        engine.OutStreamFillBuffer(nullptr, buffer.data(), 4096);
    }
    const long during = allocations.load() - before;
    EXPECT_EQ(during, 0);
    EXPECT_EQ(out.recordState.Value(), ODSoundOut::Recording);
    EXPECT_GE(out.waveFile->length, 100 * 4096 - ODSoundOut::ChunkFrames);
}

} // namespace
